// The remote client password dialog opened from the page's button: what it
// refuses, where it stores a short and a long password, and that Cancel
// leaves everything as it was.
#include "page_fixture.h"

#include "core/attribute_formats.h"
#include "user/password_dialog_ids.h"
#include "user/password_encoding.h"
#include "user/user_parameters_ids.h"
#include "user/user_remote_params.h"

#include <dircli32_test.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace pagetest {
namespace {

using namespace rax;

constexpr const char Caption[] = "Remote Access - 1";
constexpr const char CharsMessage[] = "Invalid password. Valid characters are '0' ~ '9' or 'A' ~ 'Z'.";
constexpr const char ShortMessage[] = "The password length was shorter than global length limit.";
constexpr const char RetypeMessage[] = "The new password was not retyped correctly.";
constexpr const char LongMessage[] =
    "This is a long password, please ensure that the long password feature on all access servers is enabled";

std::vector<uint8_t> Encoded(const char *password, uint16_t length)
{
    uint8_t input[16] = {};
    std::memcpy(input, password, std::strlen(password));
    std::vector<uint8_t> out(length);
    EncodeRemotePassword(input, PasswordEncodingParams, out.data(), length);
    return out;
}

std::vector<uint8_t> EditedEncoding()
{
    const uint8_t *bytes = UserParamsEdited().passwordParameters.EncodedPassword;
    return std::vector<uint8_t>(bytes, bytes + 16);
}

void PressOk(HWND dialog)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

void PressCancel(HWND dialog)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

void Enter(HWND dialog, const char *password, const char *retyped)
{
    harness::TypeText(dialog, IDC_NEW_PASSWORD, password);
    harness::TypeText(dialog, IDC_RETYPE_PASSWORD, retyped);
}

class PasswordDialogTest : public UserPageTest {
protected:
    // Opens the dialog from the page's button and runs `action` in it.
    void RunDialog(harness::ModalCapture::DialogAction action)
    {
        capture_->OnNextDialog(std::move(action));
        Command(IDC_CHANGE_PASSWORD);
        ASSERT_EQ(capture_->Dialogs().size(), 1u);
        EXPECT_TRUE(capture_->Dialogs()[0].handled);
    }
};

TEST_F(PasswordDialogTest, EightCharactersAreAShortPassword)
{
    std::vector<uint8_t> stored(46, 0);
    stored[0] = 1;
    stored[4] = 30;
    stored[26] = 0x03;                     // the short bit and another
    for (int i = 28; i < 44; ++i)
        stored[i] = 0x5A;
    StoreOctets(UserObject, AttrPasswordParameters, stored);
    OpenPage();
    bool okAtStart = true, okAfterTyping = false, masked = false;
    std::string leftInField = "?";
    RunDialog([&](HWND dialog) {
        masked = (GetWindowLongA(GetDlgItem(dialog, IDC_NEW_PASSWORD), GWL_STYLE) & ES_PASSWORD) &&
                 (GetWindowLongA(GetDlgItem(dialog, IDC_RETYPE_PASSWORD), GWL_STYLE) & ES_PASSWORD);
        okAtStart = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
        Enter(dialog, "Secret12", "Secret12");
        okAfterTyping = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
        PressOk(dialog);
        leftInField = harness::ItemText(dialog, IDC_NEW_PASSWORD) + harness::ItemText(dialog, IDC_RETYPE_PASSWORD);
    });
    EXPECT_EQ(capture_->Dialogs()[0].caption, "Change Remote Client Password");
    EXPECT_TRUE(masked) << "both fields show the characters masked";
    EXPECT_EQ(leftInField, "") << "the fields are cleared when the dialog closes";
    const UserRemoteParams &edited = UserParamsEdited();
    const char *first = reinterpret_cast<const char *>(&edited);
    EXPECT_EQ(std::search(first, first + sizeof edited, "Secret12", "Secret12" + 8), first + sizeof edited)
        << "the plain password is kept nowhere in the page state";
    EXPECT_EQ(capture_->Dialogs()[0].owner, frame_);
    EXPECT_FALSE(okAtStart);
    EXPECT_TRUE(okAfterTyping);
    EXPECT_TRUE(capture_->Boxes().empty()) << "no warning for 8 characters";

    std::vector<uint8_t> expected(8, 0);
    std::vector<uint8_t> encoded = Encoded("Secret12", 8);
    expected.insert(expected.end(), encoded.begin(), encoded.end());
    EXPECT_EQ(EditedEncoding(), expected);
    EXPECT_EQ(UserParamsEdited().passwordParameters.PasswordFlags, 0x02);
    EXPECT_EQ(ChangeNotices(), 1);

    ASSERT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 1u);
    std::vector<uint8_t> bytes = StoredValue(UserObject, AttrPasswordParameters);
    ASSERT_EQ(bytes.size(), 46u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 28, bytes.begin() + 44), expected);
    EXPECT_EQ(bytes[26], 0x02);
}

