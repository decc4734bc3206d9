// The Service Parameters page of a user: what it shows, what it checks while
// typing and at apply, and exactly what the save writes.
#include "page_fixture.h"

#include "core/attribute_formats.h"
#include "core/heap.h"
#include "core/pages.h"
#include "core/snapin_state.h"
#include "network/network_page_ids.h"
#include "network/network_page_state.h"

#include <dircli32_test.h>

using namespace pagetest;

namespace {

const char IpxProfile[] = "Dravon IPX Profile";
const char IpProfile[] = "Dravon IP Profile";
const char Zones[] = "Dravon ARAS Zone";

const Bytes AddressA = {0x00, 0x00, 0x00, 0x00, 0x00, 0x0A};
const Bytes FullMask = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

Bytes IpxAddressItem(const Bytes &address, const Bytes &mask)
{
    Bytes data = address;
    data.insert(data.end(), mask.begin(), mask.end());
    return Item(0xC001, data);
}

class ServiceParametersPage : public NetworkPageTest {};

WNDPROC g_pageProc = nullptr;
WPARAM g_noticeWord = 0;
LPARAM g_noticeLong = 0;

LRESULT CALLBACK WatchNotices(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == rax::PageMsgChanged) {
        g_noticeWord = wParam;
        g_noticeLong = lParam;
    }
    return CallWindowProcA(g_pageProc, window, message, wParam, lParam);
}

TEST_F(ServiceParametersPage, ChangeNoticeNamesThePageByItsLowWordAndCarries0x10000)
{
    HWND page = OpenUserPage();
    g_pageProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(page, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchNotices)));
    SetCheck(IDC_SPECIFY_DOMAIN, true);
    SetWindowLongPtrA(page, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pageProc));
    EXPECT_EQ(g_noticeWord, reinterpret_cast<WPARAM>(page) & 0xFFFF);
    EXPECT_EQ(g_noticeLong, 0x10000);
}

TEST_F(ServiceParametersPage, UserWithoutAttributesShowsDefaultsAndSavesNothing)
{
    HWND page = OpenUserPage();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(List(IDC_ZONE_LIST).empty());
    EXPECT_TRUE(List(IDC_HOME_SERVER_LIST).empty());
    EXPECT_FALSE(Checked(IDC_SPECIFY_IPX_ADDRESS));
    EXPECT_EQ(Text(IDC_IPX_ADDRESS), "000000000000");
    EXPECT_EQ(Text(IDC_IPX_MASK), "FFFFFFFFFFFF");
    EXPECT_FALSE(Checked(IDC_SPECIFY_DOMAIN));
    EXPECT_FALSE(Checked(IDC_SET_BOOT_PARAMETERS));
    EXPECT_EQ(Text(IDC_DOMAIN_SERVER), "0.0.0.0");
    EXPECT_EQ(Text(IDC_TFTP_SERVER), "0.0.0.0");
    for (int id : {IDC_IPX_ADDRESS, IDC_IPX_MASK, IDC_IPX_ADDRESS_LABEL, IDC_IPX_MASK_LABEL, IDC_DOMAIN_SERVER,
                   IDC_DOMAIN_NAME, IDC_DOMAIN_SERVER_LABEL, IDC_DOMAIN_NAME_LABEL, IDC_TFTP_SERVER, IDC_BOOT_FILE,
                   IDC_TFTP_SERVER_LABEL, IDC_BOOT_FILE_LABEL})
        EXPECT_FALSE(Enabled(id)) << id;
    for (int id : {IDC_SPECIFY_IPX_ADDRESS, IDC_SPECIFY_DOMAIN, IDC_SET_BOOT_PARAMETERS, IDC_EDIT_ZONES,
                   IDC_EDIT_HOME_SERVERS})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_EQ(ChangeNotices(), 0);   // filling the fields is no change

    long heap = rax::OutstandingBlocks();
    EXPECT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 0u);
    EXPECT_TRUE(capture_->Boxes().empty());
    EXPECT_EQ(rax::OutstandingBlocks(), heap);
}

