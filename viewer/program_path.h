// The running program's own file and the INI file that belongs to it.
#ifndef KAVELIN_PROGRAM_PATH_H
#define KAVELIN_PROGRAM_PATH_H

#include <string>

// The full path of the running program file. false when the system cannot
// tell it. A path is never cut short: one that does not fit is a failure.
bool GetProgramPath(std::string &path);

// The INI file of the program at `programPath`, by this platform's rule:
//   Windows: the path upper-cased (a to z only), cut before the first ".EXE",
//            followed by ".INI" (C:\TOOLS\KAVELIN.EXE -> C:\TOOLS\KAVELIN.INI);
//            false when the path holds no ".EXE".
//   POSIX:   the path as it is, followed by ".ini" (/opt/kv/kavelin ->
//            /opt/kv/kavelin.ini); a ".EXE" in the path is not looked for,
//            and the case of the path is kept. Always true.
bool ProgramIniFileName(const std::string &programPath, std::string &iniPath);

#endif
