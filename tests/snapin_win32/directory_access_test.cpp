// The directory layer against the stand-in directory client: values of each
// syntax, reads that span several replies, bounded destinations, writes, the
// rights test, and every library failure released and passed through.
#include "directory_fixture.h"

#include "core/attribute_formats.h"
#include "core/directory_access.h"
#include "core/heap.h"

#include <dircli32.h>
#include <dircli32_test.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace rax;
using raxtest::InjectedCode;
using raxtest::OtherUserObject;
using raxtest::UserObject;

class DirectoryAccess : public raxtest::DirectoryTest {
protected:
    void SetUp() override
    {
        raxtest::DirectoryTest::SetUp();
        ASSERT_EQ(DirTestDefineAttribute(AttrIdleTimeout, SyntaxInteger, 0x41), 0);
        ASSERT_EQ(DirTestDefineAttribute(AttrPasswordParameters, SyntaxOctetString, 0x41), 0);
        ASSERT_EQ(DirTestDefineAttribute(AttrDialbackNumber, SyntaxTelephoneNumber, 0x41), 0);
        ASSERT_EQ(DirTestDefineAttribute(AttrArasZone, SyntaxOctetString, 0x40), 0);
        ASSERT_EQ(DirTestDefineAttribute(AttrIpxProfile, SyntaxOctetString, 0x41), 0);
        for (const char *cls : {"user", "organizational unit"})
            for (const char *attr : {AttrIdleTimeout, AttrPasswordParameters, AttrDialbackNumber, AttrArasZone,
                                     AttrIpxProfile})
                ASSERT_EQ(DirTestAddClassAttribute(cls, attr), 0);
        DirTestResetCounts();
    }

    void StoreInteger(const char *attr, int32_t value)
    {
        ASSERT_EQ(DirTestAddValue(UserObject, attr, SyntaxInteger, &value, sizeof value), 0);
    }
    void StoreBytes(const char *attr, const std::vector<uint8_t> &bytes)
    {
        ASSERT_EQ(DirTestAddValue(UserObject, attr, SyntaxOctetString, bytes.data(),
                                  static_cast<uint32_t>(bytes.size())),
                  0);
    }
    void StoreText(const char *attr, const std::string &text, uint32_t syntax = SyntaxTelephoneNumber)
    {
        ASSERT_EQ(DirTestAddValue(UserObject, attr, syntax, text.c_str(), static_cast<uint32_t>(text.size() + 1)),
                  0);
    }
    // Zone names as the pages store them: the name and its NUL.
    void StoreZones(const std::vector<std::string> &names)
    {
        for (const std::string &name : names)
            StoreText(AttrArasZone, name, SyntaxOctetString);
    }
    std::vector<uint8_t> StoredBytes(const char *object, const char *attr, uint32_t index)
    {
        std::vector<uint8_t> bytes(16384);
        int32_t size = DirTestGetValue(object, attr, index, bytes.data(), static_cast<uint32_t>(bytes.size()));
        if (size < 0)
            return {};
        bytes.resize(static_cast<std::size_t>(size));
        return bytes;
    }
};

std::vector<uint8_t> Pattern(std::size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
}

std::vector<std::string> ManyZones(int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[40];
        wsprintfA(name, "Zone-%04d-padding-padding-pad", i);   // 29 characters
        names.push_back(name);
    }
    return names;
}

// ---- Contexts ----------------------------------------------------------------

TEST_F(DirectoryAccess, OpenedContextHasTheFlagsAddedAndClosesCleanly)
{
    DirectoryContext context = 0;
    ASSERT_EQ(OpenDirectoryContext(&context), 0);
    uint32_t flags = 0;
    ASSERT_EQ(DirGetContextInfo(context, DIR_CTX_FLAGS, &flags), 0);
    EXPECT_EQ(flags & 0x47u, 0x47u);
    EXPECT_EQ(DirTestOpenContexts(), 1);
    CloseDirectoryContext(context);
    EXPECT_EQ(DirTestOpenContexts(), 0);
}