TEST_F(ServiceParametersPage, StoredValuesAreShownAndUnknownItemsSkipped)
{
    StoreOctets(UserObject, IpxProfile,
                Join({TextItem(0xC003, "ALPHA"), Item(0x1234, {1, 2, 3}), IpxAddressItem(AddressA, FullMask),
                      Item(0xC002, {0, 0, 0xAB, 0xCD, 0, 0, 0x1B, 0x2C, 0x3D, 0x4E})}));
    StoreOctets(UserObject, IpProfile,
                Join({Item(0x8006, {10, 1, 2, 3}), TextItem(0x800F, "corp.example"), Item(0x8035, {192, 168, 0, 9}),
                      TextItem(0x8037, "/boot/x.img")}));
    StoreOctets(UserObject, Zones, ZoneValue("Sales"));
    StoreOctets(UserObject, Zones, ZoneValue("Annex"));

    ASSERT_NE(OpenUserPage(), nullptr);
    EXPECT_EQ(List(IDC_ZONE_LIST), (std::vector<std::string>{"Annex", "Sales"}));
    EXPECT_TRUE(Checked(IDC_SPECIFY_IPX_ADDRESS));
    EXPECT_TRUE(Enabled(IDC_IPX_ADDRESS));
    EXPECT_EQ(Text(IDC_IPX_ADDRESS), "00000000000A");
    EXPECT_EQ(Text(IDC_IPX_MASK), "FFFFFFFFFFFF");
    // The list box sorts the entries itself.
    EXPECT_EQ(List(IDC_HOME_SERVER_LIST), (std::vector<std::string>{"[0000ABCD][00001B2C3D4E]", "ALPHA"}));
    EXPECT_TRUE(Checked(IDC_SPECIFY_DOMAIN));
    EXPECT_EQ(Text(IDC_DOMAIN_SERVER), "10.1.2.3");
    EXPECT_EQ(Text(IDC_DOMAIN_NAME), "corp.example");
    EXPECT_TRUE(Checked(IDC_SET_BOOT_PARAMETERS));
    EXPECT_EQ(Text(IDC_TFTP_SERVER), "192.168.0.9");
    EXPECT_EQ(Text(IDC_BOOT_FILE), "/boot/x.img");

    EXPECT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 0u);
}

TEST_F(ServiceParametersPage, WithoutWriteRightEverythingButTheListsIsDisabledAndNothingIsWritten)
{
    DirTestSetRights(Admin, UserObject, ReadRights);
    DirTestSetRights(Admin, UnitObject, ReadRights);   // rights are inherited from the container
    StoreOctets(UserObject, IpxProfile, Join({IpxAddressItem(AddressA, FullMask), TextItem(0xC003, "ALPHA")}));
    StoreOctets(UserObject, Zones, ZoneValue("Sales"));
    ASSERT_NE(OpenUserPage(), nullptr);
    for (int id : {IDC_EDIT_ZONES, IDC_EDIT_HOME_SERVERS, IDC_SPECIFY_IPX_ADDRESS, IDC_IPX_ADDRESS, IDC_IPX_MASK,
                   IDC_IPX_ADDRESS_LABEL, IDC_IPX_MASK_LABEL, IDC_SPECIFY_DOMAIN, IDC_DOMAIN_SERVER, IDC_DOMAIN_NAME,
                   IDC_DOMAIN_SERVER_LABEL, IDC_DOMAIN_NAME_LABEL, IDC_SET_BOOT_PARAMETERS, IDC_TFTP_SERVER,
                   IDC_BOOT_FILE, IDC_TFTP_SERVER_LABEL, IDC_BOOT_FILE_LABEL})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(IDC_ZONE_LIST));
    EXPECT_TRUE(Enabled(IDC_HOME_SERVER_LIST));
    EXPECT_EQ(List(IDC_HOME_SERVER_LIST), std::vector<std::string>{"ALPHA"});
    EXPECT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 0u);
}

TEST_F(ServiceParametersPage, WithoutWriteRightAStoredAddressThatFailsTheRulesIsRefused)
{
    DirTestSetRights(Admin, UserObject, ReadRights);
    DirTestSetRights(Admin, UnitObject, ReadRights);
    StoreOctets(UserObject, IpxProfile, IpxAddressItem({0, 0, 0, 0, 0, 0}, FullMask));
    ASSERT_NE(OpenUserPage(), nullptr);
    EXPECT_TRUE(Checked(IDC_SPECIFY_IPX_ADDRESS));
    EXPECT_FALSE(Enabled(IDC_SPECIFY_IPX_ADDRESS));
    EXPECT_FALSE(Apply());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{StringOf(5002)});
}

TEST_F(ServiceParametersPage, StoredDefaultAddressRefusesEveryApplyUntilChanged)
{
    StoreOctets(UserObject, IpxProfile, IpxAddressItem({0, 0, 0, 0, 0, 0}, FullMask));
    ASSERT_NE(OpenUserPage(), nullptr);
    EXPECT_FALSE(Apply());
    EXPECT_FALSE(Apply());
    ASSERT_EQ(capture_->Boxes().size(), 2u);
    EXPECT_EQ(capture_->Boxes()[0].text, StringOf(5002));
    SetText(IDC_IPX_ADDRESS, "000000000002");
    EXPECT_TRUE(Apply());
    Save();
    EXPECT_EQ(StoredValue(UserObject, IpxProfile), IpxAddressItem({0, 0, 0, 0, 0, 2}, FullMask));
}

