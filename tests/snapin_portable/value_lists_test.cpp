#include "network/value_lists.h"

#include "core/heap.h"
#include "message_recorder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace rax {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Item(uint16_t tag, const Bytes &data)
{
    Bytes out(ProfileItemHeaderSize + data.size());
    ByteWriter w(out.data(), out.size());
    WriteProfileItem(w, tag, data.data(), static_cast<uint32_t>(data.size()));
    return out;
}

Bytes NameItem(const std::string &name)
{
    Bytes data(name.begin(), name.end());
    data.push_back(0);
    return Item(TagHomeServerName, data);
}

Bytes AddressItem(uint8_t first, std::size_t size = 10)
{
    Bytes data(size, 0);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<uint8_t>(first + i);
    return Item(TagHomeServerAddress, data);
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes &part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

std::vector<std::string> DisplayTexts(const ValueList<ServerNode> &list)
{
    std::vector<std::string> texts;
    for (const ServerNode *node = list.first; node; node = node->next) {
        char text[60];
        HomeServerDisplayText(*node, text, sizeof text);
        texts.emplace_back(text);
    }
    return texts;
}

// Every test starts with no recorded boxes and ends with no heap block left.
class ValueLists : public ::testing::Test {
protected:
    void SetUp() override
    {
        testing::ClearRecordedMessages();
        FailAllocationAt(0);
        blocksBefore_ = OutstandingBlocks();
    }
    void TearDown() override
    {
        FailAllocationAt(0);
        EXPECT_EQ(OutstandingBlocks(), blocksBefore_) << "every block is released";
    }
    long blocksBefore_ = 0;
};

// Runs `build` once with the n-th allocation failing, for n = 1, 2, ... until
// a run needs fewer than n allocations; `check` sees whether that run hit the
// planned failure.
template <class Build> unsigned FailEachAllocation(Build build)
{
    unsigned n = 1;
    for (;; ++n) {
        unsigned before = AllocationCount();
        FailAllocationAt(n);
        build(n);
        unsigned made = AllocationCount() - before;
        FailAllocationAt(0);
        if (made < n)
            return n - 1; // the number of allocations of a run without failure
    }
}

TEST_F(ValueLists, AddressesFirstThenNamesEachInStoredOrder)
{
    Bytes profile = Concat({NameItem("A"), AddressItem(0x10), NameItem("B"), AddressItem(0x20)});
    ValueList<ServerNode> list;
    ASSERT_TRUE(BuildHomeServerList(profile.data(), profile.size(), list));
    EXPECT_EQ(DisplayTexts(list), (std::vector<std::string>{"[10111213][141516171819]", "[20212223][242526272829]",
                                                            "A", "B"}));
    EXPECT_EQ(list.first->kind, ServerByAddress);
    EXPECT_EQ(list.first->next->next->kind, ServerByName);
    FreeValueList(list);
    EXPECT_EQ(list.first, nullptr);
}

TEST_F(ValueLists, OnlyTheIpxAddressItemGivesAnEmptyList)
{
    Bytes profile = Item(TagIpxAddress, Bytes(12, 0x0F));
    ValueList<ServerNode> list;
    EXPECT_TRUE(BuildHomeServerList(profile.data(), profile.size(), list));
    EXPECT_EQ(list.first, nullptr);
    EXPECT_TRUE(BuildHomeServerList(nullptr, 0, list));
    EXPECT_EQ(list.first, nullptr);
}

TEST_F(ValueLists, AnEmptyNameIsShownAsTheZeroAddress)
{
    Bytes profile = Concat({Item(TagHomeServerName, {0}), Item(TagHomeServerName, {})});
    ValueList<ServerNode> list;
    ASSERT_TRUE(BuildHomeServerList(profile.data(), profile.size(), list));
    EXPECT_EQ(DisplayTexts(list),
              (std::vector<std::string>{"[00000000][000000000000]", "[00000000][000000000000]"}));
    FreeValueList(list);
}

TEST_F(ValueLists, AddressItemsGiveExactlyTenBytesAndStepByTheirLength)
{
    // A 14-byte address item whose extra bytes look like an item header must
    // not be read as one; a 9-byte one cannot hold an address and is passed over.
    Bytes longData = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0x03, 0xC0, 0, 0};
    Bytes profile = Concat({Item(TagHomeServerAddress, longData), AddressItem(0x30, 9), AddressItem(0x40)});
    ValueList<ServerNode> list;
    ASSERT_TRUE(BuildHomeServerList(profile.data(), profile.size(), list));
    EXPECT_EQ(DisplayTexts(list), (std::vector<std::string>{"[01020304][05060708090A]", "[40414243][444546474849]"}));
    FreeValueList(list);
}

