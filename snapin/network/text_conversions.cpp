#include "network/text_conversions.h"

#include "network/field_rules.h"

#include <cstdio>

namespace rax {

namespace {

uint8_t HexDigitValue(char c)
{
    int value;
    if (c < ':')
        value = c - '0';
    else if (c < 'G')
        value = c - 'A' + 10;
    else
        value = c - 'a' + 10;
    return static_cast<uint8_t>(value & 0x0F);
}

const char UpperHexDigits[] = "0123456789ABCDEF";

} // namespace

std::size_t HexToBytes(uint8_t *destination, std::size_t capacity, std::string_view text, std::size_t digits)
{
    if (digits > text.size())
        digits = text.size();
    std::size_t count = digits / 2;
    if (count > capacity)
        count = capacity;
    for (std::size_t i = 0; i < count; ++i)
        destination[i] = static_cast<uint8_t>(HexDigitValue(text[2 * i]) << 4 | HexDigitValue(text[2 * i + 1]));
    if (count < capacity)
        destination[count] = 0;
    return count;
}

std::size_t BytesToHex(char *destination, std::size_t capacity, const uint8_t *bytes, std::size_t count)
{
    if (capacity == 0)
        return 0;
    if (count > (capacity - 1) / 2)
        count = (capacity - 1) / 2;
    for (std::size_t i = 0; i < count; ++i) {
        destination[2 * i] = UpperHexDigits[bytes[i] >> 4];
        destination[2 * i + 1] = UpperHexDigits[bytes[i] & 0x0F];
    }
    destination[2 * count] = '\0';
    return count;
}

void FormatDottedQuad(const uint8_t (&address)[4], char (&text)[DottedQuadTextSize])
{
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned{address[0]}, unsigned{address[1]},
                  unsigned{address[2]}, unsigned{address[3]});
}

void ServerAddressText(const uint8_t (&network)[4], const uint8_t (&node)[6],
                       char (&text)[ServerAddressTextLength + 1])
{
    char networkDigits[9];
    char nodeDigits[13];
    BytesToHex(networkDigits, sizeof networkDigits, network, sizeof network);
    BytesToHex(nodeDigits, sizeof nodeDigits, node, sizeof node);
    std::snprintf(text, sizeof text, "[%s][%s]", networkDigits, nodeDigits);
}

bool ParseServerAddressText(std::string_view entry, uint8_t (&address)[10])
{
    if (entry.size() != ServerAddressTextLength || entry[0] != '[' || entry[9] != ']' || entry[10] != '[' ||
        entry[23] != ']')
        return false;
    std::string_view network = entry.substr(1, 8);
    std::string_view node = entry.substr(11, 12);
    if (!HexTextRule(network) || !HexTextRule(node))
        return false;
    HexToBytes(address, 4, network, 8);
    HexToBytes(address + 4, 6, node, 12);
    return true;
}

} // namespace rax