TEST_F(ServiceParametersPage, FailedTypingChecksWarnOwnedByThePageAndStillMarkItChanged)
{
    HWND page = OpenUserPage();
    SetCheck(IDC_SPECIFY_IPX_ADDRESS, true);
    SetCheck(IDC_SPECIFY_DOMAIN, true);
    SetCheck(IDC_SET_BOOT_PARAMETERS, true);
    int notices = ChangeNotices();
    EXPECT_EQ(notices, 3);   // one per box
    struct Case { int id; const char *text; int message; };
    for (Case c : {Case{IDC_IPX_ADDRESS, "G", 5002}, Case{IDC_IPX_MASK, "F0F", 5003},
                   Case{IDC_DOMAIN_NAME, "my host", 5004}, Case{IDC_BOOT_FILE, "boot file", 5005},
                   Case{IDC_DOMAIN_SERVER, "1.2.x", 5006}, Case{IDC_TFTP_SERVER, "1,2", 5006}}) {
        size_t before = capture_->Boxes().size();
        SetText(c.id, c.text);
        ASSERT_EQ(capture_->Boxes().size(), before + 1) << c.text;
        const harness::CapturedBox &box = capture_->Boxes().back();
        EXPECT_EQ(box.text, StringOf(c.message));
        EXPECT_EQ(box.caption, StringOf(6000));
        EXPECT_EQ(box.icon, harness::BoxIcon::Stop);
        EXPECT_EQ(box.owner, GetAncestor(page, GA_ROOT));
        EXPECT_EQ(GetFocus(), GetDlgItem(page, c.id));
        EXPECT_GT(ChangeNotices(), notices) << c.text;
        notices = ChangeNotices();
    }
    // Partial texts are not refused while typing.
    size_t before = capture_->Boxes().size();
    SetText(IDC_IPX_ADDRESS, "0000");
    SetText(IDC_IPX_MASK, "FFFFFF8");
    SetText(IDC_DOMAIN_SERVER, "10.");
    EXPECT_EQ(capture_->Boxes().size(), before);
    EXPECT_TRUE(rax::NetworkPage().ipxChanged);
    EXPECT_TRUE(rax::NetworkPage().ipChanged);
}

TEST_F(ServiceParametersPage, CheckingTheIpxBoxWithTheDefaultsIsRefused)
{
    HWND page = OpenUserPage();
    SetCheck(IDC_SPECIFY_IPX_ADDRESS, true);
    EXPECT_TRUE(Enabled(IDC_IPX_ADDRESS));
    EXPECT_FALSE(Apply());
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{StringOf(5002)});
    EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_IPX_ADDRESS));
}

TEST_F(ServiceParametersPage, IpxAddressAndMaskAreStoredAsOneTwelveByteItem)
{
    ASSERT_NE(OpenUserPage(), nullptr);
    SetCheck(IDC_SPECIFY_IPX_ADDRESS, true);
    SetText(IDC_IPX_ADDRESS, "00000000000A");
    SetText(IDC_IPX_MASK, "FFFFFFFFFFFF");
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(StoredValue(UserObject, IpxProfile),
              (Bytes{0x01, 0xC0, 0x0C, 0, 0, 0, 0, 0, 0, 0, 0, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ValueCount(UserObject, IpProfile), 0);
}

TEST_F(ServiceParametersPage, ShortMaskIsRefusedAtApply)
{
    HWND page = OpenUserPage();
    SetCheck(IDC_SPECIFY_IPX_ADDRESS, true);
    SetText(IDC_IPX_ADDRESS, "00000000000A");
    SetText(IDC_IPX_MASK, "FFFFFF8");
    EXPECT_FALSE(Apply());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{StringOf(5003)});
    EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_IPX_MASK));
}

TEST_F(ServiceParametersPage, UncheckingBothIpBoxesRemovesTheIpProfile)
{
    StoreOctets(UserObject, IpProfile, Join({Item(0x8006, {10, 0, 0, 1}), Item(0x8035, {10, 0, 0, 2})}));
    ASSERT_NE(OpenUserPage(), nullptr);
    SetCheck(IDC_SPECIFY_DOMAIN, false);
    SetCheck(IDC_SET_BOOT_PARAMETERS, false);
    EXPECT_FALSE(Enabled(IDC_DOMAIN_SERVER));
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(ValueCount(UserObject, IpProfile), 0);
}

