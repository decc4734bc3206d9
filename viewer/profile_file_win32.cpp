#include "profile_file.h"

#include <windows.h>

unsigned ReadProfileInt(const char *iniPath, const char *section, const char *key, int defaultValue)
{
    return GetPrivateProfileIntA(section, key, defaultValue, iniPath);
}

unsigned ReadProfileString(const char *iniPath, const char *section, const char *key,
                           const char *defaultValue, char *buffer, unsigned bufferSize)
{
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, bufferSize, iniPath);
}
