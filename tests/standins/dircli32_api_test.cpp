// The directory client stand-in through its C interface: under Wine through
// dircli32.dll imported by ordinal, natively through the same exports linked in.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dircli32.h"
#include "dircli32_standin.h"
#include "dircli32_test.h"

namespace {

const char kUser[] = "CN=Ann.OU=Sales.O=Kestrel";

class Dircli32Api : public ::testing::Test {
protected:
    void SetUp() override
    {
        DirTestReset();
        ASSERT_EQ(0, DirTestAddObject("O=Kestrel", "organization"));
        ASSERT_EQ(0, DirTestAddObject("OU=Sales.O=Kestrel", "organizational unit"));
        ASSERT_EQ(0, DirTestAddObject(kUser, "user"));
        ctx_ = DirCreateContext();
        ASSERT_GT(ctx_, 0);
        ASSERT_EQ(0, DirAllocBuffer(DIR_BUFFER_SIZE, &request_));
        ASSERT_EQ(0, DirAllocBuffer(DIR_BUFFER_SIZE, &reply_));
    }

    void TearDown() override
    {
        DirFreeContext(ctx_);
        DirFreeBuffer(request_);
        DirFreeBuffer(reply_);
        EXPECT_EQ(0, DirTestOpenContexts());
        EXPECT_EQ(0, DirTestOpenBuffers());
        EXPECT_EQ(0, DirTestOpenIterations());
        DirTestReset();
    }

    void AddInteger(const char *object, const char *attr, int32_t value)
    {
        ASSERT_EQ(0, DirTestAddValue(object, attr, DIR_SYNTAX_INTEGER, &value, 4));
    }
    void AddOctets(const char *object, const char *attr, const std::string &bytes)
    {
        ASSERT_EQ(0, DirTestAddValue(object, attr, DIR_SYNTAX_OCTET_STRING, bytes.data(),
                                     static_cast<uint32_t>(bytes.size())));
    }

    // Reads one attribute over as many replies as it takes; every value as its stored bytes.
    int32_t ReadAll(const char *object, const char *attr, std::vector<std::string> &values, int *replies = nullptr)
    {
        int32_t rc = DirInitBuffer(ctx_, DIR_OP_READ_OBJECT, request_);
        if (rc == 0)
            rc = DirPutAttrName(ctx_, request_, attr);
        int32_t handle = DIR_ITERATION_START;
        int count = 0;
        do {
            if (rc == 0)
                rc = DirReadObject(ctx_, object, DIR_INFO_NAMES_AND_VALUES, 0, request_, &handle, reply_);
            if (rc != 0)
                break;
            ++count;
            uint32_t attrs = 0, valueCount = 0, syntax = 0;
            char name[DIR_MAX_NAME];
            EXPECT_EQ(0, DirGetAttrCount(ctx_, reply_, &attrs));
            for (uint32_t a = 0; a < attrs; ++a) {
                EXPECT_EQ(0, DirGetAttrName(ctx_, reply_, name, &valueCount, &syntax));
                for (uint32_t v = 0; v < valueCount; ++v) {
                    uint32_t size = 0;
                    EXPECT_EQ(0, DirComputeAttrValueSize(ctx_, reply_, syntax, &size));
                    std::vector<uint8_t> block(size + 1, 0xEE);
                    EXPECT_EQ(0, DirGetAttrValue(ctx_, reply_, syntax, block.data()));
                    EXPECT_EQ(0xEE, block[size]) << "value ran past its computed size";
                    if (syntax == DIR_SYNTAX_OCTET_STRING) {
                        DirOctetString record;
                        std::memcpy(&record, block.data(), sizeof record);
                        EXPECT_EQ(block.data() + sizeof record, record.data);
                        EXPECT_EQ(size, sizeof record + record.length);
                        values.emplace_back(reinterpret_cast<char *>(block.data() + sizeof record), record.length);
                    } else {
                        values.emplace_back(reinterpret_cast<char *>(block.data()), size);
                    }
                }
            }
        } while (handle != DIR_ITERATION_START);
        if (replies)
            *replies = count;
        return rc;
    }

    int32_t Modify(const char *object, std::initializer_list<std::pair<int32_t, const char *>> changes,
                   uint32_t syntax = 0, std::vector<const void *> values = {})
    {
        int32_t rc = DirInitBuffer(ctx_, DIR_OP_MODIFY_OBJECT, request_);
        size_t next = 0;
        for (auto [type, attr] : changes) {
            if (rc == 0)
                rc = DirPutChange(ctx_, request_, type, attr);
            if (rc == 0 && (type == DIR_CHANGE_ADD_VALUE || type == DIR_CHANGE_REMOVE_VALUE) && next < values.size())
                rc = DirPutAttrValue(ctx_, request_, syntax, values[next++]);
        }
        if (rc == 0)
            rc = DirModifyObject(ctx_, object, nullptr, 0, request_);
        return rc;
    }

