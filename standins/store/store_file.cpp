// What the store file does the same way on every platform.
#include "store_file.h"

#include "store_text.h"

namespace dirstore {

bool StoreFromFileText(std::string_view text, Store &store, std::string &error)
{
    ParseError parseError;
    if (ParseStoreText(text, store, parseError))
        return true;
    error = parseError.line ? "line " + std::to_string(parseError.line) + ": " + parseError.message
                            : parseError.message;
    error += " (the file is left as it is)";
    return false;
}

}  // namespace dirstore
