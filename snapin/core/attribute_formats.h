// The remote-access attributes the snap-in keeps in the directory: their
// names, syntaxes, value records, the markers held for absent values, and the
// rule by which a single-valued attribute is written. This is a contract with
// the access servers that read the values, so every fixed layout is asserted.
// Values are decoded and encoded from their bytes (little-endian), never by
// laying a record over a buffer.
#ifndef RAX_ATTRIBUTE_FORMATS_H
#define RAX_ATTRIBUTE_FORMATS_H

#include <cstddef>
#include <cstdint>

namespace rax {

// ---- Attribute and class names -------------------------------------------

inline constexpr const char AttrSessionParameters[] = "Dravon Session Parameters";
inline constexpr const char AttrDialbackFlag[] = "Dravon DialbackFlag";
inline constexpr const char AttrPasswordParameters[] = "Dravon Password Parameters";
inline constexpr const char AttrDialbackNumber[] = "Dravon DialbackNumber";
inline constexpr const char AttrArasZone[] = "Dravon ARAS Zone";
inline constexpr const char AttrIpxProfile[] = "Dravon IPX Profile";
inline constexpr const char AttrIpProfile[] = "Dravon IP Profile";
inline constexpr const char AttrIdleTimeout[] = "Dravon Idle Timeout";
inline constexpr const char AttrIpAddressPoolFlag[] = "Dravon IP Address Pool Flag";
inline constexpr const char AttrIpFilters[] = "Dravon IP Filters";
// A standard attribute of the directory's user class; read, never written.
inline constexpr const char AttrPasswordMinimumLength[] = "Password Minimum Length";

// Class names as the schema is extended with them (lower case).
inline constexpr const char ClassUser[] = "user";
inline constexpr const char ClassOrganizationalUnit[] = "organizational unit";
inline constexpr const char ClassOrganization[] = "organization";
inline constexpr const char ClassLocality[] = "locality";
inline constexpr const char ClassCountry[] = "country";

// ---- Syntaxes --------------------------------------------------------------

inline constexpr uint32_t SyntaxInteger = 8;          // 32-bit signed integer
inline constexpr uint32_t SyntaxOctetString = 9;      // OctetString record and its bytes
inline constexpr uint32_t SyntaxTelephoneNumber = 10; // NUL-ended text

// ---- OctetString -------------------------------------------------------------

// How the directory client library carries an octet string: the number of
// value bytes and their address. In every block read with a capacity and in
// every block the pages build, the bytes lie directly behind the record and
// the address points there. On 32-bit Windows the record is 8 bytes; in a
// 64-bit native build the address field is wider, so the bytes start at
// sizeof(OctetString) rather than 8 - code uses OctetStringHeaderSize.
struct OctetString {
    uint32_t length;
    uint8_t *bytes;
};
static_assert(offsetof(OctetString, length) == 0);
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(OctetString) == 8 && offsetof(OctetString, bytes) == 4,
              "the library's octet-string record: 32-bit length, 32-bit address");
#endif
inline constexpr std::size_t OctetStringHeaderSize = sizeof(OctetString);

// The value bytes of an octet-string block of `blockSize` bytes, read from
// the bytes behind the record (the address field is not trusted). The length
// is cut to what the block holds, so a damaged length never leads a reader
// past the block.
struct ByteView {
    const uint8_t *data;
    std::size_t size;
};
ByteView OctetStringBlockBytes(const void *block, std::size_t blockSize);

// A zero-filled octet-string block from AllocZeroed holding `length` value
// bytes behind the record, with its length and address fields set; nullptr
// when memory ran out. Release it with FreeBlock.
OctetString *NewOctetStringBlock(std::size_t length);

// ---- Integer values and their absent markers --------------------------------

// "Dravon Session Parameters" and "Dravon Idle Timeout": minutes, -1 = no
// limit, pages accept -1..100000; an absent attribute is held as -2.
using SessionParametersValue = int32_t;
using IdleTimeoutValue = int32_t;
inline constexpr int32_t MinutesNoLimit = -1;
inline constexpr int32_t MinutesAbsent = -2;
inline constexpr int32_t MinutesMinimum = -1;
inline constexpr int32_t MinutesMaximum = 100000;

// "Dravon DialbackFlag": bits 0..1 the mode, bit 2 the dial-in port; an
// absent attribute ("Use Global Default Dialback Mode") is held as -1.
using DialbackFlagValue = int32_t;
inline constexpr int32_t DialbackFlagAbsent = -1;
inline constexpr int32_t DialbackPortBit = 4;
inline constexpr int32_t DialbackModeNone = 0;
inline constexpr int32_t DialbackModeForceNumber = 1;
inline constexpr int32_t DialbackModeUserRequest = 2;
inline constexpr int32_t DialbackModeCallerNumber = 3;
inline constexpr int32_t DialbackMode(DialbackFlagValue flag) { return flag & ~DialbackPortBit; }
inline constexpr bool DialbackUsesPort(DialbackFlagValue flag) { return (flag & DialbackPortBit) != 0; }

// "Password Minimum Length": absent means no minimum.
using PasswordMinimumLengthValue = int32_t;
inline constexpr int32_t PasswordMinimumLengthAbsent = 0;

// "Dravon IP Address Pool Flag": in the schema only.
using IpAddressPoolFlagValue = int32_t;

// ---- Texts -----------------------------------------------------------------

