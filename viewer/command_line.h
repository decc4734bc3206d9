// The command line: "KAVELIN filename [/25 | /50] [/NOPAUSE] [/L 0-2]" and "/V".
#ifndef KAVELIN_COMMAND_LINE_H
#define KAVELIN_COMMAND_LINE_H

// Fills Settings, TraceNameBuffer and Verbose. 0 when a trace file name was
// found and every other argument understood; otherwise the usage text has
// been written and the result is 1. Options are upper-cased in place.
int ParseCommandLine(int argc, char **argv);

// The usage text, to standard output.
void ShowUsage();

#endif
