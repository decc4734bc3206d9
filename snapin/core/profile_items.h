// The item stream of "Dravon IPX Profile" and "Dravon IP Profile": packed
// items of a 16-bit tag, an unaligned 32-bit data length n and n data bytes,
// with no count, padding or terminator. Every scan takes the value's length
// explicitly and reads through ByteReader; an item whose length runs past the
// end of the value ends the scan there (it and anything behind it are not
// items), so no reader ever looks beyond the value.
#ifndef RAX_PROFILE_ITEMS_H
#define RAX_PROFILE_ITEMS_H

#include "core/byte_cursor.h"

#include <cstddef>
#include <cstdint>

namespace rax {

inline constexpr uint16_t TagIpxAddress = 0xC001;        // 12 bytes: address, then mask
inline constexpr uint16_t TagHomeServerAddress = 0xC002; // 10 bytes: network 4, node 6
inline constexpr uint16_t TagHomeServerName = 0xC003;    // name and its NUL
inline constexpr uint16_t TagDomainServer = 0x8006;      // 4 bytes IPv4
inline constexpr uint16_t TagDomainName = 0x800F;        // name and its NUL
inline constexpr uint16_t TagTftpServer = 0x8035;        // 4 bytes IPv4
inline constexpr uint16_t TagBootFile = 0x8037;          // file name and its NUL

// The item header as it lies in the stream.
#pragma pack(push, 1)
struct ProfileItemHeader {
    uint16_t tag;
    uint32_t length;
};
#pragma pack(pop)
static_assert(sizeof(ProfileItemHeader) == 6);
static_assert(offsetof(ProfileItemHeader, tag) == 0 && offsetof(ProfileItemHeader, length) == 2);
inline constexpr std::size_t ProfileItemHeaderSize = sizeof(ProfileItemHeader);

inline constexpr std::size_t IpxAddressItemSize = 12;     // data bytes of TagIpxAddress
inline constexpr std::size_t HomeServerAddressSize = 10;  // data bytes of TagHomeServerAddress
inline constexpr std::size_t Ipv4ItemSize = 4;            // data bytes of the IPv4 items

// One item found in a stream: its tag, where it starts, and its data, all of
// which lies inside the value.
struct ProfileItem {
    uint16_t tag;
    std::size_t offset;     // of the item's header from the start of the stream
    const uint8_t *data;
    uint32_t length;        // n
    std::size_t Size() const { return ProfileItemHeaderSize + length; }
};

// Reads the item at the reader's position and moves behind it. Returns false
// at the end of the stream, and when the rest of the stream is too short for a
// header or for the data its length announces; the reader then stays at that
// item, and the scan is over.
bool ReadProfileItem(ByteReader &stream, ProfileItem &item);

// The collecting scan: from the reader's position, the next item with `tag`
// (other tags, unknown ones included, are stepped over by their length). On
// success the reader stands behind the item.
bool FindNextProfileItem(ByteReader &stream, uint16_t tag, ProfileItem &item);

// The first item with `tag` in the stream of `length` bytes: copies its data
// into `destination` followed by a NUL and returns true; false when no item
// has the tag. `capacity` is the destination's size: data that would not
// leave room for the NUL is cut (a damaged or over-long item never overruns
// the caller's area), and the destination is zero-filled first, so an item
// shorter than the caller expects leaves zeros behind its data.
bool FindProfileItem(const uint8_t *bytes, std::size_t length, uint16_t tag,
                     void *destination, std::size_t capacity);

// Appends one item to a stream being built; false (and nothing written) when
// it does not fit.
bool WriteProfileItem(ByteWriter &stream, uint16_t tag, const void *data, uint32_t length);

} // namespace rax

#endif
