// A reader of INI files that looks values up the way the Win32 profile
// functions (GetPrivateProfileStringA, GetPrivateProfileIntA) do, so that the
// viewer reads its INI file alike on every platform:
//
//  - lines end at LF (at CR in a file without LF); blanks (space, tab, CR, VT, FF, and Ctrl-Z) around a
//    line, around a key name and before a value are dropped;
//  - "[name]" starts a section: the name is what stands between "[" and the
//    last "]" of the line, trimmed of blanks; a "[" line without "]" is
//    ignored;
//  - "name=value" is a key, split at the first "="; a line without "=" is a
//    key without a value, which reads as missing;
//  - section and key names match without regard to case of a to z, and the
//    names asked for are trimmed of blanks first;
//  - only the first section of a name is searched, and in it the first key
//    of a name;
//  - a value (or the default given) enclosed in a pair of the same quotes
//    (' or ") loses them; a default also loses trailing spaces;
//  - nothing marks a comment inside a line: "Count=7 ; note" is the text
//    "7 ; note" (and the number 7); a line such as "; note" or "# note" is a
//    key that nobody asks for;
//  - a zero byte ends the name or value it stands in;
//  - a UTF-8 byte order mark at the start is skipped; bytes from 0x80 are
//    kept as they are and never taken as blanks or matched without case.
#ifndef KAVELIN_INI_READER_H
#define KAVELIN_INI_READER_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct IniKey {
    std::string Name;
    std::optional<std::string> Value;  // none for a line without "="
};

struct IniSection {
    std::string Name;
    std::vector<IniKey> Keys;
};

struct IniFile {
    std::vector<IniSection> Sections;  // keys before the first section sit in one named ""
};

IniFile ParseIniText(std::string_view text);

// Reads and parses the file at `path`; false when it cannot be read.
bool ReadIniFile(const char *path, IniFile &file);

// The value of `key` in `section`, as stored (quotes included); nullptr when
// the section or key is missing or the key has no value.
const std::string *FindIniValue(const IniFile &file, std::string_view section, std::string_view key);

// GetPrivateProfileStringA for one key: `file` is nullptr for a file that
// could not be read. Copies at most bufferSize - 1 characters and a zero and
// returns the number of characters copied.
unsigned IniGetString(const IniFile *file, std::string_view section, std::string_view key,
                      std::string_view defaultValue, char *buffer, unsigned bufferSize);

// GetPrivateProfileIntA: the value's text (at most 29 characters) read as a
// number, or `defaultValue` when the text is empty.
unsigned IniGetInt(const IniFile *file, std::string_view section, std::string_view key, int defaultValue);

// The number reading of GetPrivateProfileIntA: leading blanks and control
// characters skipped, an optional sign, "0x", "0o" or "0b" for base 16, 8 or
// 2 (lower case only), else decimal; digits up to the first that does not
// fit the base; arithmetic modulo 2^32, a minus sign negating the result.
// Text without digits is 0.
unsigned ParseProfileNumber(std::string_view text);

#endif