TEST_F(ValueLists, DamagedProfilesAreReadOnlyUpToTheDamage)
{
    // The last item announces more bytes than the value has: it ends the scan.
    Bytes truncated = Concat({AddressItem(0x10), NameItem("SRV"), {0x03, 0xC0, 50, 0, 0, 0, 'X', 0}});
    ValueList<ServerNode> list;
    ASSERT_TRUE(BuildHomeServerList(truncated.data(), truncated.size(), list));
    EXPECT_EQ(DisplayTexts(list), (std::vector<std::string>{"[10111213][141516171819]", "SRV"}));
    FreeValueList(list);

    // A name without NUL ends at its item; a name longer than a list entry is cut.
    Bytes unterminated = Concat({Item(TagHomeServerName, {'N', 'O', 'N', 'U', 'L'}), NameItem(std::string(200, 'L'))});
    ASSERT_TRUE(BuildHomeServerList(unterminated.data(), unterminated.size(), list));
    std::vector<std::string> texts = DisplayTexts(list);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "NONUL");
    EXPECT_EQ(std::strlen(ServerNodeName(list.first->next)), 59u);
    FreeValueList(list);
}

TEST_F(ValueLists, TakeNextProfileItemMovesTheCursorBehindTheItem)
{
    Bytes profile = Concat({NameItem("A"), AddressItem(0x10), NameItem("B")});
    ByteReader cursor(profile.data(), profile.size());
    ServerNode *node = nullptr;
    ASSERT_EQ(TakeNextProfileItem(cursor, TagHomeServerAddress, node), TakeResult::Taken);
    EXPECT_EQ(cursor.Position(), 24u);
    EXPECT_EQ(cursor.Remaining(), 8u);
    FreeBlock(node);
    EXPECT_EQ(TakeNextProfileItem(cursor, TagHomeServerAddress, node), TakeResult::NoMore);
    EXPECT_EQ(node, nullptr);

    ByteReader again(profile.data(), profile.size());
    FailAllocationAt(1);
    EXPECT_EQ(TakeNextProfileItem(again, TagHomeServerName, node), TakeResult::OutOfMemory);
    EXPECT_EQ(again.Position(), 0u) << "the cursor is not moved";
    EXPECT_EQ(testing::OutOfMemoryReports(), 1u);
}

TEST_F(ValueLists, AFailedNodeEndsTheListAndIsReportedOnce)
{
    Bytes profile = Concat({NameItem("A"), AddressItem(0x10), NameItem("B"), AddressItem(0x20)});
    unsigned allocations = FailEachAllocation([&](unsigned n) {
        testing::ClearRecordedMessages();
        ValueList<ServerNode> list;
        bool complete = BuildHomeServerList(profile.data(), profile.size(), list);
        if (n <= 4) {
            EXPECT_FALSE(complete) << "failure at " << n;
            EXPECT_EQ(CountNodes(list), n - 1) << "what was built before the failure stays";
            EXPECT_EQ(testing::OutOfMemoryReports(), 1u);
        }
        FreeValueList(list);
    });
    EXPECT_EQ(allocations, 4u);
}

