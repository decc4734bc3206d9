// The Other Parameters page of a container: the idle timeout group with its
// add, replace and remove, and the shared IPX and IP groups on this page.
#include "page_fixture.h"

#include "core/heap.h"
#include "core/pages.h"
#include "core/snapin_state.h"
#include "network/network_page_ids.h"
#include "network/network_page_state.h"

#include <dircli32_test.h>

using namespace pagetest;

namespace {

const char IdleTimeout[] = "Dravon Idle Timeout";
const char IpxProfile[] = "Dravon IPX Profile";
const char IpProfile[] = "Dravon IP Profile";

Bytes IntegerBytes(int32_t value)
{
    Bytes bytes(4);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
    return bytes;
}

class OtherParametersPage : public NetworkPageTest {};

TEST_F(OtherParametersPage, ContainerWithoutAttributesShowsDefaultsAndSavesNothing)
{
    ASSERT_NE(OpenContainerPage(), nullptr);
    EXPECT_FALSE(Checked(IDC_SPECIFY_IDLE_TIMEOUT));
    EXPECT_TRUE(Enabled(IDC_SPECIFY_IDLE_TIMEOUT));
    EXPECT_EQ(Text(IDC_IDLE_TIMEOUT), "0");
    EXPECT_FALSE(Enabled(IDC_IDLE_TIMEOUT));
    EXPECT_FALSE(Enabled(IDC_IDLE_TIMEOUT_LABEL));
    EXPECT_EQ(Text(IDC_IPX_ADDRESS), "000000000000");
    EXPECT_EQ(Text(IDC_IPX_MASK), "FFFFFFFFFFFF");
    EXPECT_FALSE(Enabled(IDC_IPX_ADDRESS));
    EXPECT_EQ(Text(IDC_DOMAIN_SERVER), "0.0.0.0");
    EXPECT_EQ(Text(IDC_TFTP_SERVER), "0.0.0.0");
    EXPECT_EQ(GetDlgItem(Page(), IDC_ZONE_LIST), nullptr);
    EXPECT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 0u);
    EXPECT_TRUE(capture_->Boxes().empty());
}

TEST_F(OtherParametersPage, SpecifyingNoLimitAddsTheAttribute)
{
    ASSERT_NE(OpenContainerPage(), nullptr);
    SetCheck(IDC_SPECIFY_IDLE_TIMEOUT, true);
    EXPECT_TRUE(Enabled(IDC_IDLE_TIMEOUT));
    EXPECT_TRUE(Enabled(IDC_IDLE_TIMEOUT_LABEL));
    SetText(IDC_IDLE_TIMEOUT, "-1");
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 1u);
    ASSERT_EQ(ValueCount(UnitObject, IdleTimeout), 1);
    EXPECT_EQ(StoredValue(UnitObject, IdleTimeout), IntegerBytes(-1));
}

TEST_F(OtherParametersPage, UncheckingRemovesAStoredTimeout)
{
    StoreInteger(UnitObject, IdleTimeout, 30);
    ASSERT_NE(OpenContainerPage(), nullptr);
    EXPECT_TRUE(Checked(IDC_SPECIFY_IDLE_TIMEOUT));
    EXPECT_EQ(Text(IDC_IDLE_TIMEOUT), "30");
    SetCheck(IDC_SPECIFY_IDLE_TIMEOUT, false);
    EXPECT_FALSE(Enabled(IDC_IDLE_TIMEOUT));
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(ValueCount(UnitObject, IdleTimeout), 0);
}

TEST_F(OtherParametersPage, ChangedTimeoutReplacesTheValueAndTheSameValueWritesNothing)
{
    StoreInteger(UnitObject, IdleTimeout, 30);
    ASSERT_NE(OpenContainerPage(), nullptr);
    SetText(IDC_IDLE_TIMEOUT, "45");
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 1u);
    ASSERT_EQ(ValueCount(UnitObject, IdleTimeout), 1);
    EXPECT_EQ(StoredValue(UnitObject, IdleTimeout), IntegerBytes(45));

    ASSERT_NE(OpenContainerPage(), nullptr);
    SetText(IDC_IDLE_TIMEOUT, "045");
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 0u);
}

