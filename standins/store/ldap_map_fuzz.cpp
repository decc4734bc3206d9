// What a server may send: a DN that maps to a name maps back to the same DN's
// name; schema descriptions and LDIF either parse or are refused, and parsed
// LDIF printed again parses into the same records. The first byte picks the reader.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ldap_map.h"

using namespace dirstore::ldap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    std::string_view text(reinterpret_cast<const char *>(data + 1), size - 1);
    switch (data[0] % 4) {
    case 0: {
        std::string name, dn, again;
        if (DnToDirName(text, name) && DirNameToDn(name, dn) && (!DnToDirName(dn, again) || again != name))
            std::abort();
        if (DirNameToDn(text, dn) && !DnToDirName(dn, name))
            std::abort();
        break;
    }
    case 1: {
        AttributeTypeDesc desc;
        dirstore::AttributeDef def;
        if (ParseAttributeTypeText(text, desc))
            AttributeDefOf(desc, def);
        break;
    }
    case 2: {
        ObjectClassDesc desc;
        dirstore::ClassDef def;
        if (ParseObjectClassText(text, desc))
            ClassDefOf(desc, def);
        break;
    }
    default: {
        std::vector<LdifRecord> records, again;
        size_t line = 0;
        std::string message, printed;
        if (!ParseLdif(text, records, line, message))
            return 0;
        for (const auto &record : records)
            printed += LdifText(record);
        if (!ParseLdif(printed, again, line, message) || again.size() != records.size())
            std::abort();
        for (size_t i = 0; i < records.size(); ++i)
            if (again[i].dn != records[i].dn || again[i].values != records[i].values)
                std::abort();
        break;
    }
    }
    return 0;
}
