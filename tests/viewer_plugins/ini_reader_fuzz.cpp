// Fuzz target: arbitrary bytes as an INI file, looked up by every section and
// key name it holds and by the viewer's own names, with buffers of several
// sizes. Checks that every copy fits its buffer and that the length returned
// is the length stored.
#include "ini_reader.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void Check(const IniFile &file, std::string_view section, std::string_view key)
{
    static const unsigned sizes[] = {1, 2, 8, 255};
    for (unsigned size : sizes) {
        char buffer[256 + 1];
        buffer[size] = '\x5A';  // a guard past the buffer given
        unsigned length = IniGetString(&file, section, key, "(None)", buffer, size);
        if (length >= size || std::strlen(buffer) != length || buffer[size] != '\x5A')
            std::abort();
    }
    IniGetInt(&file, section, key, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    IniFile file = ParseIniText(std::string_view(reinterpret_cast<const char *>(data), size));
    for (const IniSection &section : file.Sections) {
        Check(file, section.Name, "Count");
        for (const IniKey &key : section.Keys)
            Check(file, section.Name, key.Name);
    }
    Check(file, "TraceHandlers", "Count");
    Check(file, "TraceHandlers", "Handler.1");
    Check(file, "", "");
    ParseProfileNumber(std::string_view(reinterpret_cast<const char *>(data), size));
    return 0;
}
