// The two rules that name the viewer's INI file after the program file.
// program_path_*.cpp picks the one of the platform; both are here so that
// each can be checked on any build machine.
#ifndef KAVELIN_INI_FILE_NAME_H
#define KAVELIN_INI_FILE_NAME_H

#include <string>
#include <string_view>

// Windows rule: upper-case a to z, cut before the first ".EXE", append
// ".INI". false (iniPath untouched) when there is no ".EXE".
// C:\A.EXE.DIR\KAVELIN.EXE -> C:\A.INI; c:\tools\kavelin.exe -> C:\TOOLS\KAVELIN.INI.
bool IniNameFromExePath(std::string_view programPath, std::string &iniPath);

// POSIX rule: the path unchanged followed by ".ini".
std::string IniNameFromPosixPath(std::string_view programPath);

#endif
