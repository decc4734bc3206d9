// Password files of the identities a server is seeded with, and the salted
// SHA-1 form ({SSHA}) the server keeps of each.
#ifndef RAX_TOOLS_PASSWORDS_H
#define RAX_TOOLS_PASSWORDS_H

#include <cstdint>
#include <string>
#include <string_view>

namespace storeldif {

// SHA-1 (FIPS 180-4) of the bytes.
std::string Sha1(std::string_view data);
// "{SSHA}" + base64(SHA-1(password + salt) + salt).
std::string SaltedSha1(std::string_view password, std::string_view salt);
// `count` bytes from the system's random source; empty when it cannot be read.
std::string RandomBytes(size_t count);
// The password in `path`; a new random one is written there first (mode 600)
// when the file does not exist. False when it can be neither read nor written.
bool PasswordOfFile(const std::string &path, std::string &password);

}  // namespace storeldif

#endif