TEST_F(DirectoryAccess, FailedOpeningLeavesNoContextAndPassesTheCodeThrough)
{
    struct Case {
        uint32_t ordinal;
        uint32_t nth;
        int32_t code;
    } cases[] = {
        {1001, 1, -328},          // create
        {1004, 1, InjectedCode},  // name context "[Root]"
        {1003, 1, InjectedCode},  // get flags
        {1004, 2, InjectedCode},  // set flags
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.ordinal * 10 + c.nth);
        DirTestFailCall(c.ordinal, c.nth, c.code);
        DirectoryContext context = 12345;
        EXPECT_EQ(OpenDirectoryContext(&context), c.code);
        EXPECT_EQ(context, 12345) << "no handle stored on failure";
        EXPECT_EQ(DirTestOpenContexts(), 0);
        DirTestClearFailures();
    }
}

TEST_F(DirectoryAccess, SchemaContextFailuresGiveTheSchemaCodes)
{
    DirTestFailCall(1001, 1, -328);
    EXPECT_EQ(OpenSchemaContext(), SchemaNoContextOrBuffer);
    EXPECT_EQ(DirTestOpenContexts(), 0);

    DirTestFailCall(1004, 1, InjectedCode);
    EXPECT_EQ(OpenSchemaContext(), SchemaSetNameContext);
    EXPECT_EQ(DirTestOpenContexts(), 0);

    ASSERT_EQ(OpenSchemaContext(), 0);
    EXPECT_EQ(DirTestOpenContexts(), 1);
    EXPECT_EQ(DirTestCallCount(1003), 0u) << "the schema context keeps the flags it was created with";
    FreeSchemaContext();
    FreeSchemaContext();
    EXPECT_EQ(DirTestOpenContexts(), 0);
}

// ---- ReadValue and ReadValueSize ------------------------------------------------

TEST_F(DirectoryAccess, IntegerIsReadAndAbsentIntegerLeavesTheDestinationAlone)
{
    int32_t value = 99;
    EXPECT_EQ(ReadValue(UserObject, AttrIdleTimeout, &value, sizeof value), ValueNotPresent);
    EXPECT_EQ(value, 99);
    ExpectAllReleased("absent");

    StoreInteger(AttrIdleTimeout, -1);
    EXPECT_EQ(ReadValue(UserObject, AttrIdleTimeout, &value, sizeof value), 0);
    EXPECT_EQ(value, -1);
    ExpectAllReleased("present");

    uint16_t tooSmall[2] = {0xAAAA, 0xBBBB};
    EXPECT_EQ(ReadValue(UserObject, AttrIdleTimeout, tooSmall, 2), OutOfMemoryCode);
    EXPECT_EQ(tooSmall[0], 0xAAAA);
    EXPECT_EQ(tooSmall[1], 0xBBBB);
}

TEST_F(DirectoryAccess, OctetStringBytesOnlyWritesExactlyTheValueBytes)
{
    std::vector<uint8_t> stored = Pattern(46);
    StoreBytes(AttrPasswordParameters, stored);
    std::vector<uint8_t> area(64, 0xEE);
    ASSERT_EQ(ReadValue(UserObject, AttrPasswordParameters, area.data(), 46), 0);
    EXPECT_EQ(std::vector<uint8_t>(area.begin(), area.begin() + 46), stored);
    for (std::size_t i = 46; i < area.size(); ++i)
        ASSERT_EQ(area[i], 0xEE) << "no NUL or anything else after the bytes, at " << i;
    ExpectAllReleased("bytes only");
}

