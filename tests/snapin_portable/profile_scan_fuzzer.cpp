// Arbitrary bytes as a stored profile value and as the other stored records:
// no scan or decoder may read outside the value, every item found lies inside
// it, and the fixed records survive a decode and encode unchanged.
#include "core/attribute_formats.h"
#include "core/byte_cursor.h"
#include "core/profile_items.h"

#include <cstdlib>
#include <cstring>
#include <vector>

using namespace rax;

static void Check(bool condition)
{
    if (!condition)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A copy of exactly `size` bytes, so the sanitizer sees any read past it.
    std::vector<uint8_t> value(data, data + size);
    const uint8_t *bytes = value.empty() ? nullptr : value.data();

    // Walking the items: each lies wholly inside the value, one after the other.
    ByteReader stream(bytes, size);
    ProfileItem item{};
    std::size_t expectedOffset = 0;
    while (ReadProfileItem(stream, item)) {
        Check(item.offset == expectedOffset);
        Check(item.offset + item.Size() <= size);
        Check(item.length == 0 || (item.data >= bytes && item.data + item.length <= bytes + size));
        expectedOffset += item.Size();
    }
    Check(stream.Position() == expectedOffset);

    // Every tag's lookup into a destination of the caller's size.
    const uint16_t tags[] = {TagIpxAddress, TagHomeServerAddress, TagHomeServerName, TagDomainServer,
                             TagDomainName, TagTftpServer, TagBootFile};
    for (uint16_t tag : tags) {
        uint8_t small[5];
        uint8_t ipx[13];
        char text[58];
        FindProfileItem(bytes, size, tag, small, sizeof small);
        FindProfileItem(bytes, size, tag, ipx, sizeof ipx);
        if (FindProfileItem(bytes, size, tag, text, sizeof text))
            Check(std::memchr(text, 0, sizeof text) != nullptr);
        ByteReader collect(bytes, size);
        ProfileItem found{};
        std::size_t lastEnd = 0;
        while (FindNextProfileItem(collect, tag, found)) {
            Check(found.tag == tag && found.offset >= lastEnd);
            lastEnd = found.offset + found.Size();
            Check(collect.Position() == lastEnd);
        }
    }

    // The value as an octet-string block of exactly its size.
    ByteView view = OctetStringBlockBytes(bytes, size);
    Check(view.size == 0 || view.data + view.size <= bytes + size);

    // Password parameters: decode then encode gives back the first 46 bytes.
    PasswordParametersValue parameters{};
    bool whole = DecodePasswordParameters(bytes, size, parameters);
    Check(whole == (size >= PasswordParametersSize));
    uint8_t encoded[PasswordParametersSize];
    EncodePasswordParameters(parameters, encoded);
    std::size_t compared = size < PasswordParametersSize ? size : PasswordParametersSize;
    Check(compared == 0 || std::memcmp(encoded, bytes, compared) == 0);
    for (std::size_t i = compared; i < PasswordParametersSize; ++i)
        Check(encoded[i] == 0);

    // A stored telephone number of any length fits the fixed area.
    DialbackNumberValue number{};
    DecodeDialbackNumber(reinterpret_cast<const char *>(bytes), size, number);
    Check(std::strlen(number.text) <= DialbackNumberMaxLength);
    return 0;
}
