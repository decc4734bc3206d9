// The plug-in loader's working parts, for its tests: loading from a named
// INI file into a chosen output, and a look at the library table.
#ifndef KAVELIN_TRACE_HANDLERS_INTERNAL_H
#define KAVELIN_TRACE_HANDLERS_INTERNAL_H

#include "dynamic_library.h"

#include <cstdio>

inline constexpr unsigned SourceTableSize = 256;        // source identifiers 0..255
inline constexpr unsigned HandlerLibraryTableSize = 256;  // handler numbers 1..255; 0 unused
inline constexpr unsigned HandlerNameBufferSize = 255;  // library name and its terminating zero

// LoadTraceHandlers after the INI file has been named: reads `iniPath` and
// writes every message to `out`. Same result as LoadTraceHandlers.
int LoadTraceHandlersFromIni(const char *iniPath, std::FILE *out);

// The library held for handler number `n`, or nullptr.
LibraryHandle HandlerLibrary(unsigned n);

#endif