TEST_F(DirectoryAccess, OversizeStoredValueIsRefusedWithoutTouchingTheArea)
{
    // Another tool stored 60 bytes where the page keeps 46, and a dialback
    // number longer than the page's 40 characters.
    StoreBytes(AttrPasswordParameters, Pattern(60));
    StoreText(AttrDialbackNumber, std::string(55, '7'));
    std::vector<uint8_t> area(64, 0xEE);
    EXPECT_EQ(ReadValue(UserObject, AttrPasswordParameters, area.data(), 46), OutOfMemoryCode);
    EXPECT_EQ(area, std::vector<uint8_t>(64, 0xEE));
    EXPECT_EQ(ReadValue(UserObject, AttrDialbackNumber, area.data(), 41), OutOfMemoryCode);
    EXPECT_EQ(area, std::vector<uint8_t>(64, 0xEE));
    ExpectAllReleased("oversize");

    // A number that fits arrives with its NUL.
    ASSERT_EQ(DirTestRemoveAttribute(UserObject, AttrDialbackNumber), 0);
    StoreText(AttrDialbackNumber, std::string(40, '5'));
    char number[41];
    std::memset(number, 'x', sizeof number);
    ASSERT_EQ(ReadValue(UserObject, AttrDialbackNumber, number, sizeof number), 0);
    EXPECT_EQ(std::string(number), std::string(40, '5'));
}

TEST_F(DirectoryAccess, RecordFormNeedsTheWholeSizeThatReadValueSizeReports)
{
    std::vector<uint8_t> stored = Pattern(18);
    StoreBytes(AttrIpxProfile, stored);
    uint32_t size = 0;
    ASSERT_EQ(ReadValueSize(UserObject, AttrIpxProfile, &size), 0);
    EXPECT_EQ(size, 8u + 18u);

    std::vector<uint8_t> block(size + 10, 0xEE);
    EXPECT_EQ(ReadValue(UserObject, AttrIpxProfile, block.data(), size - 1, OctetStringForm::Record),
              OutOfMemoryCode);
    EXPECT_EQ(block, std::vector<uint8_t>(size + 10, 0xEE)) << "nothing written when it does not fit";

    ASSERT_EQ(ReadValue(UserObject, AttrIpxProfile, block.data(), size, OctetStringForm::Record), 0);
    DirOctetString record;
    std::memcpy(&record, block.data(), sizeof record);
    EXPECT_EQ(record.length, 18u);
    EXPECT_EQ(record.data, block.data() + 8) << "the address field points behind the record";
    EXPECT_EQ(std::vector<uint8_t>(block.begin() + 8, block.begin() + 26), stored);
    ExpectAllReleased("record");
}

TEST_F(DirectoryAccess, FirstValueIsReadEvenWhenTheValuesSpanSeveralReplies)
{
    std::vector<std::string> zones = ManyZones(300);
    StoreZones(zones);
    uint32_t size = 0;
    ASSERT_EQ(ReadValueSize(UserObject, AttrArasZone, &size), 0);
    EXPECT_EQ(size, 8u + 30u) << "the size of the first value, not of a later reply's";

    char name[34] = {};
    ASSERT_EQ(ReadValue(UserObject, AttrArasZone, name, sizeof name), 0);
    EXPECT_STREQ(name, zones[0].c_str());
    EXPECT_EQ(DirTestCallCount(1028), 2u) << "one read each, no further replies fetched";
    ExpectAllReleased("first of many");
}

