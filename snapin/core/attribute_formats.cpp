#include "core/attribute_formats.h"

#include "core/byte_cursor.h"
#include "core/heap.h"

#include <cstring>
#include <limits>

namespace rax {

ByteView OctetStringBlockBytes(const void *block, std::size_t blockSize)
{
    if (!block || blockSize < OctetStringHeaderSize)
        return {nullptr, 0};
    ByteReader header(block, OctetStringHeaderSize);
    uint32_t length = 0;
    header.ReadU32(length);
    std::size_t room = blockSize - OctetStringHeaderSize;
    return {static_cast<const uint8_t *>(block) + OctetStringHeaderSize, length < room ? length : room};
}

OctetString *NewOctetStringBlock(std::size_t length)
{
    if (length > std::numeric_limits<uint32_t>::max() ||
        length > std::numeric_limits<std::size_t>::max() - OctetStringHeaderSize)
        return nullptr;
    auto *block = static_cast<OctetString *>(AllocZeroed(OctetStringHeaderSize + length));
    if (!block)
        return nullptr;
    block->length = static_cast<uint32_t>(length);
    block->bytes = reinterpret_cast<uint8_t *>(block) + OctetStringHeaderSize;
    return block;
}

bool DecodeDialbackNumber(const char *text, std::size_t length, DialbackNumberValue &value)
{
    std::memset(&value, 0, sizeof value);
    std::size_t n = 0;
    while (n < length && text[n] != '\0')
        ++n;
    bool whole = n <= DialbackNumberMaxLength;
    if (!whole)
        n = DialbackNumberMaxLength;
    std::memcpy(value.text, text, n);
    return whole;
}

bool DialbackNumbersEqual(const DialbackNumberValue &a, const DialbackNumberValue &b)
{
    return std::strncmp(a.text, b.text, DialbackNumberMaxLength) == 0;
}

PasswordParametersValue DefaultPasswordParameters()
{
    PasswordParametersValue value{};
    value.AllowChange = DefaultAllowChange;
    value.DisableAfterDays = DefaultDisableAfterDays;
    return value;
}

bool DecodePasswordParameters(const uint8_t *bytes, std::size_t length, PasswordParametersValue &value)
{
    uint8_t raw[PasswordParametersSize] = {};
    std::size_t n = length < PasswordParametersSize ? length : PasswordParametersSize;
    if (n != 0)
        std::memcpy(raw, bytes, n);

    ByteReader in(raw, sizeof raw);
    value = PasswordParametersValue{};
    in.ReadI32(value.AllowChange);
    in.ReadI32(value.DisableAfterDays);
    in.ReadI32(value.DisableAt);
    for (uint32_t &word : value.ZeroedWords)
        in.ReadU32(word);
    in.ReadBytes(value.Preserved24, sizeof value.Preserved24);
    in.ReadU8(value.PasswordFlags);
    in.ReadU8(value.Preserved27);
    in.ReadBytes(value.EncodedPassword, sizeof value.EncodedPassword);
    in.ReadBytes(value.Preserved44, sizeof value.Preserved44);
    return length >= PasswordParametersSize;
}

void EncodePasswordParameters(const PasswordParametersValue &value, uint8_t (&bytes)[PasswordParametersSize])
{
    ByteWriter out(bytes, sizeof bytes);
    out.WriteI32(value.AllowChange);
    out.WriteI32(value.DisableAfterDays);
    out.WriteI32(value.DisableAt);
    for (uint32_t word : value.ZeroedWords)
        out.WriteU32(word);
    out.WriteBytes(value.Preserved24, sizeof value.Preserved24);
    out.WriteU8(value.PasswordFlags);
    out.WriteU8(value.Preserved27);
    out.WriteBytes(value.EncodedPassword, sizeof value.EncodedPassword);
    out.WriteBytes(value.Preserved44, sizeof value.Preserved44);
}

bool PasswordParametersChanged(const PasswordParametersValue &asRead, const PasswordParametersValue &edited)
{
    return asRead.AllowChange != edited.AllowChange || asRead.DisableAfterDays != edited.DisableAfterDays ||
           std::memcmp(asRead.EncodedPassword, edited.EncodedPassword, EncodedPasswordSize) != 0;
}

StringSlotArray *NewStringSlotArray(std::size_t count, std::size_t slotSize, bool recordFirstSlot)
{
    if (count > std::numeric_limits<uint32_t>::max() ||
        (slotSize != 0 && count > (std::numeric_limits<std::size_t>::max() - StringSlotArrayHeaderSize) / slotSize))
        return nullptr;
    auto *array = static_cast<StringSlotArray *>(AllocZeroed(StringSlotArrayHeaderSize + count * slotSize));
    if (!array)
        return nullptr;
    array->count = static_cast<uint32_t>(count);
    if (recordFirstSlot && sizeof(void *) == sizeof(uint32_t))
        array->firstSlot = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(StringSlot(array, 0, slotSize)));
    return array;
}

WriteAction DecideSingleValueWrite(bool readAbsent, bool editedAbsent, bool equal)
{
    if (readAbsent && editedAbsent)
        return WriteAction::None;
    if (!readAbsent && !editedAbsent && equal)
        return WriteAction::None;
    if (readAbsent)
        return WriteAction::Add;
    if (editedAbsent)
        return WriteAction::Remove;
    return WriteAction::Replace;
}

WriteAction DecideIntegerWrite(int32_t asRead, int32_t edited, int32_t absentMarker)
{
    return DecideSingleValueWrite(asRead == absentMarker, edited == absentMarker, asRead == edited);
}

} // namespace rax
