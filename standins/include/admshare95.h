/*
 * admshare95: shared services of the directory administrator host.
 * The three operations are imported by ordinal (398, 399, 400), stdcall.
 * The Share* query functions are this stand-in's own, exported by name.
 */
#ifndef ADMSHARE95_H
#define ADMSHARE95_H

#include <windows.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Longest directory HostGetHelpDirectory writes, without its NUL. Callers give a
   buffer of at least HOST_HELP_DIRECTORY_MAX + 1 bytes. */
#define HOST_HELP_DIRECTORY_MAX 200

/* Ordinal 400: the directory of the host's help files, without a trailing backslash.
   The stand-in answers the environment variable RAX_HOST_HELP_DIR when it is set
   (cut to HOST_HELP_DIRECTORY_MAX characters), else the folder of the host program. */
int32_t WINAPI HostGetHelpDirectory(const char *helpFileName, char *directory);

/* Ordinal 399: the pictures the host shows for objects of a class. */
int32_t WINAPI HostRegisterClassBitmaps(const char *className, const char *className2, HBITMAP bitmap,
                                        HBITMAP aliasBitmap, HBITMAP readOnlyBitmap);

/* Ordinal 398: the host gives the class's pictures up; the caller deletes them afterwards. */
int32_t WINAPI HostReleaseClassBitmaps(const char *className, HBITMAP *bitmap, HBITMAP *aliasBitmap,
                                       HBITMAP *readOnlyBitmap);

/* What the stand-in holds: 1 and the three handles when bitmaps of className are
   registered, else 0. */
int32_t ShareGetClassBitmaps(const char *className, HBITMAP *bitmap, HBITMAP *aliasBitmap,
                             HBITMAP *readOnlyBitmap);
/* Calls so far of each operation (398, 399, 400); other numbers give 0. */
uint32_t ShareCallCount(uint32_t ordinal);
/* The help file name last asked for ("" before any call). */
const char *ShareLastHelpFileName(void);
void    ShareReset(void);

#ifdef __cplusplus
}
#endif

#endif
