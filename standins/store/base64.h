// Base64 (RFC 4648, with padding) for the binary values of the store file.
#ifndef RAX_STANDINS_BASE64_H
#define RAX_STANDINS_BASE64_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dirstore {

std::string Base64Encode(const uint8_t *data, size_t size);
// Spaces are ignored; anything else that is not base64, or a bad length or padding, gives nullopt.
std::optional<std::vector<uint8_t>> Base64Decode(std::string_view text);

}  // namespace dirstore

#endif
