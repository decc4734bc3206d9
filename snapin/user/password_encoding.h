// The remote client password as the access servers expect it: 8 or 16 bytes
// made from the typed password by gathering bits, rotating and substituting.
// The record and the table below are fixed for good: every password stored
// in a directory depends on them, so they are never changed.
//
// The plain password lives only in the password dialog's own buffers; this
// code keeps no copy and wipes what it used.
#ifndef RAX_PASSWORD_ENCODING_H
#define RAX_PASSWORD_ENCODING_H

#include "core/attribute_formats.h"

#include <cstddef>
#include <cstdint>

namespace rax {

// Ten constant bytes: the gather offset of each bit position 0..7, then the
// seed of the shift list, high byte first.
struct PasswordEncodingRecord {
    uint8_t gatherOffsets[8];
    uint8_t seedHigh;
    uint8_t seedLow;
};
static_assert(sizeof(PasswordEncodingRecord) == 10, "the encoding record is ten bytes");

extern const PasswordEncodingRecord PasswordEncodingParams;

// A permutation of the 256 byte values, indexed by a byte.
extern const uint8_t PasswordSubstitutionTable[256];

inline constexpr uint16_t ShortPasswordLength = 8;  // 1..8 characters: 8 encoded bytes
inline constexpr uint16_t LongPasswordLength = 16;  // 9..16 characters: 16 encoded bytes
inline constexpr std::size_t PasswordMaxLength = 16;

// The eight rotation amounts, worked out from the record's seed.
void PasswordShiftList(const PasswordEncodingRecord &params, uint8_t (&shifts)[8]);

// Output byte `position` before rotation: bit j comes from bit j of input byte
// (position + offset j) mod length.
uint8_t GatherPasswordBits(const uint8_t *input, uint16_t length, const PasswordEncodingRecord &params,
                           uint16_t position);

// Rotates a byte left by `places` (0..7) within 8 bits.
constexpr uint8_t RotateLeft8(uint8_t value, unsigned places)
{
    places &= 7u;
    return static_cast<uint8_t>(((value << places) | (value >> ((8u - places) & 7u))) & 0xFFu);
}

// Encodes `length` (8 or 16) input bytes into `length` output bytes. The input
// is the password's characters, then a zero byte when it is shorter than
// `length`, then zero bytes. Any other length leaves the output alone.
void EncodeRemotePassword(const uint8_t *text, const PasswordEncodingRecord &params, uint8_t *output,
                          uint16_t length);

// Stores a password of 1..16 characters into the value as the access servers
// read it: up to 8 characters encoded into bytes 8..15 of EncodedPassword,
// bytes 0..7 zeroed and bit 0 of PasswordFlags cleared; 9..16 characters
// encoded into all 16 bytes, the flags left alone. False (and the value
// untouched) for an empty or longer password.
bool StoreRemotePassword(PasswordParametersValue &value, const char *password, std::size_t length);

// Overwrites a buffer in a way the compiler may not drop.
void WipeSecret(void *buffer, std::size_t size);

} // namespace rax

#endif