TEST_F(DirectoryAccess, ReadFailuresReleaseEverythingAndPassTheCodeThrough)
{
    StoreBytes(AttrIpxProfile, Pattern(20));
    struct Case {
        const char *what;
        uint32_t ordinal;
        uint32_t nth;
    } cases[] = {
        {"create context", 1001, 1}, {"name context", 1004, 1},    {"get flags", 1003, 1},
        {"set flags", 1004, 2},      {"reply buffer", 1006, 1},    {"request buffer", 1006, 2},
        {"init buffer", 1005, 1},    {"put name", 1015, 1},        {"read object", 1028, 1},
        {"attribute count", 1008, 1}, {"attribute name", 1013, 1}, {"value size", 1047, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        uint8_t block[64];
        std::memset(block, 0xEE, sizeof block);
        uint32_t size = 0xDEAD;

        DirTestFailCall(c.ordinal, c.nth, InjectedCode);
        EXPECT_EQ(ReadValueSize(UserObject, AttrIpxProfile, &size), InjectedCode);
        EXPECT_EQ(size, 0xDEADu);
        ExpectAllReleased("ReadValueSize");
        DirTestClearFailures();

        DirTestFailCall(c.ordinal, c.nth, InjectedCode);
        EXPECT_EQ(ReadValue(UserObject, AttrIpxProfile, block, sizeof block, OctetStringForm::Record),
                  InjectedCode);
        ExpectAllReleased("ReadValue, record");
        DirTestClearFailures();

        DirTestFailCall(c.ordinal, c.nth, InjectedCode);
        EXPECT_EQ(ReadValue(UserObject, AttrIpxProfile, block, sizeof block), InjectedCode);
        ExpectAllReleased("ReadValue, bytes only");
        DirTestClearFailures();

        for (uint8_t b : block)
            ASSERT_EQ(b, 0xEE);
    }

    // Fetching the value itself, and the snap-in's own block for it.
    uint8_t block[64];
    DirTestFailCall(1022, 1, InjectedCode);
    EXPECT_EQ(ReadValue(UserObject, AttrIpxProfile, block, sizeof block), InjectedCode);
    ExpectAllReleased("get value");
    DirTestClearFailures();
    FailAllocationAt(1);
    EXPECT_EQ(ReadValue(UserObject, AttrIpxProfile, block, sizeof block), OutOfMemoryCode);
    ExpectAllReleased("out of memory");
}

// ---- ReadValueList ------------------------------------------------------------

TEST_F(DirectoryAccess, ValueListHoldsEveryTextInStoredOrder)
{
    StoreZones({"Finance", "Ops", "Zone-3"});
    StringSlotArray *array = nullptr;
    ASSERT_EQ(ReadValueList(UserObject, AttrArasZone, &array, 34), 0);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->count, 3u);
    EXPECT_EQ(array->firstSlot, 0u);
    EXPECT_STREQ(StringSlot(array, 0, 34), "Finance");
    EXPECT_STREQ(StringSlot(array, 1, 34), "Ops");
    EXPECT_STREQ(StringSlot(array, 2, 34), "Zone-3");
    FreeBlock(array);
    ExpectAllReleased("list");
}

TEST_F(DirectoryAccess, AbsentListGivesValueNotPresentAndNoArray)
{
    auto *array = reinterpret_cast<StringSlotArray *>(0x1234);
    EXPECT_EQ(ReadValueList(UserObject, AttrArasZone, &array, 34), ValueNotPresent);
    EXPECT_EQ(array, nullptr);
    ExpectAllReleased("absent list");
}

TEST_F(DirectoryAccess, ListSpanningSeveralRepliesIsCollectedWhole)
{
    std::vector<std::string> zones = ManyZones(300);   // some 12 kB of values
    StoreZones(zones);
    StringSlotArray *array = nullptr;
    ASSERT_EQ(ReadValueList(UserObject, AttrArasZone, &array, 34), 0);
    EXPECT_GT(DirTestCallCount(1028), 1u) << "the stand-in must really continue the read";
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(array->count, 300u);
    for (std::size_t i = 0; i < zones.size(); ++i)
        ASSERT_STREQ(StringSlot(array, i, 34), zones[i].c_str()) << i;
    FreeBlock(array);
    ExpectAllReleased("long list");

    // A failure on a later reply releases the values collected so far.
    DirTestFailCall(1028, 2, InjectedCode);
    array = nullptr;
    EXPECT_EQ(ReadValueList(UserObject, AttrArasZone, &array, 34), InjectedCode);
    EXPECT_EQ(array, nullptr);
    ExpectAllReleased("second reply failed");

    // A reply that names no attribute is no list.
    DirTestFailCall(1008, 1, 0);
    EXPECT_EQ(ReadValueList(UserObject, AttrArasZone, &array, 34), NoAttributeInReply);
    EXPECT_EQ(array, nullptr);
    ExpectAllReleased("reply without attribute");
}

