// The User Parameters page: what it shows for the stored values, how it
// checks typing and applying, and what a save then writes.
#include "page_fixture.h"

#include "core/attribute_formats.h"
#include "core/pages.h"
#include "core/snapin_state.h"
#include "user/user_parameters_ids.h"
#include "user/user_parameters_page.h"
#include "user/user_remote_params.h"

#include <dircli32_test.h>

#include <cstring>
#include <ctime>

namespace pagetest {
namespace {

using rax::AttrDialbackFlag;
using rax::AttrDialbackNumber;
using rax::AttrIdleTimeout;
using rax::AttrPasswordParameters;
using rax::AttrSessionParameters;

constexpr const char Caption[] = "Remote Access - 1";
constexpr const char DaysMessage[] = "The valid disable remote client password time is between 0 and 365.";
constexpr const char ConnectMessage[] = "The valid maximum connect time is between -1 and 100000.";
constexpr const char IdleMessage[] = "The valid maximum idle timeout is between -1 and 100000.";

constexpr int AllControls[] = {IDC_ALLOW_PASSWORD_CHANGE, IDC_DISABLE_PASSWORD, IDC_AFTER_LABEL, IDC_DISABLE_DAYS,
                               IDC_DAYS_LABEL, IDC_DEFAULT_CONNECT_TIME, IDC_CONNECT_TIME_LABEL, IDC_CONNECT_TIME,
                               IDC_CONNECT_MINUTES_LABEL, IDC_SPECIFY_IDLE_TIMEOUT, IDC_IDLE_TIMEOUT,
                               IDC_IDLE_MINUTES_LABEL, IDC_MODE_LABEL, IDC_DIALBACK_MODE,
                               IDC_DIALBACK_NUMBER_LABEL, IDC_DIALBACK_NUMBER, IDC_DIALBACK_PORT,
                               IDC_CHANGE_PASSWORD};

std::vector<uint8_t> PasswordBytes(int32_t allowChange, int32_t days, int32_t at)
{
    std::vector<uint8_t> bytes(46, 0);
    auto put = [&](std::size_t offset, int32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
    };
    put(0, allowChange);
    put(4, days);
    put(8, at);
    return bytes;
}

int32_t IntAt(const std::vector<uint8_t> &bytes, std::size_t offset)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | bytes[offset + i];
    return static_cast<int32_t>(v);
}

TEST_F(UserPageTest, UserWithoutAttributesShowsTheDefaultsAndSavesNothing)
{
    OpenPage();
    EXPECT_TRUE(Checked(IDC_ALLOW_PASSWORD_CHANGE));
    EXPECT_TRUE(Checked(IDC_DISABLE_PASSWORD));
    EXPECT_EQ(Text(IDC_DISABLE_DAYS), "30");
    EXPECT_TRUE(Enabled(IDC_DISABLE_DAYS));
    EXPECT_TRUE(Checked(IDC_DEFAULT_CONNECT_TIME));
    EXPECT_EQ(Text(IDC_CONNECT_TIME), "0");
    EXPECT_FALSE(Enabled(IDC_CONNECT_TIME));
    EXPECT_FALSE(Enabled(IDC_CONNECT_TIME_LABEL));
    EXPECT_FALSE(Checked(IDC_SPECIFY_IDLE_TIMEOUT));
    EXPECT_EQ(Text(IDC_IDLE_TIMEOUT), "0");
    EXPECT_FALSE(Enabled(IDC_IDLE_TIMEOUT));
    EXPECT_EQ(SelectedRow(), 4);
    char row[64] = {};
    SendDlgItemMessageA(page_, IDC_DIALBACK_MODE, CB_GETLBTEXT, 4, reinterpret_cast<LPARAM>(row));
    EXPECT_STREQ(row, "Use Global Default Dialback Mode");
    SendDlgItemMessageA(page_, IDC_DIALBACK_MODE, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(row));
    EXPECT_STREQ(row, "Force Dialback to a Specific Number");
    EXPECT_FALSE(Checked(IDC_DIALBACK_PORT));
    EXPECT_FALSE(Enabled(IDC_DIALBACK_PORT));
    EXPECT_EQ(Text(IDC_DIALBACK_NUMBER), "");
    EXPECT_FALSE(Enabled(IDC_DIALBACK_NUMBER));
    EXPECT_EQ(ChangeNotices(), 0) << "filling the controls is not a change";

    EXPECT_EQ(Apply(), 1);   // recomputes the expiry, which alone is never written
    Save();
    EXPECT_EQ(Writes(), 0u);
    EXPECT_TRUE(capture_->Boxes().empty());
}

TEST_F(UserPageTest, WithoutWriteRightEverythingIsDisabledAndApplyStoresNothing)
{
    StoreInteger(UserObject, AttrIdleTimeout, 30);      // would check "Specify Idle Timeout"
    StoreInteger(UserObject, AttrDialbackFlag, 1);
    StoreText(UserObject, AttrDialbackNumber, "5551234");
    DirTestSetRights(Admin, UserObject, 0);
    DirTestSetRights(Admin, UnitObject, ReadRights);   // rights are inherited from the container
    OpenPage();
    for (int id : AllControls)
        EXPECT_FALSE(Enabled(id)) << "control " << id;
    EXPECT_FALSE(Checked(IDC_DEFAULT_CONNECT_TIME)) << "not checked whatever is stored";
    EXPECT_FALSE(Checked(IDC_SPECIFY_IDLE_TIMEOUT)) << "not checked whatever is stored";
    EXPECT_EQ(Text(IDC_IDLE_TIMEOUT), "30");

    rax::UserRemoteParams before = rax::UserParamsEdited();
    EXPECT_EQ(Apply(), 1);
    EXPECT_EQ(std::memcmp(&before, &rax::UserParamsEdited(), sizeof before), 0);
    Save();
    EXPECT_EQ(Writes(), 0u);
}

TEST_F(UserPageTest, DaysAreCheckedWhileTypingAndAgainOnApply)
{
    OpenPage();
    SetText(IDC_DISABLE_DAYS, "4a");
    ASSERT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(capture_->Boxes()[0].text, DaysMessage);
    EXPECT_EQ(capture_->Boxes()[0].caption, Caption);
    EXPECT_EQ(capture_->Boxes()[0].icon, harness::BoxIcon::Stop);
    EXPECT_EQ(capture_->Boxes()[0].owner, nullptr);
    EXPECT_EQ(ChangeNotices(), 0) << "a refused text is no change";

    SetText(IDC_DISABLE_DAYS, "400");   // digits only: passes while typing
    EXPECT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(ChangeNotices(), 1);
    EXPECT_EQ(Apply(), 0);
    ASSERT_EQ(capture_->Boxes().size(), 2u);
    EXPECT_EQ(capture_->Boxes()[1].text, DaysMessage);

    SetText(IDC_DISABLE_DAYS, "");
    EXPECT_EQ(Apply(), 0) << "an empty days field with the box checked";
    EXPECT_EQ(capture_->Boxes().size(), 3u);
    Save();
    EXPECT_EQ(Writes(), 0u) << "nothing was accepted";
}

TEST_F(UserPageTest, ConnectTimeIsCheckedWhileTypingAndOnApply)
{
    OpenPage();
    Toggle(IDC_DEFAULT_CONNECT_TIME);
    EXPECT_TRUE(Enabled(IDC_CONNECT_TIME));
    EXPECT_TRUE(Enabled(IDC_CONNECT_TIME_LABEL));
    EXPECT_TRUE(Enabled(IDC_CONNECT_MINUTES_LABEL));
    SetText(IDC_CONNECT_TIME, "-5");    // digits and '-': passes while typing
    EXPECT_TRUE(capture_->Boxes().empty());
    EXPECT_EQ(Apply(), 0);
    ASSERT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(capture_->Boxes()[0].text, ConnectMessage);
    EXPECT_EQ(capture_->Boxes()[0].caption, Caption);

    SetText(IDC_CONNECT_TIME, "12a");
    ASSERT_EQ(capture_->Boxes().size(), 2u);
    EXPECT_EQ(capture_->Boxes()[1].text, ConnectMessage);

    SetText(IDC_CONNECT_TIME, "-1");
    EXPECT_EQ(Apply(), 1);
    EXPECT_EQ(rax::UserParamsEdited().maxConnectTime, -1);
    SetText(IDC_CONNECT_TIME, "100000");
    EXPECT_EQ(Apply(), 1);
    EXPECT_EQ(rax::UserParamsEdited().maxConnectTime, 100000);
    SetText(IDC_CONNECT_TIME, "5-3");
    EXPECT_EQ(Apply(), 1);
    EXPECT_EQ(rax::UserParamsEdited().maxConnectTime, 5);

    Save();
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(StoredInteger(UserObject, AttrSessionParameters), 5);
}

TEST_F(UserPageTest, IdleTimeoutIsCheckedWhileTyping)
{
    OpenPage();
    Toggle(IDC_SPECIFY_IDLE_TIMEOUT);
    int notices = ChangeNotices();
    SetText(IDC_IDLE_TIMEOUT, "1x");
    ASSERT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(capture_->Boxes()[0].text, IdleMessage);
    EXPECT_EQ(capture_->Boxes()[0].caption, Caption);
    EXPECT_EQ(capture_->Boxes()[0].owner, nullptr);
    EXPECT_EQ(GetFocus(), GetDlgItem(page_, IDC_IDLE_TIMEOUT));
    EXPECT_EQ(ChangeNotices(), notices) << "a refused text is no change";
    SetText(IDC_IDLE_TIMEOUT, "-5");   // passes while typing
    EXPECT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(ChangeNotices(), notices + 1);
}

TEST_F(UserPageTest, IdleTimeoutRefusalStopsTheApplyWithEarlierStepsKept)
{
    OpenPage();
    Toggle(IDC_ALLOW_PASSWORD_CHANGE);      // step 1 stores 0
    Toggle(IDC_SPECIFY_IDLE_TIMEOUT);
    EXPECT_TRUE(Enabled(IDC_IDLE_TIMEOUT));
    SetText(IDC_IDLE_TIMEOUT, "100001");
    ChooseRow(1);                           // step 5 would store 1
    EXPECT_EQ(Apply(), 0);
    ASSERT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(capture_->Boxes()[0].text, IdleMessage);
    EXPECT_EQ(rax::UserParamsEdited().passwordParameters.AllowChange, 0);
    EXPECT_EQ(rax::UserParamsEdited().dialbackFlag, -1) << "steps after the refusal did not run";
}

WNDPROC g_numberFieldProc = nullptr;

// A field that answers no text, as one that cannot be read.
LRESULT CALLBACK UnreadableField(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETTEXT)
        return 0;
    return CallWindowProcA(g_numberFieldProc, window, message, wParam, lParam);
}