    DirContextHandle ctx_ = DIR_ERR_NO_CONTEXT;
    DirBuffer request_ = nullptr;
    DirBuffer reply_ = nullptr;
};

// --- value shapes ----------------------------------------------------------------

TEST_F(Dircli32Api, IntegerTextAndOctetStringValuesArriveInTheLibrarysShapes)
{
    AddInteger(kUser, "Dravon Idle Timeout", -1);
    ASSERT_EQ(0, DirTestAddValue(kUser, "Dravon DialbackNumber", DIR_SYNTAX_TELEPHONE_NUMBER, "555-0100", 9));
    AddOctets(kUser, "Dravon IPX Profile", std::string("\x01\xC0\x0C\x00\x00\x00", 6));

    std::vector<std::string> v;
    ASSERT_EQ(0, ReadAll(kUser, "Dravon Idle Timeout", v));
    ASSERT_EQ(1u, v.size());
    ASSERT_EQ(4u, v[0].size());
    int32_t n;
    std::memcpy(&n, v[0].data(), 4);
    EXPECT_EQ(-1, n);

    v.clear();
    ASSERT_EQ(0, ReadAll(kUser, "Dravon DialbackNumber", v));
    ASSERT_EQ(1u, v.size());
    EXPECT_EQ(std::string("555-0100", 9), v[0]);   // the text with its NUL

    v.clear();
    ASSERT_EQ(0, ReadAll(kUser, "Dravon IPX Profile", v));
    ASSERT_EQ(1u, v.size());
    EXPECT_EQ(std::string("\x01\xC0\x0C\x00\x00\x00", 6), v[0]);
}

TEST_F(Dircli32Api, ComputedSizeOfAnOctetStringIsRecordPlusBytes)
{
    AddOctets(kUser, "Dravon Password Parameters", std::string(46, '\x07'));
    ASSERT_EQ(0, DirInitBuffer(ctx_, DIR_OP_READ_OBJECT, request_));
    ASSERT_EQ(0, DirPutAttrName(ctx_, request_, "Dravon Password Parameters"));
    int32_t handle = DIR_ITERATION_START;
    ASSERT_EQ(0, DirReadObject(ctx_, kUser, DIR_INFO_NAMES_AND_VALUES, 0, request_, &handle, reply_));
    EXPECT_EQ(DIR_ITERATION_START, handle);
    uint32_t count = 0, values = 0, syntax = 0, size = 0;
    char name[DIR_MAX_NAME];
    ASSERT_EQ(0, DirGetAttrCount(ctx_, reply_, &count));
    EXPECT_EQ(1u, count);
    ASSERT_EQ(0, DirGetAttrName(ctx_, reply_, name, &values, &syntax));
    EXPECT_STREQ("Dravon Password Parameters", name);
    EXPECT_EQ(1u, values);
    EXPECT_EQ(static_cast<uint32_t>(DIR_SYNTAX_OCTET_STRING), syntax);
    ASSERT_EQ(0, DirComputeAttrValueSize(ctx_, reply_, syntax, &size));
    EXPECT_EQ(sizeof(DirOctetString) + 46, size);
    // Nothing more to take once the one value is taken.
    std::vector<uint8_t> block(size);
    ASSERT_EQ(0, DirGetAttrValue(ctx_, reply_, syntax, block.data()));
    EXPECT_EQ(DIR_ERR_BUFFER_EMPTY, DirGetAttrValue(ctx_, reply_, syntax, block.data()));
    EXPECT_EQ(DIR_ERR_BUFFER_EMPTY, DirGetAttrName(ctx_, reply_, name, &values, &syntax));
}

// --- reads over several replies ------------------------------------------------------

TEST_F(Dircli32Api, ALargeMultiValuedAttributeSpansSeveralRepliesInStoredOrder)
{
    std::vector<std::string> stored;
    for (int i = 0; i < 300; ++i) {
        std::string zone = "Zone number " + std::to_string(i) + std::string(1, '\0');
        stored.push_back(zone);
        AddOctets(kUser, "Dravon ARAS Zone", zone);
    }
    std::vector<std::string> read;
    int replies = 0;
    ASSERT_EQ(0, ReadAll(kUser, "Dravon ARAS Zone", read, &replies));
    EXPECT_GE(replies, 2);
    EXPECT_EQ(stored, read);
}

TEST_F(Dircli32Api, ContinuationRepeatsTheAttributeWithTheValuesOfThatReply)
{
    for (int i = 0; i < 3; ++i)
        AddOctets(kUser, "Dravon ARAS Zone", std::string(3000, static_cast<char>('a' + i)));
    ASSERT_EQ(0, DirInitBuffer(ctx_, DIR_OP_READ_OBJECT, request_));
    ASSERT_EQ(0, DirPutAttrName(ctx_, request_, "Dravon ARAS Zone"));
    int32_t handle = DIR_ITERATION_START;
    for (int reply = 0; reply < 3; ++reply) {
        ASSERT_EQ(0, DirReadObject(ctx_, kUser, DIR_INFO_NAMES_AND_VALUES, 0, request_, &handle, reply_));
        EXPECT_EQ(reply == 2, handle == DIR_ITERATION_START) << "reply " << reply;
        uint32_t count = 0, values = 0, syntax = 0;
        char name[DIR_MAX_NAME];
        ASSERT_EQ(0, DirGetAttrCount(ctx_, reply_, &count));
        ASSERT_EQ(1u, count);
        ASSERT_EQ(0, DirGetAttrName(ctx_, reply_, name, &values, &syntax));
        EXPECT_STREQ("Dravon ARAS Zone", name);
        EXPECT_EQ(1u, values);
    }
}

TEST_F(Dircli32Api, ClosingAnIterationEndsItAndAStaleHandleIsRefused)
{
    for (int i = 0; i < 3; ++i)
        AddOctets(kUser, "Dravon ARAS Zone", std::string(3000, static_cast<char>('a' + i)));
    ASSERT_EQ(0, DirInitBuffer(ctx_, DIR_OP_READ_OBJECT, request_));
    ASSERT_EQ(0, DirPutAttrName(ctx_, request_, "Dravon ARAS Zone"));
    int32_t handle = DIR_ITERATION_START;
    ASSERT_EQ(0, DirReadObject(ctx_, kUser, DIR_INFO_NAMES_AND_VALUES, 0, request_, &handle, reply_));
    ASSERT_NE(DIR_ITERATION_START, handle);
    EXPECT_EQ(1, DirTestOpenIterations());
    EXPECT_EQ(0, DirCloseIteration(ctx_, handle, DIR_OP_READ_OBJECT));
    EXPECT_EQ(0, DirTestOpenIterations());
    int32_t stale = handle;
    EXPECT_EQ(DIR_ERR_BAD_HANDLE, DirReadObject(ctx_, kUser, DIR_INFO_NAMES_AND_VALUES, 0, request_, &stale, reply_));
}

TEST_F(Dircli32Api, FreeingTheContextEndsItsIterations)
{
    for (int i = 0; i < 3; ++i)
        AddOctets(kUser, "Dravon ARAS Zone", std::string(3000, static_cast<char>('a' + i)));
    DirContextHandle other = DirCreateContext();
    ASSERT_GT(other, 0);
    ASSERT_EQ(0, DirInitBuffer(other, DIR_OP_READ_OBJECT, request_));
    ASSERT_EQ(0, DirPutAttrName(other, request_, "Dravon ARAS Zone"));
    int32_t handle = DIR_ITERATION_START;
    ASSERT_EQ(0, DirReadObject(other, kUser, DIR_INFO_NAMES_AND_VALUES, 0, request_, &handle, reply_));
    EXPECT_EQ(1, DirTestOpenIterations());
    // Another context cannot continue it.
    int32_t borrowed = handle;
    EXPECT_EQ(DIR_ERR_BAD_HANDLE, DirReadObject(ctx_, kUser, DIR_INFO_NAMES_AND_VALUES, 0, request_, &borrowed, reply_));
    EXPECT_EQ(0, DirFreeContext(other));
    EXPECT_EQ(0, DirTestOpenIterations());
}

TEST_F(Dircli32Api, AValueLargerThanAReplyIsRefusedNotCut)
{
    AddOctets(kUser, "Dravon IP Filters", std::string(5000, 'x'));
    std::vector<std::string> v;
    EXPECT_EQ(DIR_ERR_INSUFFICIENT_BUFFER, ReadAll(kUser, "Dravon IP Filters", v));
    EXPECT_TRUE(v.empty());
}

TEST_F(Dircli32Api, UnreadValuesAreSkippedWhenTheNextAttributeIsTaken)
{
    AddOctets(kUser, "Dravon ARAS Zone", std::string("one\0", 4));
    AddOctets(kUser, "Dravon ARAS Zone", std::string("two\0", 4));
    AddInteger(kUser, "Dravon Idle Timeout", 30);
    ASSERT_EQ(0, DirInitBuffer(ctx_, DIR_OP_READ_OBJECT, request_));
    ASSERT_EQ(0, DirPutAttrName(ctx_, request_, "Dravon ARAS Zone"));
    ASSERT_EQ(0, DirPutAttrName(ctx_, request_, "Dravon Idle Timeout"));
    int32_t handle = DIR_ITERATION_START;
    ASSERT_EQ(0, DirReadObject(ctx_, kUser, DIR_INFO_NAMES_AND_VALUES, 0, request_, &handle, reply_));
    uint32_t count = 0, values = 0, syntax = 0;
    char name[DIR_MAX_NAME];
    ASSERT_EQ(0, DirGetAttrCount(ctx_, reply_, &count));
    ASSERT_EQ(2u, count);
    ASSERT_EQ(0, DirGetAttrName(ctx_, reply_, name, &values, &syntax));
    EXPECT_EQ(2u, values);
    ASSERT_EQ(0, DirGetAttrName(ctx_, reply_, name, &values, &syntax));   // skips both zones
    EXPECT_STREQ("Dravon Idle Timeout", name);
    int32_t n = 0;
    ASSERT_EQ(0, DirGetAttrValue(ctx_, reply_, DIR_SYNTAX_INTEGER, &n));
    EXPECT_EQ(30, n);
}

// --- codes of the reads --------------------------------------------------------------

TEST_F(Dircli32Api, ReadingAnAbsentValueGives603AndAnUnknownObject601)
{
    std::vector<std::string> v;
    EXPECT_EQ(DIR_ERR_NO_SUCH_VALUE, ReadAll(kUser, "Dravon Idle Timeout", v));
    EXPECT_EQ(DIR_ERR_NO_SUCH_OBJECT, ReadAll("CN=Nobody.O=Kestrel", "Dravon Idle Timeout", v));
    EXPECT_TRUE(v.empty());
}

TEST_F(Dircli32Api, NamesCompareWithoutRegardToCase)
{
    AddInteger(kUser, "Dravon Idle Timeout", 5);
    std::vector<std::string> v;
    EXPECT_EQ(0, ReadAll("cn=ann.ou=SALES.o=kestrel", "DRAVON idle timeout", v));
    EXPECT_EQ(0, ReadAll(".CN=Ann.OU=Sales.O=Kestrel", "Dravon Idle Timeout", v));
    EXPECT_EQ(2u, v.size());
}

TEST_F(Dircli32Api, ObjectsAreFoundByNameAfterOthersWereRemovedOrAdded)
{
    ASSERT_EQ(0, DirTestAddObject("CN=B.O=Kestrel", "user"));
    ASSERT_EQ(0, DirTestAddObject("CN=C.O=Kestrel", "user"));
    ASSERT_EQ(0, DirTestRemoveObject("cn=b.o=kestrel"));
    EXPECT_EQ(DIR_ERR_NO_SUCH_OBJECT, DirTestRemoveObject("CN=B.O=Kestrel"));
    EXPECT_EQ(-1, DirTestValueCount("CN=B.O=Kestrel", "x"));
    AddInteger(".CN=C.O=Kestrel", "Dravon Idle Timeout", 7);
    EXPECT_EQ(1, DirTestValueCount("cn=c.O=KESTREL", "Dravon Idle Timeout"));
    EXPECT_EQ(DIR_ERR_ENTRY_EXISTS, DirTestAddObject(".cn=C.o=kestrel", "user"));
    ASSERT_EQ(0, DirTestAddObject("CN=B.O=Kestrel", "user"));
    EXPECT_EQ(0, DirTestValueCount("CN=B.O=Kestrel", "Dravon Idle Timeout"));
    EXPECT_EQ(0, DirTestValueCount(kUser, "x")) << "the objects before the removed one are still there";
}

TEST_F(Dircli32Api, BadHandlesAndMisusedBuffersAreRefused)
{
    uint32_t count = 0;
    EXPECT_EQ(DIR_ERR_BAD_HANDLE, DirFreeContext(ctx_ + 1000));
    EXPECT_EQ(DIR_ERR_BAD_HANDLE, DirInitBuffer(ctx_ + 1000, DIR_OP_READ_OBJECT, request_));
    int junk = 0;
    EXPECT_EQ(DIR_ERR_BAD_HANDLE, DirFreeBuffer(&junk));
    EXPECT_EQ(DIR_ERR_INVALID_REQUEST, DirInitBuffer(ctx_, 4, request_));
    // A request for a read takes no changes; a reply cannot be read before a read filled it.
    ASSERT_EQ(0, DirInitBuffer(ctx_, DIR_OP_READ_OBJECT, request_));
    EXPECT_EQ(DIR_ERR_INVALID_REQUEST, DirPutChange(ctx_, request_, DIR_CHANGE_ADD_VALUE, "x"));
    EXPECT_EQ(DIR_ERR_INVALID_REQUEST, DirGetAttrCount(ctx_, request_, &count));
    EXPECT_EQ(DIR_ERR_INVALID_REQUEST, DirPutChange(ctx_, request_, 7, "x"));
}

TEST_F(Dircli32Api, ARequestThatOutgrowsItsBufferIsRefused)
{
    ASSERT_EQ(0, DirInitBuffer(ctx_, DIR_OP_READ_OBJECT, request_));
    std::string name(200, 'n');
    int32_t rc = 0;
    int put = 0;
    while ((rc = DirPutAttrName(ctx_, request_, name.c_str())) == 0)
        ++put;
    EXPECT_EQ(DIR_ERR_INSUFFICIENT_BUFFER, rc);
    EXPECT_EQ(DIR_BUFFER_SIZE / (200 + 2), put);
}

// --- changes ----------------------------------------------------------------------

TEST_F(Dircli32Api, AddAttributeThenValueAddsIt)
{
    int32_t v = 30;
    ASSERT_EQ(0, Modify(kUser, {{DIR_CHANGE_ADD_ATTRIBUTE, "Dravon Idle Timeout"},
                                {DIR_CHANGE_ADD_VALUE, "Dravon Idle Timeout"}},
                        DIR_SYNTAX_INTEGER, {&v}));
    int32_t got = 0;
    ASSERT_EQ(4, DirTestGetValue(kUser, "Dravon Idle Timeout", 0, &got, 4));
    EXPECT_EQ(30, got);
}

TEST_F(Dircli32Api, RemoveValueThenAddValueReplacesIt)
{
    AddInteger(kUser, "Dravon Idle Timeout", 30);
    int32_t old = 30, now = 45;
    ASSERT_EQ(0, Modify(kUser, {{DIR_CHANGE_REMOVE_VALUE, "Dravon Idle Timeout"},
                                {DIR_CHANGE_ADD_VALUE, "Dravon Idle Timeout"}},
                        DIR_SYNTAX_INTEGER, {&old, &now}));
    EXPECT_EQ(1, DirTestValueCount(kUser, "Dravon Idle Timeout"));
    int32_t got = 0;
    DirTestGetValue(kUser, "Dravon Idle Timeout", 0, &got, 4);
    EXPECT_EQ(45, got);
}

TEST_F(Dircli32Api, RemovingAnAbsentAttributeOrValueGives603AndChangesNothing)
{
    EXPECT_EQ(DIR_ERR_NO_SUCH_VALUE, Modify(kUser, {{DIR_CHANGE_REMOVE_ATTRIBUTE, "Dravon Idle Timeout"}}));
    AddInteger(kUser, "Dravon Idle Timeout", 30);
    int32_t stale = 31, now = 45;
    EXPECT_EQ(DIR_ERR_NO_SUCH_VALUE, Modify(kUser, {{DIR_CHANGE_REMOVE_VALUE, "Dravon Idle Timeout"},
                                                     {DIR_CHANGE_ADD_VALUE, "Dravon Idle Timeout"}},
                                            DIR_SYNTAX_INTEGER, {&stale, &now}));
    int32_t got = 0;
    DirTestGetValue(kUser, "Dravon Idle Timeout", 0, &got, 4);
    EXPECT_EQ(30, got) << "a failed request must change nothing";
}

TEST_F(Dircli32Api, AddingAnAttributeThatHasValuesGives615)
{
    AddInteger(kUser, "Dravon Idle Timeout", 30);
    int32_t v = 10;
    EXPECT_EQ(DIR_ERR_ATTR_EXISTS, Modify(kUser, {{DIR_CHANGE_ADD_ATTRIBUTE, "Dravon Idle Timeout"},
                                                  {DIR_CHANGE_ADD_VALUE, "Dravon Idle Timeout"}},
                                          DIR_SYNTAX_INTEGER, {&v}));
    EXPECT_EQ(1, DirTestValueCount(kUser, "Dravon Idle Timeout"));
}

TEST_F(Dircli32Api, RemoveAttributeTakesEveryValue)
{
    AddOctets(kUser, "Dravon ARAS Zone", std::string("a\0", 2));
    AddOctets(kUser, "Dravon ARAS Zone", std::string("b\0", 2));
    ASSERT_EQ(0, Modify(kUser, {{DIR_CHANGE_REMOVE_ATTRIBUTE, "Dravon ARAS Zone"}}));
    EXPECT_EQ(0, DirTestValueCount(kUser, "Dravon ARAS Zone"));
}

TEST_F(Dircli32Api, SchemaRulesHoldForDefinedAttributes)
{
    ASSERT_EQ(0, DirTestDefineAttribute("Dravon Idle Timeout", DIR_SYNTAX_INTEGER, 0x41));
    ASSERT_EQ(0, DirTestDefineAttribute("Dravon ARAS Zone", DIR_SYNTAX_OCTET_STRING, 0x40));
    AddInteger(kUser, "Dravon Idle Timeout", 30);
    int32_t v = 10;
    EXPECT_EQ(DIR_ERR_SINGLE_VALUED, Modify(kUser, {{DIR_CHANGE_ADD_VALUE, "Dravon Idle Timeout"}},
                                            DIR_SYNTAX_INTEGER, {&v}));
    EXPECT_EQ(DIR_ERR_SYNTAX_VIOLATION, Modify(kUser, {{DIR_CHANGE_ADD_VALUE, "Dravon ARAS Zone"}},
                                               DIR_SYNTAX_TELEPHONE_NUMBER, {"text"}));
    DirOctetString zone{2, reinterpret_cast<uint8_t *>(const_cast<char *>("z"))};
    EXPECT_EQ(0, Modify(kUser, {{DIR_CHANGE_ADD_VALUE, "Dravon ARAS Zone"}}, DIR_SYNTAX_OCTET_STRING, {&zone}));
    EXPECT_EQ(DIR_ERR_DUPLICATE_VALUE,
              Modify(kUser, {{DIR_CHANGE_ADD_VALUE, "Dravon ARAS Zone"}}, DIR_SYNTAX_OCTET_STRING, {&zone}));
}

TEST_F(Dircli32Api, WithChecksOnWritesNeedRightsAndDefinedAttributes)
{
    DirTestSetChecks(1);
    DirTestSetIdentity("CN=Admin.O=Kestrel");
    int32_t v = 30;
    auto write = [&] {
        return Modify(kUser, {{DIR_CHANGE_ADD_VALUE, "Dravon Idle Timeout"}}, DIR_SYNTAX_INTEGER, {&v});
    };
    EXPECT_EQ(DIR_ERR_NO_ACCESS, write());
    DirTestSetRights("CN=Admin.O=Kestrel", "OU=Sales.O=Kestrel", DIR_RIGHT_WRITE);   // flows down to Ann
    EXPECT_EQ(DIR_ERR_ILLEGAL_ATTRIBUTE, write());
    ASSERT_EQ(0, DirTestDefineAttribute("Dravon Idle Timeout", DIR_SYNTAX_INTEGER, 0x41));
    EXPECT_EQ(0, write());

    DirAttributeDefinition def{0x41, DIR_SYNTAX_INTEGER, {}};
    EXPECT_EQ(DIR_ERR_NO_ACCESS, DirDefineAttribute(ctx_, "Dravon DialbackFlag", &def));
    DirTestSetRights("CN=Admin.O=Kestrel", "[Root]", DIR_RIGHT_SUPERVISOR);
    EXPECT_EQ(0, DirDefineAttribute(ctx_, "Dravon DialbackFlag", &def));
}

TEST_F(Dircli32Api, WithChecksOnAnAttributeMustBelongToTheObjectsClass)
{
    DirTestSetChecks(1);
    DirTestSetIdentity("CN=Admin.O=Kestrel");
    DirTestSetRights("CN=Admin.O=Kestrel", "[Root]", DIR_RIGHT_SUPERVISOR);
    ASSERT_EQ(0, DirTestDefineAttribute("Dravon Session Parameters", DIR_SYNTAX_INTEGER, 0x41));
    ASSERT_EQ(0, DirTestDefineAttribute("Dravon Idle Timeout", DIR_SYNTAX_INTEGER, 0x41));
    ASSERT_EQ(0, DirTestDefineClass("Top"));
    ASSERT_EQ(0, DirTestDefineClass("organizational unit"));
    ASSERT_EQ(0, DirTestAddClassListName("organizational unit", 0, "Top"));
    ASSERT_EQ(0, DirTestAddClassAttribute("Top", "Dravon Idle Timeout"));   // inherited
    int32_t v = 30;
    const char *unit = "OU=Sales.O=Kestrel";
    EXPECT_EQ(DIR_ERR_ILLEGAL_ATTRIBUTE,
              Modify(unit, {{DIR_CHANGE_ADD_VALUE, "Dravon Session Parameters"}}, DIR_SYNTAX_INTEGER, {&v}));
    EXPECT_EQ(0, Modify(unit, {{DIR_CHANGE_ADD_VALUE, "Dravon Idle Timeout"}}, DIR_SYNTAX_INTEGER, {&v}));
    // A class the schema does not define is not checked.
    EXPECT_EQ(0, Modify(kUser, {{DIR_CHANGE_ADD_VALUE, "Dravon Session Parameters"}}, DIR_SYNTAX_INTEGER, {&v}));
}

// --- schema ------------------------------------------------------------------------

TEST_F(Dircli32Api, DefiningTwiceGives615AndAddingToAClassTwiceGives653)
{
    ASSERT_EQ(0, DirTestDefineClass("country"));
    DirAttributeDefinition def{0x41, DIR_SYNTAX_INTEGER, {}};
    EXPECT_EQ(0, DirDefineAttribute(ctx_, "Dravon Idle Timeout", &def));
    EXPECT_EQ(DIR_ERR_ATTR_EXISTS, DirDefineAttribute(ctx_, "dravon idle timeout", &def));
    uint32_t syntax = 0, flags = 0;
    EXPECT_EQ(1, DirTestAttributeDefined("Dravon Idle Timeout", &syntax, &flags));
    EXPECT_EQ(8u, syntax);
    EXPECT_EQ(0x41u, flags);

    ASSERT_EQ(0, DirInitBuffer(ctx_, DIR_OP_MODIFY_CLASS_DEF, request_));
    ASSERT_EQ(0, DirPutAttrName(ctx_, request_, "Dravon Idle Timeout"));
    EXPECT_EQ(0, DirModifyClassDef(ctx_, "country", request_));
    EXPECT_EQ(1, DirTestClassHasAttribute("country", "Dravon Idle Timeout"));
    EXPECT_EQ(DIR_ERR_ATTR_IN_CLASS, DirModifyClassDef(ctx_, "Country", request_));
    EXPECT_EQ(DIR_ERR_NO_SUCH_CLASS, DirModifyClassDef(ctx_, "no such class", request_));
}

TEST_F(Dircli32Api, ClassDefinitionsComeWithTheirFiveNameLists)
{
    ASSERT_EQ(0, DirTestDefineClass("user"));
    ASSERT_EQ(0, DirTestAddClassListName("user", 0, "Top"));
    ASSERT_EQ(0, DirTestAddClassListName("user", 1, "organizational unit"));
    ASSERT_EQ(0, DirTestAddClassListName("user", 2, "CN"));
    ASSERT_EQ(0, DirTestAddClassListName("user", 3, "Surname"));
    ASSERT_EQ(0, DirTestAddClassAttribute("user", "Dravon Idle Timeout"));
    ASSERT_EQ(0, DirTestAddClassAttribute("user", "Password Minimum Length"));

    ASSERT_EQ(0, DirInitBuffer(ctx_, DIR_OP_READ_CLASS_DEF, request_));
    ASSERT_EQ(0, DirPutClassName(ctx_, request_, "USER"));
    int32_t handle = DIR_ITERATION_START;
    ASSERT_EQ(0, DirReadClassDefs(ctx_, DIR_INFO_FULL_CLASS_DEFS, 0, request_, &handle, reply_));
    EXPECT_EQ(DIR_ITERATION_START, handle);
    uint32_t count = 0;
    ASSERT_EQ(0, DirGetClassDefCount(ctx_, reply_, &count));
    ASSERT_EQ(1u, count);
    char name[DIR_MAX_NAME];
    DirClassInfo info;
    ASSERT_EQ(0, DirGetClassDef(ctx_, reply_, name, &info));
    EXPECT_STREQ("user", name);
    std::vector<std::vector<std::string>> lists;
    for (int list = 0; list < 5; ++list) {
        uint32_t n = 0;
        ASSERT_EQ(0, DirGetNameListCount(ctx_, reply_, &n));
        lists.emplace_back();
        for (uint32_t i = 0; i < n; ++i) {
            ASSERT_EQ(0, DirGetNextName(ctx_, reply_, name));
            lists.back().push_back(name);
        }
        EXPECT_EQ(DIR_ERR_BUFFER_EMPTY, DirGetNextName(ctx_, reply_, name));
    }
    uint32_t n = 0;
    EXPECT_EQ(DIR_ERR_BUFFER_EMPTY, DirGetNameListCount(ctx_, reply_, &n));
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"Top"}, {"organizational unit"}, {"CN"}, {"Surname"},
                                                     {"Dravon Idle Timeout", "Password Minimum Length"}}),
              lists);
}