TEST_F(DirectoryAccess, OverlongListTextIsCutToItsSlotAndNeighboursStayIntact)
{
    std::string longName(50, 'L');
    StoreZones({"Before", longName, "After"});
    StringSlotArray *array = nullptr;
    ASSERT_EQ(ReadValueList(UserObject, AttrArasZone, &array, 34), 0);
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(array->count, 3u);
    EXPECT_STREQ(StringSlot(array, 0, 34), "Before");
    EXPECT_EQ(std::string(StringSlot(array, 1, 34)), std::string(33, 'L'));
    EXPECT_STREQ(StringSlot(array, 2, 34), "After");
    FreeBlock(array);
}

TEST_F(DirectoryAccess, ListAllocationFailuresAreReportedAndReleased)
{
    StoreZones({"One", "Two"});
    for (unsigned nth : {1u, 2u, 3u}) {   // first value, second value, the array itself
        SCOPED_TRACE(nth);
        FailAllocationAt(nth);
        StringSlotArray *array = reinterpret_cast<StringSlotArray *>(0x1234);
        EXPECT_EQ(ReadValueList(UserObject, AttrArasZone, &array, 34), OutOfMemoryCode);
        EXPECT_EQ(array, nullptr);
        ExpectAllReleased("out of memory");
        FailAllocationAt(0);
    }
}

TEST_F(DirectoryAccess, ListReadFailuresReleaseEverythingAndPassTheCodeThrough)
{
    StoreZones({"One", "Two"});
    for (uint32_t ordinal : {1001u, 1003u, 1004u, 1005u, 1006u, 1015u, 1028u, 1008u, 1013u, 1047u, 1022u}) {
        SCOPED_TRACE(ordinal);
        DirTestFailCall(ordinal, ordinal == 1022 || ordinal == 1047 ? 2 : 1, InjectedCode);
        StringSlotArray *array = nullptr;
        EXPECT_EQ(ReadValueList(UserObject, AttrArasZone, &array, 34), InjectedCode);
        EXPECT_EQ(array, nullptr);
        ExpectAllReleased("list read");
        DirTestClearFailures();
    }
}

// ---- WriteValue and WriteValueList ------------------------------------------------

TEST_F(DirectoryAccess, WriteValueAddsReplacesAndRemoves)
{
    int32_t first = 30;
    ASSERT_EQ(WriteValue(UserObject, AttrIdleTimeout, nullptr, &first, SyntaxInteger), 0);
    EXPECT_EQ(DirTestValueCount(UserObject, AttrIdleTimeout), 1);

    int32_t second = 45;
    ASSERT_EQ(WriteValue(UserObject, AttrIdleTimeout, &first, &second, SyntaxInteger), 0);
    int32_t stored = 0;
    ASSERT_EQ(DirTestValueCount(UserObject, AttrIdleTimeout), 1);
    ASSERT_EQ(DirTestGetValue(UserObject, AttrIdleTimeout, 0, &stored, sizeof stored), 4);
    EXPECT_EQ(stored, 45);

    ASSERT_EQ(WriteValue(UserObject, AttrIdleTimeout, &second, nullptr, SyntaxInteger), 0);
    EXPECT_EQ(DirTestValueCount(UserObject, AttrIdleTimeout), 0);

    EXPECT_EQ(WriteValue(UserObject, AttrIdleTimeout, nullptr, nullptr, SyntaxInteger), ValueNotPresent);
    EXPECT_EQ(DirTestValueCount(OtherUserObject, AttrIdleTimeout), 0) << "only the named object changes";
    ExpectAllReleased("writes");
}