TEST_F(UserPageTest, DialbackNumberThatCannotBeReadIsRefusedAndTheReadOneKept)
{
    StoreInteger(UserObject, AttrDialbackFlag, 1);
    StoreText(UserObject, AttrDialbackNumber, "555");
    OpenPage();
    SetText(IDC_DIALBACK_NUMBER, "0123");
    HWND field = GetDlgItem(page_, IDC_DIALBACK_NUMBER);
    g_numberFieldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(UnreadableField)));
    EXPECT_EQ(Apply(), 0);
    SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_numberFieldProc));
    ASSERT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(capture_->Boxes()[0].text, "Invalid dialback telephone number.");
    EXPECT_EQ(capture_->Boxes()[0].caption, Caption);
    EXPECT_STREQ(rax::UserParamsEdited().dialbackNumber.text, "555");
    EXPECT_EQ(GetFocus(), field);
}

TEST_F(UserPageTest, StoredFlagsSixAndFourShowTheirRowsAndThePortBox)
{
    StoreInteger(UserObject, AttrDialbackFlag, 6);
    OpenPage();
    EXPECT_EQ(SelectedRow(), 2);
    EXPECT_TRUE(Checked(IDC_DIALBACK_PORT));
    EXPECT_TRUE(Enabled(IDC_DIALBACK_PORT));
    EXPECT_FALSE(Enabled(IDC_DIALBACK_NUMBER));
    EXPECT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 0u);

    DirTestRemoveAttribute(UserObject, AttrDialbackFlag);
    StoreInteger(UserObject, AttrDialbackFlag, 4);
    OpenPage();
    EXPECT_EQ(SelectedRow(), 0);
    EXPECT_TRUE(Checked(IDC_DIALBACK_PORT));
    EXPECT_FALSE(Enabled(IDC_DIALBACK_PORT));
    EXPECT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(StoredInteger(UserObject, AttrDialbackFlag), 0);
}

