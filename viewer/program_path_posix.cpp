#include "program_path.h"

#include "ini_file_name.h"

#include <unistd.h>

#include <vector>

bool GetProgramPath(std::string &path)
{
    // Linux names the running program in /proc/self/exe. readlink does not
    // say when it cut the name short: grow until the answer leaves room.
    for (std::size_t size = 256; size <= 65536; size *= 2) {
        std::vector<char> buffer(size);
        ssize_t length = readlink("/proc/self/exe", buffer.data(), size);
        if (length <= 0)
            return false;
        if (static_cast<std::size_t>(length) < size) {
            path.assign(buffer.data(), static_cast<std::size_t>(length));
            return true;
        }
    }
    return false;
}

bool ProgramIniFileName(const std::string &programPath, std::string &iniPath)
{
    iniPath = IniNameFromPosixPath(programPath);
    return true;
}