TEST_F(ServiceParametersPage, UntouchedIpGroupIsNotWrittenWhenTheIpxGroupChanged)
{
    Bytes ip = Join({Item(0x8006, {10, 0, 0, 1}), Item(0x7777, {9}), TextItem(0x800F, "corp")});
    StoreOctets(UserObject, IpProfile, ip);
    ASSERT_NE(OpenUserPage(), nullptr);
    SetCheck(IDC_SPECIFY_IPX_ADDRESS, true);
    SetText(IDC_IPX_ADDRESS, "0000000000FE");
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(StoredValue(UserObject, IpProfile), ip);   // the unknown item survives too
    EXPECT_EQ(StoredValue(UserObject, IpxProfile), IpxAddressItem({0, 0, 0, 0, 0, 0xFE}, FullMask));
}

TEST_F(ServiceParametersPage, DomainNameWithAnEmptyServerAddressIsRefused)
{
    HWND page = OpenUserPage();
    SetCheck(IDC_SPECIFY_DOMAIN, true);
    SetText(IDC_DOMAIN_SERVER, "");
    SetText(IDC_DOMAIN_NAME, "corp.example");
    EXPECT_FALSE(Apply());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{StringOf(5006)});
    EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_DOMAIN_SERVER));
    EXPECT_EQ(rax::NetworkPage().ipBuilt.value, nullptr);
}

TEST_F(ServiceParametersPage, IpItemsAreWrittenInTheirOrderAndEmptyNamesLeftOut)
{
    ASSERT_NE(OpenUserPage(), nullptr);
    SetCheck(IDC_SET_BOOT_PARAMETERS, true);
    SetText(IDC_TFTP_SERVER, "10.0.0.1");
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(StoredValue(UserObject, IpProfile), (Bytes{0x35, 0x80, 4, 0, 0, 0, 10, 0, 0, 1}));

    ASSERT_NE(OpenUserPage(), nullptr);
    EXPECT_TRUE(Checked(IDC_SET_BOOT_PARAMETERS));
    EXPECT_FALSE(Checked(IDC_SPECIFY_DOMAIN));
    SetCheck(IDC_SPECIFY_DOMAIN, true);
    SetText(IDC_DOMAIN_SERVER, "1.2.3.4.");
    SetText(IDC_DOMAIN_NAME, "a.b");
    SetText(IDC_BOOT_FILE, "x");
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(StoredValue(UserObject, IpProfile),
              Join({Item(0x8006, {1, 2, 3, 4}), TextItem(0x800F, "a.b"), Item(0x8035, {10, 0, 0, 1}),
                    TextItem(0x8037, "x")}));
    // The save released all but what the directory now holds: the profile written.
    EXPECT_EQ(rax::OutstandingBlocks(), heapAtStart_ + 1);
}

TEST_F(ServiceParametersPage, LongStoredNamesAreShownWholeAndKeptWhenAnotherFieldChanges)
{
    std::string longDomain(80, 'd');
    std::string longBoot = "/" + std::string(70, 'b');
    Bytes ip = Join({Item(0x8006, {10, 0, 0, 1}), TextItem(0x800F, longDomain), Item(0x8035, {10, 0, 0, 2}),
                     TextItem(0x8037, longBoot)});
    StoreOctets(UserObject, IpProfile, ip);
    ASSERT_NE(OpenUserPage(), nullptr);
    EXPECT_EQ(Text(IDC_DOMAIN_NAME), longDomain);
    EXPECT_EQ(Text(IDC_BOOT_FILE), longBoot);

    // The IPX group changes: the IP profile is left as it is.
    SetCheck(IDC_SPECIFY_IPX_ADDRESS, true);
    SetText(IDC_IPX_ADDRESS, "0000000000FE");
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(StoredValue(UserObject, IpProfile), ip);

    // The TFTP server changes: both names are written back whole.
    ASSERT_NE(OpenUserPage(), nullptr);
    SetText(IDC_TFTP_SERVER, "10.0.0.3");
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(StoredValue(UserObject, IpProfile),
              Join({Item(0x8006, {10, 0, 0, 1}), TextItem(0x800F, longDomain), Item(0x8035, {10, 0, 0, 3}),
                    TextItem(0x8037, longBoot)}));
}

