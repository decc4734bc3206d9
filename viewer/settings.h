// The viewer's process-wide settings, read from the command line.
#ifndef KAVELIN_SETTINGS_H
#define KAVELIN_SETTINGS_H

#include "kavelin_plugin.h"

#include <cstddef>

inline constexpr std::size_t TraceNameBufferSize = 256;

extern char TraceNameBuffer[TraceNameBufferSize];
extern ViewerSettings Settings;   // its address is what plug-ins receive
extern int Verbose;               // "/V": report each plug-in as it loads

#endif