TEST_F(ValueLists, ZoneListFromTheArrayInOrderWithLongNamesCut)
{
    StringSlotArray *array = NewStringSlotArray(3, ZoneSlotSize, false);
    ASSERT_NE(array, nullptr);
    std::strcpy(StringSlot(array, 0, ZoneSlotSize), "Sales");
    std::memset(StringSlot(array, 1, ZoneSlotSize), 'Z', ZoneSlotSize); // damaged: no NUL in the slot
    std::strcpy(StringSlot(array, 2, ZoneSlotSize), "Lab");
    ValueList<ZoneNode> list;
    ASSERT_TRUE(BuildZoneList(array, list));
    ASSERT_EQ(CountNodes(list), 3u);
    EXPECT_STREQ(list.first->zoneName, "Sales");
    EXPECT_EQ(std::string(list.first->next->zoneName), std::string(33, 'Z'));
    EXPECT_STREQ(list.first->next->next->zoneName, "Lab");
    FreeValueList(list);

    FailEachAllocation([&](unsigned n) {
        testing::ClearRecordedMessages();
        ValueList<ZoneNode> partial;
        bool complete = BuildZoneList(array, partial);
        if (n <= 3) {
            EXPECT_FALSE(complete);
            EXPECT_EQ(CountNodes(partial), n - 1);
            EXPECT_EQ(testing::OutOfMemoryReports(), 1u);
        }
        FreeValueList(partial);
    });
    FreeBlock(array);
}

Bytes ValueBytes(const OctetString *value)
{
    return Bytes(value->bytes, value->bytes + value->length);
}

TEST_F(ValueLists, IpxProfileWithTheUsersAddressOnlyIsEighteenBytes)
{
    const uint8_t addressAndMask[12] = {0, 0, 0, 0, 0, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    OctetString *value = nullptr;
    ASSERT_EQ(BuildIpxProfileValue(&addressAndMask, ListEntriesOf(nullptr, 0), value), BuildResult::Built);
    EXPECT_EQ(value->length, 18u);
    EXPECT_EQ(value->bytes, reinterpret_cast<uint8_t *>(value) + OctetStringHeaderSize);
    EXPECT_EQ(ValueBytes(value), (Bytes{0x01, 0xC0, 0x0C, 0, 0, 0, 0, 0, 0, 0, 0, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF,
                                        0xFF, 0xFF}));
    FreeBlock(value);
}

TEST_F(ValueLists, IpxProfileWritesNamesBeforeAddresses)
{
    const std::string_view entries[] = {"SRV1", "[0000ABCD][00001B2C3D4E]", "SRV2"};
    OctetString *value = nullptr;
    ASSERT_EQ(BuildIpxProfileValue(nullptr, ListEntriesOf(entries, 3), value), BuildResult::Built);
    Bytes expected = Concat({NameItem("SRV1"), NameItem("SRV2"),
                             Item(TagHomeServerAddress, {0x00, 0x00, 0xAB, 0xCD, 0x00, 0x00, 0x1B, 0x2C, 0x3D, 0x4E})});
    EXPECT_EQ(ValueBytes(value), expected);
    EXPECT_EQ(NameItem("ABCD").size(), 11u) << "a four-character name is an 11-byte item";

    // Reading it back puts the address first.
    ValueList<ServerNode> list;
    ASSERT_TRUE(BuildHomeServerList(value->bytes, value->length, list));
    EXPECT_EQ(DisplayTexts(list), (std::vector<std::string>{"[0000ABCD][00001B2C3D4E]", "SRV1", "SRV2"}));
    FreeValueList(list);
    FreeBlock(value);
}

TEST_F(ValueLists, IpxProfileHoldsEveryItemHoweverManyNames)
{
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i)
        names.push_back("SERVER-WITH-A-RATHER-LONG-NAME-" + std::to_string(i));
    std::vector<std::string_view> entries(names.begin(), names.end());
    entries.push_back("[00000001][000000000002]");
    OctetString *value = nullptr;
    ASSERT_EQ(BuildIpxProfileValue(nullptr, ListEntriesOf(entries.data(), entries.size()), value), BuildResult::Built);
    ValueList<ServerNode> list;
    ASSERT_TRUE(BuildHomeServerList(value->bytes, value->length, list));
    std::vector<std::string> texts = DisplayTexts(list);
    ASSERT_EQ(texts.size(), 41u);
    EXPECT_EQ(texts[0], "[00000001][000000000002]");
    EXPECT_EQ(texts[40], names[39]);
    FreeValueList(list);
    FreeBlock(value);
}

