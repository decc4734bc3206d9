// Reading and writing the first page's attributes: markers for absent
// values, every step of a save whatever the one before did, and values that
// do not fit the page's fields.
#include "page_fixture.h"

#include "core/attribute_formats.h"
#include "core/heap.h"
#include "core/pages.h"
#include "user/user_parameters_ids.h"
#include "user/user_remote_params.h"

#include <dircli32_test.h>

#include <cstring>
#include <string>

namespace pagetest {
namespace {

using namespace rax;

using UserStateTest = UserPageTest;

TEST_F(UserStateTest, ReadFailureOtherThanAbsentLeavesZero)
{
    StoreInteger(UserObject, AttrIdleTimeout, 15);
    // Every read operation of the library fails from now.
    for (uint32_t nth = 1; nth <= 40; ++nth)
        DirTestFailCall(1028, nth, -777);
    ReadUserParameters(UserObject);
    const UserRemoteParams &read = UserParamsAsRead();
    EXPECT_EQ(read.idleTimeout, 0);
    EXPECT_EQ(read.dialbackFlag, 0);
    EXPECT_FALSE(read.passwordParametersAbsent);
    EXPECT_EQ(read.passwordParameters.DisableAfterDays, 0);
    DirTestClearFailures();
}

TEST_F(UserStateTest, SaveWritesInOrderAndEveryStepRunsAfterAFailure)
{
    StoreInteger(UserObject, AttrDialbackFlag, 2);
    StoreInteger(UserObject, AttrIdleTimeout, 5);
    ReadUserParameters(UserObject);
    UserRemoteParams &edited = UserParamsEdited();
    edited.passwordParameters.DisableAfterDays = 9;
    edited.dialbackFlag = 1;
    lstrcpyA(edited.dialbackNumber.text, "777");
    edited.maxConnectTime = 60;
    edited.idleTimeout = -2;
    // The third modify fails: in the order of the save that is the number.
    DirTestFailCall(ModifyObject, 3, -777);
    EXPECT_EQ(WriteUserParameters(UserObject), 0) << "the result is that of the last write";
    EXPECT_EQ(Writes(), 5u);
    EXPECT_EQ(StoredValue(UserObject, AttrPasswordParameters).size(), 46u);
    EXPECT_EQ(StoredInteger(UserObject, AttrDialbackFlag), 1);
    EXPECT_EQ(ValueCount(UserObject, AttrDialbackNumber), 0);
    EXPECT_EQ(StoredInteger(UserObject, AttrSessionParameters), 60);
    EXPECT_EQ(ValueCount(UserObject, AttrIdleTimeout), 0);

    // Only the failed step is still pending.
    DirTestResetCounts();
    DirTestFailCall(ModifyObject, 1, -777);
    EXPECT_EQ(WriteUserParameters(UserObject), -777);
    EXPECT_EQ(Writes(), 1u);
    DirTestResetCounts();
    EXPECT_EQ(WriteUserParameters(UserObject), 0);
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(StoredText(UserObject, AttrDialbackNumber), "777");
}

TEST_F(UserStateTest, ASecondSaveOfTheSamePagesWritesNothingAgain)
{
    StoreInteger(UserObject, AttrSessionParameters, 10);
    OpenPage();
    SetText(IDC_CONNECT_TIME, "20");
    ASSERT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 1u);
    ASSERT_EQ(Apply(), 1);   // OK after Apply: the host applies and saves again
    Save();
    EXPECT_EQ(Writes(), 1u);
    SetText(IDC_CONNECT_TIME, "30");
    ASSERT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 2u);
    EXPECT_EQ(ValueCount(UserObject, AttrSessionParameters), 1);
    EXPECT_EQ(StoredInteger(UserObject, AttrSessionParameters), 30);
}

TEST_F(UserStateTest, NothingCarriesOverToTheNextObjectsSave)
{
    OpenPage(UserObject);
    Toggle(IDC_SPECIFY_IDLE_TIMEOUT);
    SetText(IDC_IDLE_TIMEOUT, "45");
    ASSERT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(StoredInteger(UserObject, AttrIdleTimeout), 45);

    OpenPage(OtherUserObject);
    EXPECT_FALSE(Checked(IDC_SPECIFY_IDLE_TIMEOUT));
    ASSERT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 0u);
    EXPECT_EQ(ValueCount(OtherUserObject, AttrIdleTimeout), 0);
}