// A timeout written by another tool whose text is longer than the field: the
// page shows it whole, and an apply that did not touch the field keeps it
// rather than taking its first six characters (1000000 is not 100000).
TEST_F(OtherParametersPage, OverlongStoredTimeoutIsKeptUnlessTypedInto)
{
    StoreInteger(UnitObject, IdleTimeout, 1000000);
    ASSERT_NE(OpenContainerPage(), nullptr);
    EXPECT_EQ(Text(IDC_IDLE_TIMEOUT), "1000000");
    ASSERT_TRUE(Apply());
    EXPECT_EQ(rax::NetworkPage().idleEdited, 1000000);
    Save();
    EXPECT_EQ(Writes(), 0u);
    EXPECT_EQ(StoredValue(UnitObject, IdleTimeout), IntegerBytes(1000000));

    ASSERT_NE(OpenContainerPage(), nullptr);
    SetText(IDC_IDLE_TIMEOUT, "60");
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(StoredValue(UnitObject, IdleTimeout), IntegerBytes(60));
}

TEST_F(OtherParametersPage, MinutesAreCheckedWhileTypingWithoutOwnerAndAgainAtApply)
{
    HWND page = OpenContainerPage();
    SetCheck(IDC_SPECIFY_IDLE_TIMEOUT, true);
    int notices = ChangeNotices();
    SetText(IDC_IDLE_TIMEOUT, "1a");
    ASSERT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(capture_->Boxes()[0].text, StringOf(5013));
    EXPECT_EQ(capture_->Boxes()[0].caption, StringOf(6002));
    EXPECT_EQ(capture_->Boxes()[0].owner, nullptr);
    EXPECT_EQ(capture_->Boxes()[0].icon, harness::BoxIcon::Stop);
    EXPECT_EQ(ChangeNotices(), notices);   // a refused text is no change
    EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_IDLE_TIMEOUT));

    SetText(IDC_IDLE_TIMEOUT, "-5");
    EXPECT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(ChangeNotices(), notices + 1);
    EXPECT_FALSE(Apply());
    ASSERT_EQ(capture_->Boxes().size(), 2u);
    EXPECT_EQ(capture_->Boxes()[1].text, StringOf(5013));
    EXPECT_EQ(capture_->Boxes()[1].owner, nullptr);
    EXPECT_EQ(rax::NetworkPage().idleEdited, -2);

    SetText(IDC_IDLE_TIMEOUT, "100001");
    EXPECT_FALSE(Apply());
    SetText(IDC_IDLE_TIMEOUT, "100000");
    EXPECT_TRUE(Apply());
    EXPECT_EQ(rax::NetworkPage().idleEdited, 100000);
}

TEST_F(OtherParametersPage, WithoutWriteRightAStoredTimeoutIsShownButNeverWritten)
{
    DirTestSetRights(Admin, UnitObject, ReadRights);
    StoreInteger(UnitObject, IdleTimeout, 20);
    ASSERT_NE(OpenContainerPage(), nullptr);
    EXPECT_EQ(Text(IDC_IDLE_TIMEOUT), "20");
    EXPECT_FALSE(Checked(IDC_SPECIFY_IDLE_TIMEOUT));
    EXPECT_FALSE(Enabled(IDC_SPECIFY_IDLE_TIMEOUT));
    EXPECT_FALSE(Enabled(IDC_IDLE_TIMEOUT));
    for (int id : {IDC_EDIT_HOME_SERVERS, IDC_SPECIFY_IPX_ADDRESS, IDC_SPECIFY_DOMAIN, IDC_SET_BOOT_PARAMETERS})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(IDC_HOME_SERVER_LIST));
    EXPECT_TRUE(Apply());
    EXPECT_EQ(rax::NetworkPage().idleEdited, 20);
    Save();
    EXPECT_EQ(Writes(), 0u);
    EXPECT_EQ(StoredValue(UnitObject, IdleTimeout), IntegerBytes(20));
}

