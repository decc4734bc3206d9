#include "ini_reader.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

// Names and values are C strings to the system's functions: a zero byte
// inside one ends it.
std::string UpToZero(std::string_view text)
{
    return std::string(text.substr(0, text.find('\0')));
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Copies `value` as the profile functions copy an entry: a value enclosed in
// a pair of the same quotes loses them, and the copy is cut to the buffer.
// The closing quote is dropped as the last character copied whenever the
// buffer could hold the value without its opening quote, so a buffer one
// short of that loses a letter instead; the system's functions do the same.
unsigned CopyEntry(std::string_view value, char *buffer, unsigned bufferSize)
{
    bool quoted = false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        quoted = true;
        value.remove_prefix(1);
    }
    std::size_t length = value.size() < bufferSize - 1 ? value.size() : bufferSize - 1;
    std::memcpy(buffer, value.data(), length);
    buffer[length] = '\0';
    // The closing quote goes only when the whole value fitted.
    if (quoted && bufferSize >= value.size() && length > 0)
        buffer[--length] = '\0';
    return static_cast<unsigned>(length);
}

}  // namespace

IniFile ParseIniText(std::string_view text)
{
    IniFile file;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);

    IniSection *current = nullptr;
    while (!text.empty()) {
        // A line ends at LF; only when no LF is left does CR end one.
        std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            end = text.find('\r');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        line = TrimBlanks(line);
        if (line.empty())
            continue;

        if (line.front() == '[') {
            // A line with "[" and no "]" is dropped.
            std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                std::string_view name = TrimBlanks(line.substr(1, close - 1));
                file.Sections.push_back(IniSection{UpToZero(name), {}});
                current = &file.Sections.back();
            }
            continue;
        }

        IniKey key;
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            key.Name = UpToZero(line);
        } else {
            std::string_view name = line.substr(0, equals);
            while (!name.empty() && IsBlank(name.back()))
                name.remove_suffix(1);
            std::string_view value = line.substr(equals + 1);
            while (!value.empty() && IsBlank(value.front()))
                value.remove_prefix(1);
            key.Name = UpToZero(name);
            key.Value = UpToZero(value);
        }
        if (current == nullptr) {
            file.Sections.push_back(IniSection{});
            current = &file.Sections.back();
        }
        current->Keys.push_back(std::move(key));
    }
    return file;
}

bool ReadIniFile(const char *path, IniFile &file)
{
    struct FileCloser {
        void operator()(std::FILE *f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> in(std::fopen(path, "rb"));
    if (!in)
        return false;
    std::string text;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0)
        text.append(chunk, got);
    if (std::ferror(in.get()))
        return false;
    file = ParseIniText(text);
    return true;
}

const std::string *FindIniValue(const IniFile &file, std::string_view section, std::string_view key)
{
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    for (const IniSection &s : file.Sections) {
        if (!SameNameIgnoringCase(s.Name, section))
            continue;
        for (const IniKey &k : s.Keys)
            if (SameNameIgnoringCase(k.Name, key))
                return k.Value ? &*k.Value : nullptr;
        return nullptr;  // only the first section of a name counts
    }
    return nullptr;
}

unsigned IniGetString(const IniFile *file, std::string_view section, std::string_view key,
                      std::string_view defaultValue, char *buffer, unsigned bufferSize)
{
    if (buffer == nullptr || bufferSize == 0)
        return 0;
    // Trailing spaces of the default go, but never its first character.
    while (defaultValue.size() > 1 && defaultValue.back() == ' ')
        defaultValue.remove_suffix(1);

    if (file == nullptr || key.empty())
        return CopyEntry(defaultValue, buffer, bufferSize);
    const std::string *value = FindIniValue(*file, section, key);
    return CopyEntry(value ? std::string_view(*value) : defaultValue, buffer, bufferSize);
}

unsigned IniGetInt(const IniFile *file, std::string_view section, std::string_view key, int defaultValue)
{
    char text[30];
    if (IniGetString(file, section, key, "", text, sizeof text) == 0)
        return static_cast<unsigned>(defaultValue);
    return ParseProfileNumber(text);
}

unsigned ParseProfileNumber(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    unsigned base = 10;
    if (text.size() >= 2 && text[0] == '0') {
        if (text[1] == 'x')
            base = 16;
        else if (text[1] == 'o')
            base = 8;
        else if (text[1] == 'b')
            base = 2;
        if (base != 10)
            text.remove_prefix(2);
    }
    unsigned total = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'Z')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'z')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else
            break;
        if (digit >= base)
            break;
        total = total * base + digit;
    }
    return negative ? 0u - total : total;
}