TEST_F(DirectoryAccess, BlockReadInRecordFormServesAsTheOldValueOfAReplace)
{
    // How the pages save a profile: the block as read is the old value.
    StoreBytes(AttrIpxProfile, Pattern(18));
    uint32_t size = 0;
    ASSERT_EQ(ReadValueSize(UserObject, AttrIpxProfile, &size), 0);
    std::vector<uint8_t> asRead(size + 10);
    ASSERT_EQ(ReadValue(UserObject, AttrIpxProfile, asRead.data(), size, OctetStringForm::Record), 0);

    std::vector<uint8_t> bytes = {0x35, 0x80, 4, 0, 0, 0, 10, 0, 0, 1};
    DirOctetString built = {static_cast<uint32_t>(bytes.size()), bytes.data()};
    ASSERT_EQ(WriteValue(UserObject, AttrIpxProfile, asRead.data(), &built, SyntaxOctetString), 0);
    ASSERT_EQ(DirTestValueCount(UserObject, AttrIpxProfile), 1);
    EXPECT_EQ(StoredBytes(UserObject, AttrIpxProfile, 0), bytes);
    ExpectAllReleased("replace");
}

TEST_F(DirectoryAccess, WriteFailuresReleaseEverythingAndPassTheCodeThrough)
{
    int32_t oldValue = 1;
    int32_t newValue = 2;
    StoreInteger(AttrIdleTimeout, oldValue);
    for (uint32_t ordinal : {1001u, 1003u, 1004u, 1006u, 1005u, 1016u, 1017u, 1026u}) {
        SCOPED_TRACE(ordinal);
        DirTestFailCall(ordinal, 1, InjectedCode);
        EXPECT_EQ(WriteValue(UserObject, AttrIdleTimeout, &oldValue, &newValue, SyntaxInteger), InjectedCode);
        ExpectAllReleased("write");
        DirTestClearFailures();
    }
    int32_t stored = 0;
    ASSERT_EQ(DirTestGetValue(UserObject, AttrIdleTimeout, 0, &stored, sizeof stored), 4);
    EXPECT_EQ(stored, 1) << "no failed write changed the value";
}

// A zone array as the pages build it.
std::vector<uint8_t> ZoneArray(const std::vector<std::string> &names)
{
    std::vector<uint8_t> block(8 + names.size() * 34);
    auto *array = reinterpret_cast<StringSlotArray *>(block.data());
    array->count = static_cast<uint32_t>(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        std::memcpy(StringSlot(array, i, 34), names[i].c_str(), names[i].size() + 1);
    return block;
}

TEST_F(DirectoryAccess, WriteValueListReplacesEveryValueInListOrder)
{
    StoreZones({"Old-1", "Old-2", "Old-3"});
    std::vector<uint8_t> block = ZoneArray({"Zone-A", "AB"});
    auto *array = reinterpret_cast<StringSlotArray *>(block.data());
    ASSERT_EQ(WriteValueList(UserObject, AttrArasZone, array, 2, 34, SyntaxOctetString), 0);
    ASSERT_EQ(DirTestValueCount(UserObject, AttrArasZone), 2);
    std::vector<uint8_t> first = StoredBytes(UserObject, AttrArasZone, 0);
    std::vector<uint8_t> second = StoredBytes(UserObject, AttrArasZone, 1);
    EXPECT_EQ(std::string(first.begin(), first.end()), std::string("Zone-A", 7));
    EXPECT_EQ(std::string(second.begin(), second.end()), std::string("AB", 3));
    ExpectAllReleased("list write");
}

TEST_F(DirectoryAccess, EmptyListOnlyRemovesAndAbsentAttributeIsNoFailure)
{
    EXPECT_EQ(WriteValueList(UserObject, AttrArasZone, nullptr, 0, 34, SyntaxOctetString), 0);
    StoreZones({"Gone"});
    std::vector<uint8_t> block = ZoneArray({});
    EXPECT_EQ(WriteValueList(UserObject, AttrArasZone, reinterpret_cast<StringSlotArray *>(block.data()), 0, 34,
                             SyntaxOctetString),
              0);
    EXPECT_EQ(DirTestValueCount(UserObject, AttrArasZone), 0);
    ExpectAllReleased("remove list");
}

TEST_F(DirectoryAccess, WriteValueListNeverReadsPastTheArray)
{
    std::vector<uint8_t> block = ZoneArray({"Only"});
    ASSERT_EQ(WriteValueList(UserObject, AttrArasZone, reinterpret_cast<StringSlotArray *>(block.data()), 5, 34,
                             SyntaxOctetString),
              0);
    EXPECT_EQ(DirTestValueCount(UserObject, AttrArasZone), 1);
}

TEST_F(DirectoryAccess, WriteValueListFailuresReleaseEverythingAndPassTheCodeThrough)
{
    std::vector<uint8_t> block = ZoneArray({"Zone-A", "AB"});
    auto *array = reinterpret_cast<StringSlotArray *>(block.data());
    struct Case {
        const char *what;
        uint32_t ordinal;
        uint32_t nth;
    } cases[] = {
        {"context", 1001, 1},       {"buffer", 1006, 1},        {"init", 1005, 1},
        {"remove change", 1016, 1}, {"add attribute", 1016, 2}, {"second value's change", 1016, 4},
        {"put value", 1017, 1},     {"second value", 1017, 2},  {"the one request", 1026, 1},
    };
    StoreZones({"Old-1", "Old-2", "Old-3"});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DirTestFailCall(c.ordinal, c.nth, InjectedCode);
        EXPECT_EQ(WriteValueList(UserObject, AttrArasZone, array, 2, 34, SyntaxOctetString), InjectedCode);
        ExpectAllReleased("list write");
        EXPECT_EQ(DirTestValueCount(UserObject, AttrArasZone), 3) << "the stored list stays whole";
        DirTestClearFailures();
    }
}