TEST_F(OtherParametersPage, InvalidIpxAddressRefusesButTheTimeoutIsStillTaken)
{
    ASSERT_NE(OpenContainerPage(), nullptr);
    SetCheck(IDC_SPECIFY_IPX_ADDRESS, true);
    SetText(IDC_IPX_ADDRESS, "12345");   // passes while typing, short at apply
    SetCheck(IDC_SPECIFY_IDLE_TIMEOUT, true);
    SetText(IDC_IDLE_TIMEOUT, "25");
    EXPECT_FALSE(Apply());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{StringOf(5002)});
    EXPECT_EQ(rax::NetworkPage().idleEdited, 25);
    EXPECT_EQ(rax::NetworkPage().ipxBuilt.value, nullptr);
}

TEST_F(OtherParametersPage, ProfilesAreWrittenAfterTheTimeoutAndASecondSaveWritesNothingAgain)
{
    StoreOctets(UnitObject, IpProfile, Item(0x8006, {10, 0, 0, 1}));
    ASSERT_NE(OpenContainerPage(), nullptr);
    SetCheck(IDC_SPECIFY_IDLE_TIMEOUT, true);
    SetText(IDC_IDLE_TIMEOUT, "7");
    SetCheck(IDC_SPECIFY_IPX_ADDRESS, true);
    SetText(IDC_IPX_ADDRESS, "00000000000A");
    SetText(IDC_IPX_MASK, "FFFFFF000000");
    SetText(IDC_DOMAIN_NAME, "corp");
    ASSERT_TRUE(Apply());
    sheet_->Save();
    EXPECT_EQ(Writes(), 3u);
    EXPECT_EQ(StoredValue(UnitObject, IdleTimeout), IntegerBytes(7));
    EXPECT_EQ(StoredValue(UnitObject, IpxProfile),
              Item(0xC001, {0, 0, 0, 0, 0, 0x0A, 0xFF, 0xFF, 0xFF, 0, 0, 0}));
    EXPECT_EQ(StoredValue(UnitObject, IpProfile), Join({Item(0x8006, {10, 0, 0, 1}), TextItem(0x800F, "corp")}));
    EXPECT_EQ(rax::NetworkPage().ipxBuilt.value, nullptr);

    // The host applies and saves again on the same open page: all is stored.
    ASSERT_TRUE(Apply());
    sheet_->Save();
    EXPECT_EQ(Writes(), 3u);
    // A later change replaces what the first save wrote.
    SetText(IDC_IPX_ADDRESS, "00000000000B");
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 4u);
    ASSERT_EQ(ValueCount(UnitObject, IpxProfile), 1);
    EXPECT_EQ(StoredValue(UnitObject, IpxProfile),
              Item(0xC001, {0, 0, 0, 0, 0, 0x0B, 0xFF, 0xFF, 0xFF, 0, 0, 0}));
    EXPECT_TRUE(capture_->Boxes().empty());
    rax::ReleaseNetworkPageValues();   // what the next load does with what the save kept
    EXPECT_EQ(rax::OutstandingBlocks(), heapAtStart_);
}

TEST_F(OtherParametersPage, NothingCarriesOverFromAnAppliedButUnsavedContainer)
{
    StoreInteger(OtherUnitObject, IdleTimeout, 12);
    ASSERT_NE(OpenContainerPage(), nullptr);
    SetCheck(IDC_SPECIFY_IDLE_TIMEOUT, true);
    SetText(IDC_IDLE_TIMEOUT, "9");
    SetText(IDC_DOMAIN_SERVER, "1.1.1.1");
    ASSERT_TRUE(Apply());
    Cancel();
    rax::ReadOtherParameters(OtherUnitObject);
    DirTestResetCounts();
    EXPECT_EQ(rax::WriteOtherParameters(OtherUnitObject), 0);
    EXPECT_EQ(Writes(), 0u);
    EXPECT_EQ(StoredValue(OtherUnitObject, IdleTimeout), IntegerBytes(12));
}

TEST_F(OtherParametersPage, HelpOpensTheContainerPageTopic)
{
    ASSERT_NE(OpenContainerPage(), nullptr);
    sheet_->Help(0);
    ASSERT_EQ(help_->Calls().size(), 1u);
    EXPECT_EQ(help_->Calls()[0].data, 49197ul);
    EXPECT_EQ(help_->Calls()[0].command, 1u);
}

} // namespace
