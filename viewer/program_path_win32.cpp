#include "program_path.h"

#include "ini_file_name.h"

#include <windows.h>

#include <vector>

bool GetProgramPath(std::string &path)
{
    // GetModuleFileNameA fills the whole buffer when the path does not fit
    // (and older systems then leave out the terminating zero): grow until
    // the answer is shorter than the buffer.
    for (DWORD size = 260; size <= 32768; size *= 2) {
        std::vector<char> buffer(size);
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0)
            return false;
        if (length < size) {
            path.assign(buffer.data(), length);
            return true;
        }
    }
    return false;
}

bool ProgramIniFileName(const std::string &programPath, std::string &iniPath)
{
    return IniNameFromExePath(programPath, iniPath);
}
