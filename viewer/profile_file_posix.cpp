#include "profile_file.h"

#include "ini_reader.h"

unsigned ReadProfileInt(const char *iniPath, const char *section, const char *key, int defaultValue)
{
    IniFile file;
    bool found = ReadIniFile(iniPath, file);
    return IniGetInt(found ? &file : nullptr, section, key, defaultValue);
}

unsigned ReadProfileString(const char *iniPath, const char *section, const char *key,
                           const char *defaultValue, char *buffer, unsigned bufferSize)
{
    IniFile file;
    bool found = ReadIniFile(iniPath, file);
    return IniGetString(found ? &file : nullptr, section, key, defaultValue, buffer, bufferSize);
}
