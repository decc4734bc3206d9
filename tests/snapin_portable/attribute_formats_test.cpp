#include "core/attribute_formats.h"
#include "core/byte_cursor.h"
#include "core/heap.h"

#include <gtest/gtest.h>

#include <cstring>

namespace rax {
namespace {

TEST(ByteReader, RefusesEveryReadPastTheEndAndStaysFailed)
{
    const uint8_t bytes[] = {0x01, 0xC0, 0x0C, 0x00, 0x00};
    ByteReader in(bytes, sizeof bytes);
    uint16_t tag = 0;
    uint32_t length = 0xDEADBEEF;
    ASSERT_TRUE(in.ReadU16(tag));
    EXPECT_EQ(tag, 0xC001);
    EXPECT_FALSE(in.ReadU32(length)) << "only 3 bytes left";
    EXPECT_EQ(length, 0xDEADBEEFu) << "a refused read leaves the destination alone";
    EXPECT_EQ(in.Position(), 2u);
    uint8_t one = 0;
    EXPECT_FALSE(in.ReadU8(one)) << "a failed reader keeps failing";
    EXPECT_FALSE(in.Skip(static_cast<std::size_t>(-1)));
}


TEST(OctetStringBlock, BytesLieBehindTheRecordAndTheLengthIsCutToTheBlock)
{
    OctetString *block = NewOctetStringBlock(5);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->length, 5u);
    EXPECT_EQ(block->bytes, reinterpret_cast<uint8_t *>(block) + OctetStringHeaderSize);
    ByteView view = OctetStringBlockBytes(block, OctetStringHeaderSize + 5);
    EXPECT_EQ(view.data, block->bytes);
    EXPECT_EQ(view.size, 5u);

