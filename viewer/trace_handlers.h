// Decoder plug-ins: loading them from the INI file beside the program, the
// table of which plug-in decodes which trace source, and releasing them.
#ifndef KAVELIN_TRACE_HANDLERS_H
#define KAVELIN_TRACE_HANDLERS_H

#include "kavelin_plugin.h"

#include <cstdint>

// 0 when every listed plug-in was loaded and claimed its sources, 1 otherwise
// (after one message on standard output).
int LoadTraceHandlers();

// Releases every loaded plug-in library. Safe to call when none was loaded.
void FreeTraceHandlers();

// The handler that claimed `source`, or nullptr (also for sources over 255).
TraceEventHandlerFn FindSourceHandler(uint32_t source);

#endif