TEST_F(DirectoryAccess, WriteValueListIsOneRequestAndAddsWhereNothingWasStored)
{
    std::vector<uint8_t> block = ZoneArray({"Zone-A", "AB", "C"});
    auto *array = reinterpret_cast<StringSlotArray *>(block.data());
    DirTestResetCounts();
    ASSERT_EQ(WriteValueList(UserObject, AttrArasZone, array, 3, 34, SyntaxOctetString), 0);
    EXPECT_EQ(DirTestValueCount(UserObject, AttrArasZone), 3);
    EXPECT_EQ(DirTestCallCount(1026), 2u) << "the removal finds nothing, then the list is added";
    DirTestResetCounts();
    ASSERT_EQ(WriteValueList(UserObject, AttrArasZone, array, 2, 34, SyntaxOctetString), 0);
    EXPECT_EQ(DirTestValueCount(UserObject, AttrArasZone), 2);
    EXPECT_EQ(DirTestCallCount(1026), 1u);
    ExpectAllReleased("list write");
}

// ---- CanModifyObject -------------------------------------------------------------

TEST_F(DirectoryAccess, WriteOrSupervisorRightAllowsChanges)
{
    struct Case {
        uint32_t rights;
        int expected;
    } cases[] = {{0x20, 1}, {0x04, 1}, {0x27, 1}, {0x02, 0}, {0x01, 0}, {0x0B, 0}, {0, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rights);
        DirTestSetRights(raxtest::Admin, UserObject, c.rights);
        EXPECT_EQ(CanModifyObject(UserObject), c.expected);
        ExpectAllReleased("rights");
    }
}

TEST_F(DirectoryAccess, RightsTestFailureMeansNoChanges)
{
    DirTestSetRights(raxtest::Admin, UserObject, 0x20);
    for (uint32_t ordinal : {1001u, 1004u, 1093u, 1046u}) {
        SCOPED_TRACE(ordinal);
        DirTestFailCall(ordinal, 1, InjectedCode);
        EXPECT_EQ(CanModifyObject(UserObject), 0);
        ExpectAllReleased("rights failure");
        DirTestClearFailures();
    }
    EXPECT_EQ(CanModifyObject(UserObject), 1);
}

} // namespace