    block->length = 1000; // damaged: announces more than the block holds
    view = OctetStringBlockBytes(block, OctetStringHeaderSize + 5);
    EXPECT_EQ(view.size, 5u);
    EXPECT_EQ(OctetStringBlockBytes(block, 3).size, 0u) << "a block smaller than the record holds nothing";
    FreeBlock(block);
}


TEST(PasswordParameters, EveryFieldAtItsOffsetAndPreservedBytesSurviveARoundTrip)
{
    uint8_t stored[PasswordParametersSize];
    for (std::size_t i = 0; i < sizeof stored; ++i)
        stored[i] = static_cast<uint8_t>(0xA0 + i);
    PasswordParametersValue value{};
    ASSERT_TRUE(DecodePasswordParameters(stored, sizeof stored, value));
    EXPECT_EQ(static_cast<uint32_t>(value.AllowChange), 0xA3A2A1A0u);
    EXPECT_EQ(static_cast<uint32_t>(value.DisableAfterDays), 0xA7A6A5A4u);
    EXPECT_EQ(static_cast<uint32_t>(value.DisableAt), 0xABAAA9A8u);
    EXPECT_EQ(value.ZeroedWords[2], 0xB7B6B5B4u);
    EXPECT_EQ(value.Preserved24[0], 0xB8);
    EXPECT_EQ(value.PasswordFlags, 0xBA);
    EXPECT_EQ(value.Preserved27, 0xBB);
    EXPECT_EQ(value.EncodedPassword[0], 0xBC);
    EXPECT_EQ(value.EncodedPassword[15], 0xCB);
    EXPECT_EQ(value.Preserved44[1], 0xCD);

    uint8_t written[PasswordParametersSize];
    EncodePasswordParameters(value, written);
    EXPECT_EQ(std::memcmp(written, stored, sizeof stored), 0);
}

TEST(PasswordParameters, AShortStoredValueDecodesAsFarAsItGoes)
{
    const uint8_t stored[] = {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 9};
    PasswordParametersValue value = DefaultPasswordParameters();
    EXPECT_FALSE(DecodePasswordParameters(stored, sizeof stored, value));
    EXPECT_EQ(value.AllowChange, 1);
    EXPECT_EQ(value.DisableAfterDays, -1);
    EXPECT_EQ(value.DisableAt, 9);
    EXPECT_EQ(value.EncodedPassword[0], 0);
}

TEST(PasswordParameters, OnlyPolicyAndPasswordChangesCallForAWrite)
{
    PasswordParametersValue read = DefaultPasswordParameters();
    PasswordParametersValue edited = read;
    edited.DisableAt = 123456;
    edited.ZeroedWords[0] = 7;
    EXPECT_FALSE(PasswordParametersChanged(read, edited)) << "DisableAt alone causes no write";
    edited.EncodedPassword[15] = 1;
    EXPECT_TRUE(PasswordParametersChanged(read, edited));
    edited = read;
    edited.DisableAfterDays = 31;
    EXPECT_TRUE(PasswordParametersChanged(read, edited));
}

TEST(DialbackFlag, ModeAndPortBit)
{
    EXPECT_EQ(DialbackMode(6), DialbackModeUserRequest);
    EXPECT_TRUE(DialbackUsesPort(6));
    EXPECT_EQ(DialbackMode(4), DialbackModeNone);
    EXPECT_TRUE(DialbackUsesPort(4));
    EXPECT_EQ(DialbackMode(3), DialbackModeCallerNumber);
    EXPECT_FALSE(DialbackUsesPort(3));
}

TEST(DialbackNumber, LongerStoredNumbersAreCutTo40AndComparedOnThoseOnly)
{
    char stored[60];
    std::memset(stored, '5', sizeof stored);
    DialbackNumberValue a{}, b{};
    EXPECT_FALSE(DecodeDialbackNumber(stored, sizeof stored, a));
    EXPECT_EQ(std::strlen(a.text), 40u);
    stored[45] = '\0';
    EXPECT_FALSE(DecodeDialbackNumber(stored, sizeof stored, b));
    EXPECT_TRUE(DialbackNumbersEqual(a, b));
    EXPECT_TRUE(DecodeDialbackNumber("555-1234", 9, b));
    EXPECT_STREQ(b.text, "555-1234");
    EXPECT_FALSE(DialbackNumbersEqual(a, b));
}

TEST(SingleValueWrite, TheFourCasesAndTheMarkers)
{
    EXPECT_EQ(DecideIntegerWrite(-2, -2, MinutesAbsent), WriteAction::None);
    EXPECT_EQ(DecideIntegerWrite(30, 30, MinutesAbsent), WriteAction::None);
    EXPECT_EQ(DecideIntegerWrite(-2, 30, MinutesAbsent), WriteAction::Add);
    EXPECT_EQ(DecideIntegerWrite(-2, -1, MinutesAbsent), WriteAction::Add) << "-1 is a value: no limit";
    EXPECT_EQ(DecideIntegerWrite(30, -2, MinutesAbsent), WriteAction::Remove);
    EXPECT_EQ(DecideIntegerWrite(30, 45, MinutesAbsent), WriteAction::Replace);
    EXPECT_EQ(DecideIntegerWrite(-1, 2, DialbackFlagAbsent), WriteAction::Add);
    EXPECT_EQ(DecideIntegerWrite(6, -1, DialbackFlagAbsent), WriteAction::Remove);
    EXPECT_EQ(DecideSingleValueWrite(true, false, false), WriteAction::Add);
    EXPECT_EQ(DecideSingleValueWrite(false, false, true), WriteAction::None);
}

TEST(StringSlotArray, SlotsStartEightBytesIn)
{
    StringSlotArray *array = NewStringSlotArray(3, ZoneSlotSize, true);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->count, 3u);
    auto *base = reinterpret_cast<char *>(array);
    EXPECT_EQ(StringSlot(array, 0, ZoneSlotSize), base + 8);
    EXPECT_EQ(StringSlot(array, 2, ZoneSlotSize), base + 8 + 68);
    if (sizeof(void *) == 4) {
        EXPECT_EQ(array->firstSlot, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base + 8)));
    }
    FreeBlock(array);
}

} // namespace
} // namespace rax