TEST_F(PasswordDialogTest, EmptiedNewPasswordTurnsOkOffAgain)
{
    OpenPage();
    bool okTyped = false, okEmptied = true;
    RunDialog([&](HWND dialog) {
        harness::TypeText(dialog, IDC_NEW_PASSWORD, "AB");
        okTyped = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
        harness::SetItemText(dialog, IDC_NEW_PASSWORD, "");
        okEmptied = IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE;
        PressCancel(dialog);
    });
    EXPECT_TRUE(okTyped);
    EXPECT_FALSE(okEmptied);
}

TEST_F(PasswordDialogTest, NineCharactersAreALongPasswordAfterAWarning)
{
    std::vector<uint8_t> stored(46, 0);
    stored[0] = 1;
    stored[4] = 30;
    stored[26] = 0x03;
    StoreOctets(UserObject, AttrPasswordParameters, stored);
    OpenPage();
    RunDialog([&](HWND dialog) {
        Enter(dialog, "LongPass9", "LongPass9");
        PressOk(dialog);
    });
    ASSERT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(capture_->Boxes()[0].text, LongMessage);
    EXPECT_EQ(capture_->Boxes()[0].caption, Caption);
    EXPECT_EQ(capture_->Boxes()[0].icon, harness::BoxIcon::None);
    EXPECT_EQ(capture_->Boxes()[0].owner, nullptr);
    EXPECT_EQ(EditedEncoding(), Encoded("LongPass9", 16));
    EXPECT_EQ(UserParamsEdited().passwordParameters.PasswordFlags, 0x03) << "a long password leaves the flags";
    EXPECT_EQ(ChangeNotices(), 1);
}

TEST_F(PasswordDialogTest, NoSeventeenthCharacter)
{
    OpenPage();
    std::string typed, retyped;
    RunDialog([&](HWND dialog) {
        Enter(dialog, "ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNOPQ");
        typed = harness::ItemText(dialog, IDC_NEW_PASSWORD);
        retyped = harness::ItemText(dialog, IDC_RETYPE_PASSWORD);
        PressOk(dialog);
    });
    EXPECT_EQ(typed.size(), 16u);
    EXPECT_EQ(retyped.size(), 16u);
    EXPECT_EQ(EditedEncoding(), Encoded("ABCDEFGHIJKLMNOP", 16));
}

TEST_F(PasswordDialogTest, MinimumLengthFromTheDirectoryIsEnforced)
{
    StoreInteger(UserObject, AttrPasswordMinimumLength, 6);
    OpenPage();
    HWND focusAfterRefusal = nullptr, newField = nullptr;
    std::vector<uint8_t> afterRefusal;
    RunDialog([&](HWND dialog) {
        newField = GetDlgItem(dialog, IDC_NEW_PASSWORD);
        Enter(dialog, "abcde", "abcde");
        PressOk(dialog);
        focusAfterRefusal = GetFocus();
        afterRefusal = EditedEncoding();
        harness::TypeText(dialog, IDC_NEW_PASSWORD, "f");
        harness::TypeText(dialog, IDC_RETYPE_PASSWORD, "f");
        PressOk(dialog);
    });
    ASSERT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(capture_->Boxes()[0].text, ShortMessage);
    EXPECT_EQ(capture_->Boxes()[0].icon, harness::BoxIcon::Stop);
    EXPECT_EQ(focusAfterRefusal, newField);
    EXPECT_EQ(afterRefusal, std::vector<uint8_t>(16, 0)) << "nothing stored by a refused OK";
    std::vector<uint8_t> expected(8, 0);
    std::vector<uint8_t> encoded = Encoded("abcdef", 8);
    expected.insert(expected.end(), encoded.begin(), encoded.end());
    EXPECT_EQ(EditedEncoding(), expected) << "lower case is encoded as typed";
}