TEST_F(Dircli32Api, ReadingAnUnknownClassGives604)
{
    ASSERT_EQ(0, DirInitBuffer(ctx_, DIR_OP_READ_CLASS_DEF, request_));
    ASSERT_EQ(0, DirPutClassName(ctx_, request_, "Dravon Server"));
    int32_t handle = DIR_ITERATION_START;
    EXPECT_EQ(DIR_ERR_NO_SUCH_CLASS, DirReadClassDefs(ctx_, DIR_INFO_FULL_CLASS_DEFS, 0, request_, &handle, reply_));
    EXPECT_EQ(DIR_ITERATION_START, handle);
}

TEST_F(Dircli32Api, ManyClassDefinitionsSpanSeveralReplies)
{
    for (int c = 0; c < 40; ++c) {
        std::string cls = "class " + std::to_string(c);
        ASSERT_EQ(0, DirTestDefineClass(cls.c_str()));
        for (int a = 0; a < 10; ++a)
            ASSERT_EQ(0, DirTestAddClassAttribute(cls.c_str(), ("attribute with a longish name " + std::to_string(a)).c_str()));
    }
    int32_t handle = DIR_ITERATION_START;
    int replies = 0;
    std::vector<std::string> names;
    do {
        ASSERT_EQ(0, DirReadClassDefs(ctx_, DIR_INFO_FULL_CLASS_DEFS, 1, nullptr, &handle, reply_));
        ++replies;
        uint32_t count = 0;
        ASSERT_EQ(0, DirGetClassDefCount(ctx_, reply_, &count));
        for (uint32_t i = 0; i < count; ++i) {
            char name[DIR_MAX_NAME];
            ASSERT_EQ(0, DirGetClassDef(ctx_, reply_, name, nullptr));   // lists left unread are skipped
            names.push_back(name);
        }
    } while (handle != DIR_ITERATION_START);
    EXPECT_GE(replies, 2);
    ASSERT_EQ(40u, names.size());
    EXPECT_EQ("class 39", names.back());
}