TEST_F(UserPageTest, ModeRowsEnableThePortBoxAndTheNumber)
{
    OpenPage();
    ChooseRow(1);
    EXPECT_TRUE(Enabled(IDC_DIALBACK_PORT));
    EXPECT_TRUE(Enabled(IDC_DIALBACK_NUMBER));
    EXPECT_TRUE(Enabled(IDC_DIALBACK_NUMBER_LABEL));
    ChooseRow(3);
    EXPECT_TRUE(Enabled(IDC_DIALBACK_PORT));
    EXPECT_FALSE(Enabled(IDC_DIALBACK_NUMBER));
    ChooseRow(0);
    EXPECT_FALSE(Enabled(IDC_DIALBACK_PORT));
    ChooseRow(1);
    SetText(IDC_DIALBACK_NUMBER, "0123 456 789");
    Toggle(IDC_DIALBACK_PORT);
    EXPECT_EQ(ChangeNotices(), 6);   // four rows, the number, the port box
    EXPECT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 2u);
    EXPECT_EQ(StoredInteger(UserObject, AttrDialbackFlag), 5);
    EXPECT_EQ(StoredText(UserObject, AttrDialbackNumber), "0123 456 789");
}

TEST_F(UserPageTest, EmptyNumberAndGlobalDefaultModeKeepTheStoredNumber)
{
    StoreInteger(UserObject, AttrDialbackFlag, 1);
    StoreText(UserObject, AttrDialbackNumber, "5551234");
    OpenPage();
    EXPECT_EQ(Text(IDC_DIALBACK_NUMBER), "5551234");
    EXPECT_TRUE(Enabled(IDC_DIALBACK_NUMBER));
    SetText(IDC_DIALBACK_NUMBER, "");   // an empty field keeps the number
    EXPECT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 0u);
    ChooseRow(4);
    EXPECT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(ValueCount(UserObject, AttrDialbackFlag), 0);
    EXPECT_EQ(StoredText(UserObject, AttrDialbackNumber), "5551234");
}