// "Dravon DialbackNumber": at most 40 characters and a NUL; absent = empty.
inline constexpr std::size_t DialbackNumberMaxLength = 40;
struct DialbackNumberValue {
    char text[DialbackNumberMaxLength + 1];
};
static_assert(sizeof(DialbackNumberValue) == 41);

// Copies a telephone-number text of `length` bytes (up to its first NUL) into
// the fixed area, cut to 40 characters; returns false when it had to cut.
bool DecodeDialbackNumber(const char *text, std::size_t length, DialbackNumberValue &value);

// The page compares the first 40 characters of the two numbers.
bool DialbackNumbersEqual(const DialbackNumberValue &a, const DialbackNumberValue &b);

// "Dravon ARAS Zone": one value per zone, the name and its NUL; names have
// 1..33 characters and travel in 34-byte slots.
inline constexpr std::size_t ZoneNameMaxLength = 33;
inline constexpr std::size_t ZoneSlotSize = 34;

// ---- PasswordParametersValue ---------------------------------------------------

inline constexpr std::size_t PasswordParametersSize = 46;
inline constexpr std::size_t EncodedPasswordSize = 16;
inline constexpr uint8_t PasswordFlagShort = 0x01; // bit 0 of PasswordFlags

#pragma pack(push, 1)
struct PasswordParametersValue {
    int32_t AllowChange;          // 1 = the user may change the password
    int32_t DisableAfterDays;     // 0..365, -1 = never
    int32_t DisableAt;            // seconds since 1970 (UTC), -1 = never
    uint32_t ZeroedWords[3];      // cleared whenever the age settings are stored
    uint8_t Preserved24[2];
    uint8_t PasswordFlags;
    uint8_t Preserved27;
    uint8_t EncodedPassword[EncodedPasswordSize];
    uint8_t Preserved44[2];
};
#pragma pack(pop)
static_assert(sizeof(PasswordParametersValue) == PasswordParametersSize);
static_assert(offsetof(PasswordParametersValue, AllowChange) == 0);
static_assert(offsetof(PasswordParametersValue, DisableAfterDays) == 4);
static_assert(offsetof(PasswordParametersValue, DisableAt) == 8);
static_assert(offsetof(PasswordParametersValue, ZeroedWords) == 12);
static_assert(offsetof(PasswordParametersValue, Preserved24) == 24);
static_assert(offsetof(PasswordParametersValue, PasswordFlags) == 26);
static_assert(offsetof(PasswordParametersValue, Preserved27) == 27);
static_assert(offsetof(PasswordParametersValue, EncodedPassword) == 28);
static_assert(offsetof(PasswordParametersValue, Preserved44) == 44);

inline constexpr int32_t DefaultAllowChange = 1;
inline constexpr int32_t DefaultDisableAfterDays = 30;
inline constexpr int32_t DisableNever = -1;

// What a user without the attribute is shown: AllowChange 1, 30 days, every
// other byte 0.
PasswordParametersValue DefaultPasswordParameters();

// Decodes the value's bytes. A value shorter than 46 bytes is decoded as far
// as it goes, the rest left 0, and false is returned; bytes beyond 46 are
// ignored.
bool DecodePasswordParameters(const uint8_t *bytes, std::size_t length, PasswordParametersValue &value);

// Encodes the 46 bytes of the value.
void EncodePasswordParameters(const PasswordParametersValue &value, uint8_t (&bytes)[PasswordParametersSize]);

// True when the stored value must be written: AllowChange, DisableAfterDays
// or a byte of EncodedPassword differs (a change of DisableAt alone does not).
bool PasswordParametersChanged(const PasswordParametersValue &asRead, const PasswordParametersValue &edited);

// ---- StringSlotArray --------------------------------------------------------

// A 32-bit count, a 32-bit word with the address of the first slot (0 where
// nothing records it), then `count` slots of a fixed size, each one
// NUL-ended text. Slots start 8 bytes into the block on every target.
struct StringSlotArray {
    uint32_t count;
    uint32_t firstSlot;
};
static_assert(sizeof(StringSlotArray) == 8 && offsetof(StringSlotArray, firstSlot) == 4);
inline constexpr std::size_t StringSlotArrayHeaderSize = 8;

inline char *StringSlot(StringSlotArray *array, std::size_t index, std::size_t slotSize)
{
    return reinterpret_cast<char *>(array) + StringSlotArrayHeaderSize + index * slotSize;
}
inline const char *StringSlot(const StringSlotArray *array, std::size_t index, std::size_t slotSize)
{
    return reinterpret_cast<const char *>(array) + StringSlotArrayHeaderSize + index * slotSize;
}

// A zero-filled array of `count` slots from AllocZeroed with its count set and,
// when `recordFirstSlot`, the first slot's address in the second word (kept
// only where addresses are 32-bit; nothing reads it). nullptr when memory ran
// out or the size does not fit.
StringSlotArray *NewStringSlotArray(std::size_t count, std::size_t slotSize, bool recordFirstSlot);

// ---- Writing single-valued attributes --------------------------------------------

// What a save does with one single-valued attribute, given whether the value
// as read (A) and the edited value (E) are absent and whether they are equal.
enum class WriteAction {
    None,    // A equals E
    Add,     // A absent: old none, new E
    Remove,  // E absent: old A, new none
    Replace, // old A, new E
};

WriteAction DecideSingleValueWrite(bool readAbsent, bool editedAbsent, bool equal);

// The same for an integer attribute whose absent value is held as `absentMarker`.
WriteAction DecideIntegerWrite(int32_t asRead, int32_t edited, int32_t absentMarker);

} // namespace rax

#endif