// --- rights and identity ----------------------------------------------------------

TEST_F(Dircli32Api, EffectiveRightsFlowDownFromContainersAndRoot)
{
    DirTestSetRights("CN=Admin.O=Kestrel", "[Root]", DIR_RIGHT_SUPERVISOR);
    DirTestSetRights("CN=Bob.O=Kestrel", "OU=Sales.O=Kestrel", DIR_RIGHT_READ | DIR_RIGHT_COMPARE);
    uint32_t rights = 0xFFFF;
    ASSERT_EQ(0, DirGetEffectiveRights(ctx_, "CN=Admin.O=Kestrel", kUser, "[All Attributes Rights]", &rights));
    EXPECT_EQ(static_cast<uint32_t>(DIR_RIGHT_SUPERVISOR), rights);
    ASSERT_EQ(0, DirGetEffectiveRights(ctx_, "CN=Bob.O=Kestrel", kUser, "[All Attributes Rights]", &rights));
    EXPECT_EQ(static_cast<uint32_t>(DIR_RIGHT_READ | DIR_RIGHT_COMPARE), rights);
    ASSERT_EQ(0, DirGetEffectiveRights(ctx_, "CN=Bob.O=Kestrel", "O=Kestrel", "[All Attributes Rights]", &rights));
    EXPECT_EQ(0u, rights);
    EXPECT_EQ(DIR_ERR_NO_SUCH_OBJECT,
              DirGetEffectiveRights(ctx_, "CN=Bob.O=Kestrel", "CN=Gone.O=Kestrel", "[All Attributes Rights]", &rights));
}

