// Reading values from the viewer's INI file ("profile file").
// Windows asks the system (GetPrivateProfileIntA/StringA); POSIX reads the
// file with ini_reader, which looks values up the same way.
#ifndef KAVELIN_PROFILE_FILE_H
#define KAVELIN_PROFILE_FILE_H

// The number under `key` of `section`, read as GetPrivateProfileIntA reads
// it; `defaultValue` (as unsigned) when the file, the section or the key is
// missing or the value is empty.
unsigned ReadProfileInt(const char *iniPath, const char *section, const char *key, int defaultValue);

// The text under `key` of `section`, or `defaultValue`, copied into `buffer`
// of `bufferSize` bytes (at most bufferSize - 1 characters and a zero), as
// GetPrivateProfileStringA copies it. Returns the number of characters stored.
unsigned ReadProfileString(const char *iniPath, const char *section, const char *key,
                           const char *defaultValue, char *buffer, unsigned bufferSize);

#endif