TEST_F(UserStateTest, LongStoredNumberIsShownCutAndNotRewritten)
{
    const std::string stored = "+49 (0)30 1234 5678 9012 3456 7890 1234 5678 90";   // 47 characters
    StoreInteger(UserObject, AttrDialbackFlag, 1);
    StoreText(UserObject, AttrDialbackNumber, stored.c_str());
    long heapBefore = OutstandingBlocks();
    OpenPage();
    EXPECT_EQ(Text(IDC_DIALBACK_NUMBER), stored.substr(0, 40));
    ASSERT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 0u);
    EXPECT_EQ(StoredText(UserObject, AttrDialbackNumber), stored);

    // Changed by the administrator: the stored value is replaced, not joined.
    SetText(IDC_DIALBACK_NUMBER, "12345");
    ASSERT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(ValueCount(UserObject, AttrDialbackNumber), 1);
    EXPECT_EQ(StoredText(UserObject, AttrDialbackNumber), "12345");
    ClosePage();
    ResetUserParameters();
    EXPECT_EQ(OutstandingBlocks(), heapBefore);
}

TEST_F(UserStateTest, OverlongNumbersAreKeptUnlessTyped)
{
    StoreOctets(UserObject, AttrPasswordParameters,
             {1, 0, 0, 0, 0xE8, 0x03, 0, 0, 0x10, 0x20, 0x30, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});   // 1000 days
    StoreInteger(UserObject, AttrSessionParameters, 10000000);
    StoreInteger(UserObject, AttrIdleTimeout, -1234567);
    OpenPage();
    EXPECT_EQ(Text(IDC_DISABLE_DAYS), "1000");
    EXPECT_EQ(Text(IDC_CONNECT_TIME), "10000000");
    EXPECT_EQ(Text(IDC_IDLE_TIMEOUT), "-1234567");
    ASSERT_EQ(Apply(), 1);
    EXPECT_EQ(UserParamsEdited().passwordParameters.DisableAfterDays, 1000);
    EXPECT_EQ(UserParamsEdited().maxConnectTime, 10000000);
    EXPECT_EQ(UserParamsEdited().idleTimeout, -1234567);
    Save();
    EXPECT_EQ(Writes(), 0u);

    SetText(IDC_DISABLE_DAYS, "12");
    SetText(IDC_CONNECT_TIME, "1000");
    ASSERT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 2u);
    EXPECT_EQ(StoredInteger(UserObject, AttrSessionParameters), 1000);
    EXPECT_EQ(StoredInteger(UserObject, AttrIdleTimeout), -1234567);
}

TEST_F(UserStateTest, UnknownStoredModeIsKept)
{
    StoreInteger(UserObject, AttrDialbackFlag, 9);
    OpenPage();
    EXPECT_EQ(SelectedRow(), -1);
    EXPECT_FALSE(Enabled(IDC_DIALBACK_PORT));
    ASSERT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 0u);
    EXPECT_EQ(StoredInteger(UserObject, AttrDialbackFlag), 9);
}

TEST_F(UserStateTest, PasswordParametersOfAnotherSizeAreReplacedWhole)
{
    std::vector<uint8_t> stored(50, 0);
    stored[0] = 1;
    stored[4] = 20;
    stored[47] = 0x99;
    StoreOctets(UserObject, AttrPasswordParameters, stored);
    OpenPage();
    EXPECT_EQ(Text(IDC_DISABLE_DAYS), "20");
    SetText(IDC_DISABLE_DAYS, "21");
    ASSERT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(ValueCount(UserObject, AttrPasswordParameters), 1);
    std::vector<uint8_t> bytes = StoredValue(UserObject, AttrPasswordParameters);
    ASSERT_EQ(bytes.size(), 46u);
    EXPECT_EQ(bytes[4], 21);
}

TEST_F(UserStateTest, MemoryFailureWhileReadingIsReportedAndReadingGoesOn)
{
    StoreText(UserObject, AttrDialbackNumber, "5551234");
    StoreInteger(UserObject, AttrIdleTimeout, 12);
    FailAllocationAt(1);   // the block for the dialback number
    ReadUserParameters(UserObject);
    FailAllocationAt(0);
    ASSERT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(capture_->Boxes()[0].text, "Memory allocation failure.");
    EXPECT_EQ(capture_->Boxes()[0].caption, "Remote Access Ostrum Snapin");
    EXPECT_EQ(capture_->Boxes()[0].owner, nullptr);
    EXPECT_STREQ(UserParamsAsRead().dialbackNumber.text, "");
    EXPECT_EQ(UserParamsAsRead().idleTimeout, 12);
}

} // namespace
} // namespace pagetest