TEST_F(Dircli32Api, WhoAmINamesTheLoggedInIdentity)
{
    char name[256];
    EXPECT_EQ(DIR_ERR_NO_ACCESS, DirWhoAmI(ctx_, name));   // nobody logged in
    DirTestSetIdentity("CN=Admin.O=Kestrel");
    ASSERT_EQ(0, DirWhoAmI(ctx_, name));
    EXPECT_STREQ("CN=Admin.O=Kestrel", name);
}

TEST_F(Dircli32Api, ContextInformationKeepsFlagsAndNameContext)
{
    uint32_t flags = 0xFFFF;
    ASSERT_EQ(0, DirGetContextInfo(ctx_, DIR_CTX_FLAGS, &flags));
    EXPECT_EQ(0u, flags);
    flags |= 0x47;
    ASSERT_EQ(0, DirSetContextInfo(ctx_, DIR_CTX_FLAGS, &flags));
    ASSERT_EQ(0, DirSetContextInfo(ctx_, DIR_CTX_NAME_CONTEXT, "[Root]"));
    uint32_t back = 0;
    ASSERT_EQ(0, DirGetContextInfo(ctx_, DIR_CTX_FLAGS, &back));
    EXPECT_EQ(0x47u, back);
    char name[DIR_MAX_NAME];
    ASSERT_EQ(0, DirGetContextInfo(ctx_, DIR_CTX_NAME_CONTEXT, name));
    EXPECT_STREQ("[Root]", name);
    EXPECT_EQ(DIR_ERR_INVALID_REQUEST, DirSetContextInfo(ctx_, 99, &flags));
}

