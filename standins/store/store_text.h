// The store file: a line-oriented text in the manner of LDIF, one record per
// paragraph, binary or unsafe values in base64 ("key:: base64"). The format is
// described in docs/directory-standin.md.
#ifndef RAX_STANDINS_STORE_TEXT_H
#define RAX_STANDINS_STORE_TEXT_H

#include <string>
#include <string_view>

#include "store_model.h"

namespace dirstore {

constexpr size_t kMaxStoreText = 64u * 1024 * 1024;

struct ParseError {
    size_t line = 0;       // 1-based; 0 when the whole text is at fault
    std::string message;
};

// Takes the next line off the front of `text`, without its LF or CRLF end
// (both texts in the manner of LDIF, the store file and LDIF itself, read lines so).
std::string_view TakeLine(std::string_view &text);

// Fills `store` from `text`. On failure returns false, fills `error` and leaves `store` unchanged.
bool ParseStoreText(std::string_view text, Store &store, ParseError &error);
// The text of the store; ParseStoreText of it gives the same store back.
std::string PrintStoreText(const Store &store);

}  // namespace dirstore

#endif
