#include "passwords.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "base64.h"

namespace storeldif {

namespace {

uint32_t Rotl(uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

}  // namespace

std::string Sha1(std::string_view data)
{
    uint32_t h[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
    std::string message(data);
    uint64_t bits = static_cast<uint64_t>(data.size()) * 8;
    message += '\x80';
    while (message.size() % 64 != 56)
        message += '\0';
    for (int i = 7; i >= 0; --i)
        message += static_cast<char>((bits >> (i * 8)) & 0xFF);
    for (size_t block = 0; block < message.size(); block += 64) {
        uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            const auto *p = reinterpret_cast<const unsigned char *>(message.data() + block + i * 4);
            w[i] = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
        }
        for (int i = 16; i < 80; ++i)
            w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999u;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1u;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDCu;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6u;
            }
            uint32_t t = Rotl(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = Rotl(b, 30);
            b = a;
            a = t;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    std::string digest;
    for (uint32_t word : h)
        for (int i = 3; i >= 0; --i)
            digest += static_cast<char>((word >> (i * 8)) & 0xFF);
    return digest;
}

std::string SaltedSha1(std::string_view password, std::string_view salt)
{
    std::string both = Sha1(std::string(password) + std::string(salt)) + std::string(salt);
    return "{SSHA}" + dirstore::Base64Encode(reinterpret_cast<const uint8_t *>(both.data()), both.size());
}

std::string RandomBytes(size_t count)
{
    std::ifstream in("/dev/urandom", std::ios::binary);
    std::string bytes(count, '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(count)))
        return {};
    return bytes;
}

bool PasswordOfFile(const std::string &path, std::string &password)
{
    std::ifstream in(path, std::ios::binary);
    if (in) {
        std::ostringstream text;
        text << in.rdbuf();
        password = text.str();
        while (!password.empty() && (password.back() == '\n' || password.back() == '\r'))
            password.pop_back();
        return !password.empty();
    }
    // 18 random bytes as 24 characters of base64 without '+' and '/'.
    std::string random = RandomBytes(18);
    if (random.empty())
        return false;
    password = dirstore::Base64Encode(reinterpret_cast<const uint8_t *>(random.data()), random.size());
    for (char &c : password)
        c = c == '+' ? 'x' : c == '/' ? 'y' : c;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return false;
    bool written = ::write(fd, password.data(), password.size()) == static_cast<ssize_t>(password.size());
    return ::close(fd) == 0 && written;
}

}  // namespace storeldif