// --- test control -----------------------------------------------------------------

TEST_F(Dircli32Api, CallsAreCountedPerOrdinal)
{
    DirTestResetCounts();
    std::vector<std::string> v;
    AddInteger(kUser, "Dravon Idle Timeout", 1);
    ReadAll(kUser, "Dravon Idle Timeout", v);
    EXPECT_EQ(1u, DirTestCallCount(1005));
    EXPECT_EQ(1u, DirTestCallCount(1015));
    EXPECT_EQ(1u, DirTestCallCount(1028));
    EXPECT_EQ(1u, DirTestCallCount(1008));
    EXPECT_EQ(1u, DirTestCallCount(1013));
    EXPECT_EQ(1u, DirTestCallCount(1047));
    EXPECT_EQ(1u, DirTestCallCount(1022));
    EXPECT_EQ(0u, DirTestCallCount(1001));
}

TEST_F(Dircli32Api, APlannedFailureHitsExactlyTheNthCall)
{
    DirTestFailCall(1001, 2, DIR_ERR_NO_CONTEXT);
    DirContextHandle first = DirCreateContext();
    EXPECT_GT(first, 0);
    EXPECT_EQ(DIR_ERR_NO_CONTEXT, DirCreateContext());
    DirContextHandle third = DirCreateContext();
    EXPECT_GT(third, 0);
    EXPECT_EQ(3, DirTestOpenContexts());   // the failed call opened nothing
    DirFreeContext(first);
    DirFreeContext(third);
}