TEST_F(UserPageTest, MarkersRemoveIdleTimeoutAndConnectTime)
{
    StoreInteger(UserObject, AttrIdleTimeout, 15);
    StoreInteger(UserObject, AttrSessionParameters, 120);
    OpenPage();
    EXPECT_TRUE(Checked(IDC_SPECIFY_IDLE_TIMEOUT));
    EXPECT_EQ(Text(IDC_IDLE_TIMEOUT), "15");
    EXPECT_FALSE(Checked(IDC_DEFAULT_CONNECT_TIME));
    EXPECT_EQ(Text(IDC_CONNECT_TIME), "120");
    Toggle(IDC_SPECIFY_IDLE_TIMEOUT);
    EXPECT_FALSE(Enabled(IDC_IDLE_TIMEOUT));
    Toggle(IDC_DEFAULT_CONNECT_TIME);
    EXPECT_FALSE(Enabled(IDC_CONNECT_TIME));
    EXPECT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 2u);
    EXPECT_EQ(ValueCount(UserObject, AttrIdleTimeout), 0);
    EXPECT_EQ(ValueCount(UserObject, AttrSessionParameters), 0);
}

TEST_F(UserPageTest, ChangingOnlyTheDaysAddsPasswordParametersExpiringNowPlusDays)
{
    OpenPage();
    SetText(IDC_DISABLE_DAYS, "7");
    long long before = static_cast<long long>(std::time(nullptr));
    EXPECT_EQ(Apply(), 1);
    long long after = static_cast<long long>(std::time(nullptr));
    Save();
    EXPECT_EQ(Writes(), 1u);
    std::vector<uint8_t> bytes = StoredValue(UserObject, AttrPasswordParameters);
    ASSERT_EQ(bytes.size(), 46u);
    EXPECT_EQ(IntAt(bytes, 0), 1);
    EXPECT_EQ(IntAt(bytes, 4), 7);
    EXPECT_GE(IntAt(bytes, 8), before + 7 * 86400);
    EXPECT_LE(IntAt(bytes, 8), after + 7 * 86400);
    for (std::size_t i = 12; i < 46; ++i)
        EXPECT_EQ(bytes[i], 0) << "byte " << i;
}

