// Conversions between field texts and the bytes that the remote-access values
// carry: hexadecimal digits, dotted-decimal IPv4 addresses, and the text form
// of a home server chosen by its IPX address.
#ifndef RAX_TEXT_CONVERSIONS_H
#define RAX_TEXT_CONVERSIONS_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rax {

// Converts the first `digits` characters of `text` (fewer when the text is
// shorter), two per byte, high four bits first; an odd last digit is ignored.
// Both letter cases convert; callers pass text that passed HexTextRule.
// Writes at most `capacity` bytes: the converted bytes, then a zero byte when
// there is room for it. Returns the number of bytes converted.
std::size_t HexToBytes(uint8_t *destination, std::size_t capacity, std::string_view text, std::size_t digits);

// Writes two upper-case digits per byte and a NUL, cut to whole bytes that fit
// in `capacity` characters with the NUL; returns the number of bytes written.
std::size_t BytesToHex(char *destination, std::size_t capacity, const uint8_t *bytes, std::size_t count);

// "%d.%d.%d.%d" of the four bytes, each unsigned. Needs 16 characters.
inline constexpr std::size_t DottedQuadTextSize = 16;
void FormatDottedQuad(const uint8_t (&address)[4], char (&text)[DottedQuadTextSize]);

// A home server chosen by address as its list entry, "[%s][%s]" of the 8
// upper-case digits of the network number and the 12 of the node address
// (24 characters and a NUL).
inline constexpr std::size_t ServerAddressTextLength = 24;
void ServerAddressText(const uint8_t (&network)[4], const uint8_t (&node)[6],
                       char (&text)[ServerAddressTextLength + 1]);

// Reads a list entry back: true only for the exact shape ServerAddressText
// makes ('[', 8 hex digits, "][", 12 hex digits, ']', either letter case),
// giving the network number then the node address. Any other entry, even one
// that begins with '[', is a server name.
bool ParseServerAddressText(std::string_view entry, uint8_t (&address)[10]);

} // namespace rax

#endif