TEST_F(Dircli32Api, PlannedFailuresCoverEveryOperationAndDoNothing)
{
    const uint32_t ordinals[] = {1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1013, 1015, 1016, 1017, 1019,
                                 1020, 1021, 1022, 1026, 1028, 1032, 1035, 1037, 1046, 1047, 1072, 1093};
    for (uint32_t ordinal : ordinals)
        DirTestFailCall(ordinal, 1, -9000 - static_cast<int32_t>(ordinal));
    uint32_t u = 0;
    int32_t h = DIR_ITERATION_START;
    char name[DIR_MAX_NAME];
    DirBuffer extra = nullptr;
    DirAttributeDefinition def{0x41, 8, {}};
    EXPECT_EQ(-10002, DirFreeContext(ctx_));
    EXPECT_EQ(-10003, DirGetContextInfo(ctx_, DIR_CTX_FLAGS, &u));
    EXPECT_EQ(-10004, DirSetContextInfo(ctx_, DIR_CTX_FLAGS, &u));
    EXPECT_EQ(-10005, DirInitBuffer(ctx_, DIR_OP_READ_OBJECT, request_));
    EXPECT_EQ(-10006, DirAllocBuffer(DIR_BUFFER_SIZE, &extra));
    EXPECT_EQ(nullptr, extra);
    EXPECT_EQ(-10007, DirFreeBuffer(request_));
    EXPECT_EQ(-10008, DirGetAttrCount(ctx_, reply_, &u));
    EXPECT_EQ(-10009, DirGetClassDefCount(ctx_, reply_, &u));
    EXPECT_EQ(-10010, DirGetNameListCount(ctx_, reply_, &u));
    EXPECT_EQ(-10013, DirGetAttrName(ctx_, reply_, name, &u, &u));
    EXPECT_EQ(-10015, DirPutAttrName(ctx_, request_, "a"));
    EXPECT_EQ(-10016, DirPutChange(ctx_, request_, 0, "a"));
    EXPECT_EQ(-10017, DirPutAttrValue(ctx_, request_, 8, &u));
    EXPECT_EQ(-10019, DirGetClassDef(ctx_, reply_, name, nullptr));
    EXPECT_EQ(-10020, DirGetNextName(ctx_, reply_, name));
    EXPECT_EQ(-10021, DirPutClassName(ctx_, request_, "a"));
    EXPECT_EQ(-10022, DirGetAttrValue(ctx_, reply_, 8, &u));
    EXPECT_EQ(-10026, DirModifyObject(ctx_, kUser, &h, 0, request_));
    EXPECT_EQ(-10028, DirReadObject(ctx_, kUser, 1, 0, request_, &h, reply_));
    EXPECT_EQ(-10032, DirDefineAttribute(ctx_, "a", &def));
    EXPECT_EQ(-10035, DirModifyClassDef(ctx_, "a", request_));
    EXPECT_EQ(-10037, DirReadClassDefs(ctx_, 2, 0, request_, &h, reply_));
    EXPECT_EQ(-10046, DirGetEffectiveRights(ctx_, "a", kUser, "b", &u));
    EXPECT_EQ(-10047, DirComputeAttrValueSize(ctx_, reply_, 8, &u));
    EXPECT_EQ(-10072, DirCloseIteration(ctx_, 5, 3));
    EXPECT_EQ(-10093, DirWhoAmI(ctx_, name));
    EXPECT_EQ(1, DirTestOpenContexts());   // nothing was freed by the failed calls
    EXPECT_EQ(2, DirTestOpenBuffers());
    EXPECT_EQ(0, DirTestAttributeDefined("a", nullptr, nullptr));
    // Each plan fired once; the same calls now work.
    EXPECT_EQ(0, DirInitBuffer(ctx_, DIR_OP_READ_OBJECT, request_));
    EXPECT_EQ(0, DirDefineAttribute(ctx_, "a", &def));
}

