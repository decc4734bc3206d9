#include "ini_file_name.h"

bool IniNameFromExePath(std::string_view programPath, std::string &iniPath)
{
    std::string upper(programPath);
    for (char &c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    std::string::size_type cut = upper.find(".EXE");
    if (cut == std::string::npos)
        return false;
    upper.resize(cut);
    iniPath = upper + ".INI";
    return true;
}

std::string IniNameFromPosixPath(std::string_view programPath)
{
    return std::string(programPath) + ".ini";
}
