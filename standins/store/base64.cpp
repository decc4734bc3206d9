#include "base64.h"

namespace dirstore {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Sextet(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

}  // namespace

std::string Base64Encode(const uint8_t *data, size_t size)
{
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    for (size_t i = 0; i < size; i += 3) {
        uint32_t chunk = static_cast<uint32_t>(data[i]) << 16;
        if (i + 1 < size)
            chunk |= static_cast<uint32_t>(data[i + 1]) << 8;
        if (i + 2 < size)
            chunk |= data[i + 2];
        out += kAlphabet[(chunk >> 18) & 63];
        out += kAlphabet[(chunk >> 12) & 63];
        out += i + 1 < size ? kAlphabet[(chunk >> 6) & 63] : '=';
        out += i + 2 < size ? kAlphabet[chunk & 63] : '=';
    }
    return out;
}

std::optional<std::vector<uint8_t>> Base64Decode(std::string_view text)
{
    std::string clean;
    clean.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t')
            clean += c;
    if (clean.size() % 4 != 0)
        return std::nullopt;
    std::vector<uint8_t> out;
    out.reserve(clean.size() / 4 * 3);
    for (size_t i = 0; i < clean.size(); i += 4) {
        bool last = i + 4 == clean.size();
        int pad = 0;
        uint32_t chunk = 0;
        for (size_t j = 0; j < 4; ++j) {
            char c = clean[i + j];
            int v;
            if (c == '=' && last && j >= 2) {
                v = 0;
                ++pad;
            } else {
                if (pad > 0)
                    return std::nullopt;   // data after padding
                v = Sextet(c);
                if (v < 0)
                    return std::nullopt;
            }
            chunk = (chunk << 6) | static_cast<uint32_t>(v);
        }
        out.push_back(static_cast<uint8_t>(chunk >> 16));
        if (pad < 2)
            out.push_back(static_cast<uint8_t>(chunk >> 8));
        if (pad < 1)
            out.push_back(static_cast<uint8_t>(chunk));
    }
    return out;
}

}  // namespace dirstore
