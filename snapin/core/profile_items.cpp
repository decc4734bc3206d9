#include "core/profile_items.h"

#include <cstring>

namespace rax {

bool ReadProfileItem(ByteReader &stream, ProfileItem &item)
{
    if (!stream.CanRead(ProfileItemHeaderSize))
        return false;
    ByteReader header(stream.Here(), ProfileItemHeaderSize);
    uint16_t tag = 0;
    uint32_t length = 0;
    header.ReadU16(tag);
    header.ReadU32(length);
    // The data must lie inside the value; an item that runs past its end is
    // damage, and nothing from there on can be trusted to be an item.
    if (stream.Remaining() - ProfileItemHeaderSize < length)
        return false;
    item.tag = tag;
    item.offset = stream.Position();
    item.length = length;
    item.data = stream.Here() + ProfileItemHeaderSize;
    stream.Skip(ProfileItemHeaderSize + static_cast<std::size_t>(length));
    return true;
}

bool FindNextProfileItem(ByteReader &stream, uint16_t tag, ProfileItem &item)
{
    ProfileItem candidate{};
    while (ReadProfileItem(stream, candidate)) {
        if (candidate.tag == tag) {
            item = candidate;
            return true;
        }
    }
    return false;
}

bool FindProfileItem(const uint8_t *bytes, std::size_t length, uint16_t tag,
                     void *destination, std::size_t capacity)
{
    ByteReader stream(bytes, length);
    ProfileItem item{};
    if (!FindNextProfileItem(stream, tag, item))
        return false;
    if (capacity == 0)
        return true;
    auto *out = static_cast<uint8_t *>(destination);
    std::memset(out, 0, capacity);
    std::size_t n = item.length < capacity - 1 ? item.length : capacity - 1;
    if (n != 0)
        std::memcpy(out, item.data, n);
    return true;
}

bool WriteProfileItem(ByteWriter &stream, uint16_t tag, const void *data, uint32_t length)
{
    if (stream.Failed() || stream.Remaining() < ProfileItemHeaderSize + static_cast<std::size_t>(length))
        return false;
    stream.WriteU16(tag);
    stream.WriteU32(length);
    return stream.WriteBytes(data, length);
}

} // namespace rax
