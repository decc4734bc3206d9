// The locale support and client services stand-ins, through their DLLs imported
// by ordinal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dircli32_test.h"
#include "langsup32.h"
#include "langsup32_test.h"
#include "svclib32.h"
#include "svclib32_test.h"

namespace {

TEST(Langsup32, ComparesNamesWithoutRegardToCase)
{
    LangTestResetCounts();
    EXPECT_EQ(0, LangCompareNames("Dravon IP Filters", "DRAVON ip filters"));
    EXPECT_EQ(0, LangCompareNames("", ""));
    EXPECT_LT(LangCompareNames("Dravon IP", "Dravon IP Filters"), 0);
    EXPECT_GT(LangCompareNames("dravon ip filters", "Dravon Idle Timeout"), 0);   // "p" after "d", case aside
    EXPECT_LT(LangCompareNames("abc", "abd"), 0);
    EXPECT_NE(0, LangCompareNames("Dravon Idle Timeout", "Dravon Idle Timeout "));
    EXPECT_EQ(6u, LangTestCallCount());
}

TEST(Langsup32, EightBitCharactersCompareAsTheyAre)
{
    EXPECT_EQ(0, LangCompareNames("Caf\xE9", "CAF\xE9"));
    EXPECT_NE(0, LangCompareNames("Caf\xE9", "Caf\xC9"));
    EXPECT_LT(LangCompareNames("z", "\xE9"), 0);   // unsigned: 8-bit characters sort last
}

class Svclib32 : public ::testing::Test {
protected:
    void SetUp() override
    {
        DirTestReset();
        SvcTestReset();
        ASSERT_EQ(0, DirTestAddObject("O=Kestrel", "organization"));
        ASSERT_EQ(0, DirTestAddObject("CN=RAS-1.O=Kestrel", "Dravon Server"));
        ASSERT_EQ(0, DirTestAddObject("CN=Ann.O=Kestrel", "user"));
        ASSERT_EQ(0, DirTestAddObject("CN=ras-2.OU=Sales.O=Kestrel", "dravon server"));
        // A name of 48 characters does not fit the 48-byte buffer with its NUL: not handed out.
        std::string tooLong = "CN=" + std::string(48, 'L') + ".O=Kestrel";
        ASSERT_EQ(0, DirTestAddObject(tooLong.c_str(), "Dravon Server"));
        std::string longest = "CN=" + std::string(47, 'M') + ".O=Kestrel";
        ASSERT_EQ(0, DirTestAddObject(longest.c_str(), "Dravon Server"));
        ASSERT_EQ(0, DirTestAddObject("CN=RAS-3.O=Kestrel", "Dravon Server"));
    }
    void TearDown() override
    {
        DirTestReset();
        SvcTestReset();
    }

    // The names the editor would collect: scan until nonzero.
    std::vector<std::string> Scan(const char *pattern = "*", uint32_t type = SVC_OBJECT_TYPE_SERVER)
    {
        SvcConnection connection = 0;
        EXPECT_EQ(0, SvcGetDefaultConnection(&connection));
        std::vector<std::string> names;
        int32_t position = 0;
        char name[SVC_MAX_OBJECT_NAME];
        while (SvcScanObject(connection, pattern, type, &position, name, nullptr, nullptr, nullptr, nullptr) == 0) {
            names.push_back(name);
            if (names.size() > 100)
                break;
        }
        return names;
    }
};

TEST_F(Svclib32, ScanYieldsEachServerObjectOncePerCallThenEnds)
{
    EXPECT_EQ((std::vector<std::string>{"RAS-1", "ras-2", std::string(47, 'M'), "RAS-3"}), Scan());
    EXPECT_EQ(1u, SvcTestCallCount(101));
    EXPECT_EQ(5u, SvcTestCallCount(102));
}

TEST_F(Svclib32, ThePatternAndTheObjectTypeSelect)
{
    EXPECT_EQ((std::vector<std::string>{"RAS-1", "ras-2", "RAS-3"}), Scan("r?s-*"));
    EXPECT_EQ((std::vector<std::string>{"ras-2"}), Scan("*2"));
    EXPECT_TRUE(Scan("*", 4).empty());
}

TEST_F(Svclib32, AnEmptyStoreEndsAtTheFirstCall)
{
    DirTestReset();
    EXPECT_TRUE(Scan().empty());
}

TEST_F(Svclib32, PlannedFailuresStopTheConnectionOrTheScan)
{
    SvcTestFailCall(101, 1, SVC_ERR_NO_CONNECTION);
    SvcConnection connection = 0;
    EXPECT_EQ(SVC_ERR_NO_CONNECTION, SvcGetDefaultConnection(&connection));
    EXPECT_EQ(0u, connection);
    SvcTestFailCall(102, 2, SVC_ERR_NO_MORE);
    EXPECT_EQ((std::vector<std::string>{"RAS-1"}), Scan());
    char name[SVC_MAX_OBJECT_NAME];
    int32_t position = 0;
    EXPECT_EQ(SVC_ERR_NO_CONNECTION, SvcScanObject(connection + 1, "*", SVC_OBJECT_TYPE_SERVER, &position, name,
                                                   nullptr, nullptr, nullptr, nullptr));
}

}  // namespace
