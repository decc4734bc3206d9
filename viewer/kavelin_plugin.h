/*
 * KAVELIN decoder plug-in interface.
 *
 * A decoder plug-in is a shared library (a DLL on Windows, a shared object on
 * POSIX) named in the viewer's INI file, section [TraceHandlers]:
 *
 *     [TraceHandlers]
 *     Count=1
 *     Handler.1=C:\TOOLS\PPPDEC.DLL
 *
 * It exports two functions under exactly these undecorated names, both with
 * the C calling convention (__cdecl on Windows, the platform's C convention
 * elsewhere):
 *
 *   void SourceIDQueryHandler_(uint32_t *count, uint32_t **ids);
 *     Called once, right after the library is loaded. Set *count to the number
 *     of trace source identifiers the plug-in decodes and *ids to an array of
 *     that many identifiers (0..255). The array stays the plug-in's: the viewer
 *     reads it at once and keeps no reference to it. The first plug-in to claim
 *     an identifier keeps it; an identifier already taken, or one over 255, is
 *     refused with a message and ends that plug-in's claims (those made before
 *     stay). A count of 0 or no array fails the loading. The result is not used.
 *
 *   int TraceEventHandler_(const EventHeader *header, const uint8_t *data,
 *                          const ViewerSettings *settings);
 *     Called for every event shown whose source the plug-in claimed, when the
 *     decoding level is not 0. The viewer has already written the event's two
 *     header lines (and flushed its output); the plug-in writes its decoding
 *     to standard output. data holds header->TracedSize bytes. DecodeLevel 1
 *     asks for minimal decoding, 2 for maximum decoding; other values may come.
 *     Nothing passed may be kept after the call returns. The result is not used.
 *
 * Neither function may let a C++ exception escape: catch everything inside.
 * docs/plugins.md has the whole guide: the INI file, its name on each
 * platform, and every message of the loader.
 *
 * Layout: EventHeader is nine 32-bit little-endian fields, 36 bytes, on every
 * platform. ViewerSettings is four 32-bit fields (16 bytes) on 32-bit Windows;
 * on a 64-bit POSIX system TraceFileName is a 64-bit address, so the record is
 * an address followed by three 32-bit fields and 4 bytes of padding (24 bytes).
 * Always read it through this header's declaration.
 */
#ifndef KAVELIN_PLUGIN_H
#define KAVELIN_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#define KAVELIN_CALL __cdecl
#define KAVELIN_EXPORT __declspec(dllexport)
#else
#define KAVELIN_CALL
#define KAVELIN_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct EventHeader {
    uint32_t PrevOffset;   /* offset of the previous event's header in the work file */
    int32_t  EventNumber;
    uint32_t Source;       /* trace source identifier */
    int32_t  Time;         /* in the tracer's units */
    uint32_t Spare;        /* not interpreted by the viewer */
    uint32_t Type;
    uint32_t SubType;
    uint32_t TracedSize;   /* data bytes stored after this header */
    uint32_t FullSize;     /* size of the event before tracing cut it */
} EventHeader;

typedef struct ViewerSettings {
    const char *TraceFileName;  /* the trace file name as typed */
    int32_t NoPause;            /* 1: no prompts and no paging (/NOPAUSE) */
    int32_t ScreenLines;        /* 25 or 50 */
    int32_t DecodeLevel;        /* /L value; 0 = dump only */
} ViewerSettings;

typedef void (KAVELIN_CALL *SourceIDQueryHandlerFn)(uint32_t *count, uint32_t **ids);
typedef int (KAVELIN_CALL *TraceEventHandlerFn)(const EventHeader *header, const uint8_t *data,
                                                const ViewerSettings *settings);

#ifdef __cplusplus
}
static_assert(sizeof(EventHeader) == 36, "event header is nine 32-bit fields");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(ViewerSettings) == 16, "viewer settings are four 32-bit fields");
static_assert(offsetof(ViewerSettings, DecodeLevel) == 12, "DecodeLevel is the fourth field");
#endif
#endif

#endif
