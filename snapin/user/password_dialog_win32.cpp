// The remote client password dialog. The typed password stays in this
// dialog's buffers, which are wiped on every path; only its encoding leaves.
#include "user/password_dialog.h"

#include "core/module_win32.h"
#include "core/snapin_state.h"
#include "network/field_rules.h"
#include "network/messages.h"
#include "user/password_dialog_ids.h"
#include "user/password_encoding.h"
#include "user/user_remote_params.h"

#include <string_view>

namespace rax {

namespace {

constexpr int WarningTextCapacity = 256;
constexpr int WarningCaptionCapacity = 100;

// A field's password, at most 16 characters, in a buffer the caller wipes.
struct PasswordBuffer {
    char text[PasswordMaxLength + 1] = {};
    std::size_t length = 0;

    PasswordBuffer() = default;
    PasswordBuffer(const PasswordBuffer &) = delete;
    PasswordBuffer &operator=(const PasswordBuffer &) = delete;
    ~PasswordBuffer() { WipeSecret(text, sizeof text); }

    void Read(HWND dialog, int id)
    {
        UINT n = GetDlgItemTextA(dialog, id, text, sizeof text);
        length = n < sizeof text ? n : sizeof text - 1;
        text[length] = '\0';
    }
    std::string_view View() const { return std::string_view(text, length); }
};

void ShowDialogError(MessageId message)
{
    ShowErrorMessage(NoOwnerWindow, message, CaptionUserPage);
}

// The long password warning: an OK box without icon and without owner.
void ShowLongPasswordWarning()
{
    char text[WarningTextCapacity];
    char caption[WarningCaptionCapacity];
    HINSTANCE module = ModuleInstance();
    if (LoadStringA(module, static_cast<UINT>(MsgLongPasswordWarning), text, sizeof text) <= 0 ||
        LoadStringA(module, static_cast<UINT>(CaptionUserPage), caption, sizeof caption) <= 0)
        return;
    MessageBoxA(nullptr, text, caption, MB_OK);
}

void InitPasswordDialog(HWND dialog)
{
    CenterDialog(dialog);
    SetFocus(GetDlgItem(dialog, IDC_NEW_PASSWORD));
    SendDlgItemMessageA(dialog, IDC_NEW_PASSWORD, EM_LIMITTEXT, PasswordMaxLength, 0);
    SendDlgItemMessageA(dialog, IDC_RETYPE_PASSWORD, EM_LIMITTEXT, PasswordMaxLength, 0);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
}

// The new password field changed: OK only while it holds something, and its
// characters checked as they are typed. True when a message was shown.
bool NewPasswordChanged(HWND dialog)
{
    PasswordBuffer typed;
    typed.Read(dialog, IDC_NEW_PASSWORD);
    if (typed.length == 0) {
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        return false;
    }
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
    if (PasswordCharsRule(typed.View()))
        return false;
    ShowDialogError(MsgInvalidPasswordChars);
    SetFocus(GetDlgItem(dialog, IDC_NEW_PASSWORD));
    return true;
}

// Before the dialog closes, the typed texts in the two fields are written
// over with as many '0' characters (the edit control replaces its text in
// place) and then cleared, so the password does not linger in the controls'
// memory after they are gone.
void WipeFields(HWND dialog)
{
    for (int id : {IDC_NEW_PASSWORD, IDC_RETYPE_PASSWORD}) {
        char filler[PasswordMaxLength + 1] = {};
        int length = GetWindowTextLengthA(GetDlgItem(dialog, id));
        if (length > static_cast<int>(PasswordMaxLength))
            length = static_cast<int>(PasswordMaxLength);
        for (int i = 0; i < length; ++i)
            filler[i] = '0';
        SetDlgItemTextA(dialog, id, filler);
        SetDlgItemTextA(dialog, id, "");
    }
}

void CloseDialog(HWND dialog)
{
    WipeFields(dialog);
    EndDialog(dialog, 0);
}

void PasswordOk(HWND dialog)
{
    PasswordBuffer password;
    password.Read(dialog, IDC_NEW_PASSWORD);
    if (password.length == 0)
        return;   // OK is disabled while the field is empty
    if (!PasswordCharsRule(password.View())) {
        ShowDialogError(MsgInvalidPasswordChars);
        SetFocus(GetDlgItem(dialog, IDC_NEW_PASSWORD));
        return;
    }
    const int32_t minimum = UserParamsAsRead().minimumPasswordLength;
    if (minimum > 0 && password.length < static_cast<std::size_t>(minimum)) {
        ShowDialogError(MsgPasswordTooShort);
        SetFocus(GetDlgItem(dialog, IDC_NEW_PASSWORD));
        return;
    }
    PasswordBuffer retyped;
    retyped.Read(dialog, IDC_RETYPE_PASSWORD);
    if (lstrcmpA(password.text, retyped.text) != 0) {
        ShowDialogError(MsgPasswordNotRetyped);
        return;
    }
    if (password.length > ShortPasswordLength)
        ShowLongPasswordWarning();
    StoreRemotePassword(UserParamsEdited().passwordParameters, password.text, password.length);
    CloseDialog(dialog);
}

INT_PTR PasswordDialogMessage(HWND dialog, UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitPasswordDialog(dialog);
        return 0;   // the focus is set
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_NEW_PASSWORD:
            if (HIWORD(wParam) == EN_CHANGE)
                return NewPasswordChanged(dialog) ? 1 : 0;
            return 0;
        case IDOK:
            PasswordOk(dialog);
            return 1;
        case IDCANCEL:
            CloseDialog(dialog);
            return 1;
        default:
            return 0;
        }
    default:
        return 0;
    }
}

} // namespace

} // namespace rax

extern "C" INT_PTR WINAPI configPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    try {
        return rax::PasswordDialogMessage(dialog, message, wParam);
    } catch (...) {
        return 0;
    }
}