TEST_F(UserPageTest, UncheckingDisableStoresNeverAndKeepsPreservedBytes)
{
    std::vector<uint8_t> stored = PasswordBytes(0, 30, 1700000000);
    for (std::size_t i = 12; i < 24; ++i)
        stored[i] = 0x11;                    // words an apply zeroes
    stored[24] = 0xA1, stored[25] = 0xA2, stored[26] = 0x03, stored[27] = 0xA4;
    for (std::size_t i = 28; i < 44; ++i)
        stored[i] = static_cast<uint8_t>(i);
    stored[44] = 0xB1, stored[45] = 0xB2;
    StoreOctets(UserObject, AttrPasswordParameters, stored);
    OpenPage();
    EXPECT_FALSE(Checked(IDC_ALLOW_PASSWORD_CHANGE));
    Toggle(IDC_DISABLE_PASSWORD);
    EXPECT_FALSE(Enabled(IDC_DISABLE_DAYS));
    EXPECT_FALSE(Enabled(IDC_AFTER_LABEL));
    EXPECT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 1u);
    std::vector<uint8_t> expected = stored;
    for (std::size_t i = 4; i < 24; ++i)
        expected[i] = i < 12 ? 0xFF : 0x00; // -1, -1, then the zeroed words
    EXPECT_EQ(StoredValue(UserObject, AttrPasswordParameters), expected);
    EXPECT_EQ(ValueCount(UserObject, AttrPasswordParameters), 1);
}

TEST_F(UserPageTest, TypingDuringLoadingIsIgnored)
{
    sheet_ = std::make_unique<host::ObjectSheet>(FirstPageClassProc, UserObject);
    ASSERT_EQ(sheet_->Open(), 1);
    ASSERT_TRUE(sheet_->CreatePages(frame_, false));
    page_ = sheet_->Pages()[0].window;
    ASSERT_TRUE(rax::UserPageLoading());
    SetText(IDC_DISABLE_DAYS, "x");
    EXPECT_TRUE(capture_->Boxes().empty());
    EXPECT_EQ(ChangeNotices(), 0);
    Pump();
    EXPECT_FALSE(rax::UserPageLoading());
    SetText(IDC_DISABLE_DAYS, "y");
    EXPECT_EQ(capture_->Boxes().size(), 1u);
}

TEST_F(UserPageTest, HelpOpensTheUserPageTopic)
{
    OpenPage();
    EXPECT_EQ(UserParametersPageDlg(page_, rax::PageMsgHelp, 0, 0), 1);
    ASSERT_EQ(help_->Calls().size(), 1u);
    EXPECT_EQ(help_->Calls()[0].file, rax::HelpFilePath());
    EXPECT_EQ(help_->Calls()[0].command, 1u);
    EXPECT_EQ(help_->Calls()[0].data, 49196ul);
    EXPECT_EQ(help_->Calls()[0].caller, page_);
}

TEST_F(UserPageTest, TemplateHasTheControlsInTabOrderWithPlainEdits)
{
    OpenPage();
    const int group = 0xFFFF;
    const std::vector<int> expected = {group, 1011, 1012, 1019, 1013, 1020, group, 1004, 1021, 1007, 1022,
                                       group, 1088, 1089, 1090, group, 1023, 1014, 1024, 1006, 1009, 1003};
    std::vector<int> ids;
    for (HWND child = GetWindow(page_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ids.push_back(GetDlgCtrlID(child) & 0xFFFF);
    EXPECT_EQ(ids, expected);
    for (int id : {IDC_DISABLE_DAYS, IDC_CONNECT_TIME, IDC_IDLE_TIMEOUT, IDC_DIALBACK_NUMBER}) {
        LONG style = GetWindowLongA(GetDlgItem(page_, id), GWL_STYLE);
        EXPECT_TRUE(style & ES_AUTOHSCROLL) << id;
        EXPECT_FALSE(style & (ES_NUMBER | ES_UPPERCASE | ES_LOWERCASE)) << id;
    }
    LONG list = GetWindowLongA(GetDlgItem(page_, IDC_DIALBACK_MODE), GWL_STYLE);
    EXPECT_EQ(list & 3, CBS_DROPDOWNLIST);
    EXPECT_FALSE(list & CBS_SORT);
    EXPECT_TRUE(GetWindowLongA(page_, GWL_STYLE) & WS_CHILD);
}

} // namespace
} // namespace pagetest
