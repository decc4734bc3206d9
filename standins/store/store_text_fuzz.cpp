// Any text either fails to parse or parses into a store whose printed text
// parses back into a store that prints the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "store_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view text(reinterpret_cast<const char *>(data), size);
    dirstore::Store store;
    dirstore::ParseError error;
    if (!dirstore::ParseStoreText(text, store, error))
        return 0;
    std::string printed = dirstore::PrintStoreText(store);
    dirstore::Store again;
    if (!dirstore::ParseStoreText(printed, again, error))
        std::abort();
    if (dirstore::PrintStoreText(again) != printed)
        std::abort();
    return 0;
}