TEST_F(ValueLists, ANameThatOnlyBeginsWithABracketStaysAName)
{
    const std::string_view entries[] = {"[lab]server"};
    OctetString *value = nullptr;
    ASSERT_EQ(BuildIpxProfileValue(nullptr, ListEntriesOf(entries, 1), value), BuildResult::Built);
    EXPECT_EQ(ValueBytes(value), NameItem("[lab]server"));
    FreeBlock(value);
}

TEST_F(ValueLists, NothingToStoreIsEmptyAndAFailedBuildIsNot)
{
    OctetString *value = reinterpret_cast<OctetString *>(1);
    EXPECT_EQ(BuildIpxProfileValue(nullptr, ListEntriesOf(nullptr, 0), value), BuildResult::Empty);
    EXPECT_EQ(value, nullptr);

    const std::string_view entries[] = {"SRV1"};
    FailAllocationAt(1);
    EXPECT_EQ(BuildIpxProfileValue(nullptr, ListEntriesOf(entries, 1), value), BuildResult::OutOfMemory)
        << "a failed allocation must not read as 'remove the attribute'";
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(testing::OutOfMemoryReports(), 1u);

    unsigned allocations = FailEachAllocation([&](unsigned n) {
        OctetString *built = nullptr;
        BuildResult result = BuildIpxProfileValue(nullptr, ListEntriesOf(entries, 1), built);
        EXPECT_EQ(result, n == 1 ? BuildResult::OutOfMemory : BuildResult::Built);
        FreeBlock(built);
    });
    EXPECT_EQ(allocations, 1u);
}

TEST_F(ValueLists, ZoneValueSlotsInListOrder)
{
    StringSlotArray *array = reinterpret_cast<StringSlotArray *>(1);
    EXPECT_EQ(BuildZoneValue(ListEntriesOf(nullptr, 0), array), BuildResult::Empty);
    EXPECT_EQ(array, nullptr);

    const std::string_view entries[] = {"Sales1", "QA", "Engineering"};
    ASSERT_EQ(BuildZoneValue(ListEntriesOf(entries, 3), array), BuildResult::Built);
    EXPECT_EQ(array->count, 3u);
    if (sizeof(void *) == 4) {
        EXPECT_EQ(array->firstSlot, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(StringSlot(array, 0, 34))));
    }
    // Two names of 6 and 2 characters become values of 7 and 3 bytes.
    EXPECT_EQ(std::strlen(StringSlot(array, 0, ZoneSlotSize)) + 1, 7u);
    EXPECT_EQ(std::strlen(StringSlot(array, 1, ZoneSlotSize)) + 1, 3u);
    EXPECT_STREQ(StringSlot(array, 2, ZoneSlotSize), "Engineering");
    ValueList<ZoneNode> list;
    ASSERT_TRUE(BuildZoneList(array, list));
    EXPECT_EQ(CountNodes(list), 3u);
    EXPECT_STREQ(list.first->next->zoneName, "QA") << "the list reads the array back in order";
    FreeValueList(list);
    FreeBlock(array);

    const std::string long34(34, 'x');
    const std::string_view tooLong[] = {long34};
    ASSERT_EQ(BuildZoneValue(ListEntriesOf(tooLong, 1), array), BuildResult::Built);
    EXPECT_EQ(std::strlen(StringSlot(array, 0, ZoneSlotSize)), 33u) << "cut to the slot";
    FreeBlock(array);

    FailAllocationAt(1);
    EXPECT_EQ(BuildZoneValue(ListEntriesOf(entries, 3), array), BuildResult::OutOfMemory);
    EXPECT_EQ(array, nullptr);
}



} // namespace
} // namespace rax