TEST_F(PasswordDialogTest, OneCharacterIsEnoughWithoutMinimum)
{
    OpenPage();
    RunDialog([&](HWND dialog) {
        Enter(dialog, "x", "x");
        PressOk(dialog);
    });
    EXPECT_TRUE(capture_->Boxes().empty());
    EXPECT_NE(EditedEncoding(), std::vector<uint8_t>(16, 0));
}

TEST_F(PasswordDialogTest, RetypeInAnotherCaseIsRefused)
{
    OpenPage();
    HWND newField = nullptr, focus = nullptr;
    RunDialog([&](HWND dialog) {
        newField = GetDlgItem(dialog, IDC_NEW_PASSWORD);
        Enter(dialog, "Secret", "secret");
        SetFocus(GetDlgItem(dialog, IDC_RETYPE_PASSWORD));
        PressOk(dialog);
        focus = GetFocus();
        PressCancel(dialog);
    });
    ASSERT_EQ(capture_->Boxes().size(), 1u);
    EXPECT_EQ(capture_->Boxes()[0].text, RetypeMessage);
    EXPECT_EQ(capture_->Boxes()[0].caption, Caption);
    EXPECT_NE(focus, newField) << "unlike the other refusals, this one leaves the focus alone";
    EXPECT_EQ(EditedEncoding(), std::vector<uint8_t>(16, 0));
    EXPECT_EQ(ChangeNotices(), 0);
}

TEST_F(PasswordDialogTest, SpaceIsRefusedWhileTypingAndOnOk)
{
    OpenPage();
    std::size_t whileTyping = 0;
    RunDialog([&](HWND dialog) {
        Enter(dialog, "ab c", "ab c");
        whileTyping = capture_->Boxes().size();
        PressOk(dialog);
        PressCancel(dialog);
    });
    ASSERT_GE(whileTyping, 1u);
    ASSERT_EQ(capture_->Boxes().size(), whileTyping + 1);
    for (const auto &box : capture_->Boxes()) {
        EXPECT_EQ(box.text, CharsMessage);
        EXPECT_EQ(box.icon, harness::BoxIcon::Stop);
        EXPECT_EQ(box.owner, nullptr);
    }
    EXPECT_EQ(EditedEncoding(), std::vector<uint8_t>(16, 0));
}

TEST_F(PasswordDialogTest, CancelLeavesThePageUnchanged)
{
    std::vector<uint8_t> stored(46, 0);
    stored[4] = 30;
    stored[26] = 0x01;
    for (int i = 28; i < 44; ++i)
        stored[i] = static_cast<uint8_t>(i);
    StoreOctets(UserObject, AttrPasswordParameters, stored);
    OpenPage();
    UserRemoteParams before = UserParamsEdited();
    RunDialog([&](HWND dialog) {
        Enter(dialog, "Secret12", "Secret12");
        PressCancel(dialog);
    });
    EXPECT_EQ(std::memcmp(&before, &UserParamsEdited(), sizeof before), 0);
    EXPECT_EQ(ChangeNotices(), 0);
    ASSERT_EQ(Apply(), 1);
    Save();
    EXPECT_EQ(Writes(), 0u);
}

TEST_F(PasswordDialogTest, TheStoredPasswordAgainIsNoChange)
{
    for (const char *password : {"Secret12", "ABCDEFGHIJKLMNOP"}) {
        SCOPED_TRACE(password);
        PasswordParametersValue value = DefaultPasswordParameters();
        ASSERT_TRUE(StoreRemotePassword(value, password, std::strlen(password)));
        uint8_t bytes[46];
        EncodePasswordParameters(value, bytes);
        DirTestRemoveAttribute(UserObject, AttrPasswordParameters);
        StoreOctets(UserObject, AttrPasswordParameters, std::vector<uint8_t>(bytes, bytes + 46));
        OpenPage();
        capture_ = std::make_unique<harness::ModalCapture>();
        RunDialog([&](HWND dialog) {
            Enter(dialog, password, password);
            PressOk(dialog);
        });
        EXPECT_EQ(ChangeNotices(), 0);
        ASSERT_EQ(Apply(), 1);
        Save();
        EXPECT_EQ(Writes(), 0u);
    }
}

} // namespace
} // namespace pagetest