TEST_F(Dircli32Api, ClearedFailuresDoNotFire)
{
    DirTestFailCall(1028, 1, DIR_ERR_NO_SUCH_VALUE);
    DirTestClearFailures();
    AddInteger(kUser, "Dravon Idle Timeout", 1);
    std::vector<std::string> v;
    EXPECT_EQ(0, ReadAll(kUser, "Dravon Idle Timeout", v));
}

TEST_F(Dircli32Api, SeededValuesReadBackThroughTheTestControl)
{
    EXPECT_EQ(-1, DirTestValueCount("CN=Gone", "x"));
    EXPECT_EQ(0, DirTestValueCount(kUser, "x"));
    ASSERT_EQ(0, DirTestAddValue(kUser, "Dravon DialbackNumber", DIR_SYNTAX_TELEPHONE_NUMBER, "12", 3));
    char small[2] = {'?', '?'};
    EXPECT_EQ(3, DirTestGetValue(kUser, "Dravon DialbackNumber", 0, small, 2));
    EXPECT_EQ('?', small[0]) << "nothing is copied into a too small area";
    char text[8];
    EXPECT_EQ(3, DirTestGetValue(kUser, "Dravon DialbackNumber", 0, text, sizeof text));
    EXPECT_STREQ("12", text);
    EXPECT_EQ(-1, DirTestGetValue(kUser, "Dravon DialbackNumber", 1, text, sizeof text));
    EXPECT_EQ(0, DirTestRemoveAttribute(kUser, "Dravon DialbackNumber"));
    EXPECT_EQ(0, DirTestValueCount(kUser, "Dravon DialbackNumber"));
}

TEST_F(Dircli32Api, StoreTextRoundTripsThroughTheTestControl)
{
    AddOctets(kUser, "Dravon ARAS Zone", std::string("Zone A\0", 7));
    DirTestSetRights("CN=Admin.O=Kestrel", "[Root]", DIR_RIGHT_SUPERVISOR);
    int32_t size = DirTestSaveText(nullptr, 0);
    ASSERT_GT(size, 0);
    std::vector<char> text(static_cast<size_t>(size) + 1);
    ASSERT_EQ(size, DirTestSaveText(text.data(), static_cast<uint32_t>(text.size())));
    EXPECT_NE(nullptr, std::strstr(text.data(), "octets:: Wm9uZSBBAA=="));
    EXPECT_NE(0, DirTestLoadText("version: 1\n\nobject: x\n"));   // no class: refused
    EXPECT_EQ(1, DirTestValueCount(kUser, "Dravon ARAS Zone")) << "a refused text leaves the store alone";
    ASSERT_EQ(0, DirTestLoadText(text.data()));
    EXPECT_EQ(1, DirTestValueCount(kUser, "Dravon ARAS Zone"));
}

TEST_F(Dircli32Api, TheServerObjectsOfTheStoreAreFoundByClass)
{
    ASSERT_EQ(0, DirTestAddObject("CN=RAS-1.O=Kestrel", "Dravon Server"));
    ASSERT_EQ(0, DirTestAddObject("CN=RAS-2.OU=Sales.O=Kestrel", "dravon server"));
    char name[64];
    ASSERT_EQ(0, DirStandinFindObject("Dravon Server", 0, name, sizeof name));
    EXPECT_STREQ("CN=RAS-1.O=Kestrel", name);
    ASSERT_EQ(0, DirStandinFindObject("Dravon Server", 1, name, sizeof name));
    EXPECT_STREQ("CN=RAS-2.OU=Sales.O=Kestrel", name);
    EXPECT_EQ(DIR_ERR_NO_SUCH_OBJECT, DirStandinFindObject("Dravon Server", 2, name, sizeof name));
    EXPECT_EQ(DIR_ERR_INSUFFICIENT_BUFFER, DirStandinFindObject("Dravon Server", 0, name, 5));
}

}  // namespace
