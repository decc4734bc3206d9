/*
 * admhost95: the directory administrator host's class registration.
 * HostRegisterClass is imported by ordinal (277), stdcall.
 * The Host* query functions below are this stand-in's own, exported by name,
 * for the host program and for tests.
 */
#ifndef ADMHOST95_H
#define ADMHOST95_H

#include <windows.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One property page a class procedure describes with message 260: five 32-bit fields. */
typedef struct HostPageInfo {
    DLGPROC     pageProc;
    HINSTANCE   module;
    const char *templateName;
    const char *tabTitle;
    uint32_t    reserved;
} HostPageInfo;

/* Object name, message code (low 16 bits significant), page index, page information. */
typedef int32_t (WINAPI *HostClassProc)(const char *objectName, uint32_t message, uint32_t pageIndex,
                                        HostPageInfo *pageInfo);

/* Class procedure messages. */
enum {
    HostClassMsgSetup    = 256,
    HostClassMsgCleanup  = 257,
    HostClassMsgLoad     = 259,
    HostClassMsgPageInfo = 260,
    HostClassMsgSave     = 262,
    HostClassMsgQuery    = 272
};

/* Page messages. */
enum {
    HostPageMsgChanged = 0x520,
    HostPageMsgApply   = 0x521,
    HostPageMsgHelp    = 0x539
};

/* Ordinal 277. kind is "DS"; flags is 0x01010000. */
int32_t WINAPI HostRegisterClass(const char *kind, const char *className, const char *copyright,
                                 HINSTANCE module, HostClassProc classProc, uint32_t flags);

/* What was registered, in registration order. */
typedef struct HostClassRecord {
    char          kind[16];
    char          className[64];
    char          copyright[256];
    HINSTANCE     module;
    HostClassProc classProc;
    uint32_t      flags;
} HostClassRecord;

int32_t HostRegisteredClassCount(void);
/* 1 and the record when index is valid, else 0. */
int32_t HostGetRegisteredClass(int32_t index, HostClassRecord *record);
/* The class procedure registered for className (case-blind), or NULL. */
HostClassProc HostFindClassProc(const char *className);
void    HostForgetClasses(void);

#ifdef __cplusplus
}
#if !defined(_WIN64)
static_assert(sizeof(HostPageInfo) == 20, "page information is five 32-bit fields");
#endif
#endif

#endif