TEST_F(ServiceParametersPage, NothingCarriesOverToTheNextObjectsSave)
{
    StoreOctets(UserObject, IpProfile, Item(0x8006, {10, 0, 0, 1}));
    StoreOctets(OtherUserObject, IpProfile, Item(0x8006, {10, 0, 0, 9}));
    ASSERT_NE(OpenUserPage(), nullptr);
    SetCheck(IDC_SPECIFY_DOMAIN, false);
    ASSERT_TRUE(Apply());
    Cancel();   // the sheet is closed without a save

    // The next user is loaded and saved without its page ever being shown.
    rax::ReadServiceParameters(OtherUserObject);
    DirTestResetCounts();
    EXPECT_EQ(rax::WriteServiceParameters(OtherUserObject), 0);
    EXPECT_EQ(Writes(), 0u);
    EXPECT_EQ(ValueCount(OtherUserObject, IpProfile), 1);
    EXPECT_EQ(ValueCount(UserObject, IpProfile), 1);
}

TEST_F(ServiceParametersPage, ChangedButNeverAppliedRemovesNothing)
{
    StoreOctets(UserObject, IpxProfile, IpxAddressItem(AddressA, FullMask));
    ASSERT_NE(OpenUserPage(), nullptr);
    SetText(IDC_IPX_ADDRESS, "0000000000FE");
    ASSERT_TRUE(rax::NetworkPage().ipxChanged);
    Save();   // a save without an accepted apply
    EXPECT_EQ(Writes(), 0u);
    EXPECT_EQ(StoredValue(UserObject, IpxProfile), IpxAddressItem(AddressA, FullMask));
}

TEST_F(ServiceParametersPage, RefusedApplyKeepsNoBuiltValue)
{
    StoreOctets(UserObject, IpxProfile, IpxAddressItem(AddressA, FullMask));
    StoreOctets(UserObject, IpProfile, Item(0x8006, {10, 0, 0, 1}));
    ASSERT_NE(OpenUserPage(), nullptr);
    SetText(IDC_IPX_ADDRESS, "0000000000FE");
    SetText(IDC_DOMAIN_SERVER, "300.0.0.1");
    long heap = rax::OutstandingBlocks();
    EXPECT_FALSE(Apply());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{StringOf(5006)});
    EXPECT_EQ(rax::NetworkPage().ipxBuilt.value, nullptr);
    EXPECT_FALSE(rax::NetworkPage().ipxBuilt.settled);
    EXPECT_EQ(rax::OutstandingBlocks(), heap);
    // Were the host to save now, nothing would be removed.
    Save();
    EXPECT_EQ(Writes(), 0u);
    EXPECT_EQ(ValueCount(UserObject, IpxProfile), 1);
    EXPECT_EQ(ValueCount(UserObject, IpProfile), 1);
}

TEST_F(ServiceParametersPage, ValueThatCannotBeBuiltRefusesTheApplyAndKeepsTheStoredOne)
{
    StoreOctets(UserObject, IpxProfile, IpxAddressItem(AddressA, FullMask));
    ASSERT_NE(OpenUserPage(), nullptr);
    SetText(IDC_IPX_ADDRESS, "0000000000FE");
    rax::FailAllocationAt(1);
    EXPECT_FALSE(Apply());
    rax::FailAllocationAt(0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{StringOf(5001)});
    Save();
    EXPECT_EQ(StoredValue(UserObject, IpxProfile), IpxAddressItem(AddressA, FullMask));
}

TEST_F(ServiceParametersPage, ProfileThatCannotBeReadIsReportedAndTheRestLeftNone)
{
    StoreOctets(UserObject, IpxProfile, IpxAddressItem(AddressA, FullMask));
    StoreOctets(UserObject, IpProfile, Item(0x8006, {10, 0, 0, 1}));
    rax::FailAllocationAt(1);   // the IPX profile's block
    rax::ReadServiceParameters(UserObject);
    rax::FailAllocationAt(0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{StringOf(5001)});
    EXPECT_EQ(rax::NetworkPage().ipxAsRead.block, nullptr);
    EXPECT_EQ(rax::NetworkPage().ipAsRead.block, nullptr);
    EXPECT_EQ(rax::WriteServiceParameters(UserObject), 0);
}

TEST_F(ServiceParametersPage, HelpOpensTheUserPageTopic)
{
    HWND page = OpenUserPage();
    sheet_->Help(0);
    ASSERT_EQ(help_->Calls().size(), 1u);
    EXPECT_EQ(help_->Calls()[0].file, rax::HelpFilePath());
    EXPECT_EQ(help_->Calls()[0].command, 1u);
    EXPECT_EQ(help_->Calls()[0].data, 49194ul);
    EXPECT_EQ(help_->Calls()[0].caller, page);
}

} // namespace
