// The User Parameters page: fills its controls from the values read, checks
// each field as it is typed, opens the password dialog, and on the host's
// apply request takes the controls into the edited values.
#include "core/directory_access.h"
#include "core/module_win32.h"
#include "core/pages.h"
#include "core/snapin_state.h"
#include "network/field_limits.h"
#include "network/field_rules.h"
#include "network/messages.h"
#include "resources/resource.h"
#include "user/password_dialog.h"
#include "user/password_expiry.h"
#include "user/user_parameters_ids.h"
#include "user/user_parameters_page.h"
#include "user/user_remote_params.h"

#include <cstring>
#include <ctime>

namespace rax {

namespace {

constexpr int DialbackRowGlobalDefault = 4;
constexpr int ModeTextCapacity = 100;

// Set from the page's creation until its own end-of-loading message arrives:
// the notifications that filling the controls raises are not the user's.
bool g_userPageLoading = false;

// A number field whose stored value was too long for the field to show it
// whole (another tool wrote it). While the administrator has not typed into
// such a field, applying keeps the stored value instead of the cut text.
struct OverlongFields {
    bool days = false;
    bool connectTime = false;
    bool idleTimeout = false;
};
OverlongFields g_overlong;

constexpr std::size_t DaysLimit = LimitOf(EntryField::DisableAfterDays).limit;
constexpr std::size_t MinutesLimit = LimitOf(EntryField::ConnectTimeMinutes).limit;
constexpr std::size_t NumberLimit = LimitOf(EntryField::DialbackNumber).limit;
static_assert(NumberLimit == DialbackNumberMaxLength);
static_assert(LimitOf(EntryField::IdleTimeoutMinutes).limit == MinutesLimit);

HWND Item(HWND page, int id) { return GetDlgItem(page, id); }
void Enable(HWND page, int id, bool on) { EnableWindow(Item(page, id), on ? TRUE : FALSE); }
bool Enabled(HWND page, int id) { return IsWindowEnabled(Item(page, id)) != FALSE; }
bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
void Check(HWND page, int id, bool on) { CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED); }
void LimitText(HWND page, int id, std::size_t limit) { SendDlgItemMessageA(page, id, EM_LIMITTEXT, limit, 0); }

// Sets a field's text; true when the text is longer than the field's limit.
bool ShowNumber(HWND page, int id, const char *format, int32_t value, std::size_t limit)
{
    char text[16];
    int n = wsprintfA(text, format, value);
    SetDlgItemTextA(page, id, text);
    return n > 0 && static_cast<std::size_t>(n) > limit;
}

// At most `limit` characters of a field.
template <std::size_t N>
std::string_view FieldText(HWND page, int id, char (&buffer)[N], std::size_t limit)
{
    static_assert(N > 0);
    if (limit >= N)
        limit = N - 1;
    buffer[0] = '\0';
    UINT n = GetDlgItemTextA(page, id, buffer, static_cast<int>(limit + 1));
    return std::string_view(buffer, n <= limit ? n : limit);
}

void ShowPageError(MessageId message)
{
    ShowErrorMessage(NoOwnerWindow, message, CaptionUserPage);
}

void Refuse(HWND page, MessageId message, int field)
{
    ShowPageError(message);
    SetFocus(Item(page, field));
}

void FillDialbackModes(HWND page)
{
    static constexpr UINT Rows[] = {IDS_DIALBACK_NOT_ALLOWED, IDS_DIALBACK_FIXED_NUMBER, IDS_DIALBACK_ANY_NUMBER,
                                    IDS_DIALBACK_CALLER_NUMBER, IDS_DIALBACK_GLOBAL_DEFAULT};
    HWND list = Item(page, IDC_DIALBACK_MODE);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (UINT id : Rows) {
        char text[ModeTextCapacity + 1] = {};
        LoadStringA(ModuleInstance(), id, text, sizeof text);
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
}

void InitUserParametersPage(HWND page)
{
    const UserRemoteParams &read = UserParamsAsRead();
    const PasswordParametersValue &password = read.passwordParameters;
    const bool w = CanModifyObject(CurrentObjectName()) != 0;
    g_overlong = OverlongFields{};

    Check(page, IDC_ALLOW_PASSWORD_CHANGE, password.AllowChange != 0);
    Enable(page, IDC_ALLOW_PASSWORD_CHANGE, w);

    LimitText(page, IDC_DISABLE_DAYS, DaysLimit);
    const bool disable = password.DisableAfterDays != DisableNever;
    Check(page, IDC_DISABLE_PASSWORD, disable);
    if (disable)
        g_overlong.days = ShowNumber(page, IDC_DISABLE_DAYS, "%u", password.DisableAfterDays, DaysLimit);
    else
        SetDlgItemTextA(page, IDC_DISABLE_DAYS, "");
    for (int id : {IDC_DISABLE_DAYS, IDC_AFTER_LABEL, IDC_DAYS_LABEL})
        Enable(page, id, disable && w);
    Enable(page, IDC_DISABLE_PASSWORD, w);
    Enable(page, IDC_CHANGE_PASSWORD, w);

    const bool defaultTime = read.maxConnectTime == MinutesAbsent;
    Check(page, IDC_DEFAULT_CONNECT_TIME, w && defaultTime);
    Enable(page, IDC_DEFAULT_CONNECT_TIME, w);
    LimitText(page, IDC_CONNECT_TIME, MinutesLimit);
    if (defaultTime)
        SetDlgItemTextA(page, IDC_CONNECT_TIME, "0");
    else
        g_overlong.connectTime = ShowNumber(page, IDC_CONNECT_TIME, "%d", read.maxConnectTime, MinutesLimit);
    for (int id : {IDC_CONNECT_TIME, IDC_CONNECT_TIME_LABEL, IDC_CONNECT_MINUTES_LABEL})
        Enable(page, id, !defaultTime && w);

    const bool idle = read.idleTimeout != MinutesAbsent;
    Check(page, IDC_SPECIFY_IDLE_TIMEOUT, w && idle);
    Enable(page, IDC_SPECIFY_IDLE_TIMEOUT, w);
    LimitText(page, IDC_IDLE_TIMEOUT, MinutesLimit);
    if (idle)
        g_overlong.idleTimeout = ShowNumber(page, IDC_IDLE_TIMEOUT, "%d", read.idleTimeout, MinutesLimit);
    else
        SetDlgItemTextA(page, IDC_IDLE_TIMEOUT, "0");
    for (int id : {IDC_IDLE_TIMEOUT, IDC_IDLE_MINUTES_LABEL})
        Enable(page, id, idle && w);

    const int row = read.dialbackFlag == DialbackFlagAbsent ? DialbackRowGlobalDefault : DialbackMode(read.dialbackFlag);
    FillDialbackModes(page);
    // A mode this page does not know selects no row; applying then keeps it.
    SendDlgItemMessageA(page, IDC_DIALBACK_MODE, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    Enable(page, IDC_DIALBACK_MODE, w);
    Enable(page, IDC_MODE_LABEL, w);

    Check(page, IDC_DIALBACK_PORT, DialbackUsesPort(read.dialbackFlag) && row != DialbackRowGlobalDefault);
    Enable(page, IDC_DIALBACK_PORT, w && row >= DialbackModeForceNumber && row <= DialbackModeCallerNumber);

    LimitText(page, IDC_DIALBACK_NUMBER, NumberLimit);
    SetDlgItemTextA(page, IDC_DIALBACK_NUMBER, read.dialbackNumber.text);
    Enable(page, IDC_DIALBACK_NUMBER, w && row == DialbackModeForceNumber);
    Enable(page, IDC_DIALBACK_NUMBER_LABEL, w && row == DialbackModeForceNumber);
}

bool ApplyUserParametersPage(HWND page)
{
    const UserRemoteParams &read = UserParamsAsRead();
    UserRemoteParams &edited = UserParamsEdited();
    PasswordParametersValue &password = edited.passwordParameters;

    if (Enabled(page, IDC_ALLOW_PASSWORD_CHANGE))
        password.AllowChange = Checked(page, IDC_ALLOW_PASSWORD_CHANGE) ? 1 : 0;

    if (Enabled(page, IDC_DISABLE_PASSWORD)) {
        if (!Checked(page, IDC_DISABLE_PASSWORD)) {
            password.DisableAfterDays = DisableNever;
            password.DisableAt = DisableNever;
        } else if (g_overlong.days) {
            password.DisableAfterDays = read.passwordParameters.DisableAfterDays;
            password.DisableAt = read.passwordParameters.DisableAt;
        } else {
            char buffer[8];
            int32_t days = 0;
            if (DaysRule(FieldText(page, IDC_DISABLE_DAYS, buffer, DaysLimit), RuleForm::Full, &days) != NoMessage) {
                Refuse(page, MsgInvalidDisableDays, IDC_DISABLE_DAYS);
                return false;
            }
            password.DisableAfterDays = days;
            password.DisableAt = DisableMomentAfter(static_cast<long long>(std::time(nullptr)), days);
        }
        std::memset(password.ZeroedWords, 0, sizeof password.ZeroedWords);
    }

    if (Enabled(page, IDC_DEFAULT_CONNECT_TIME)) {
        if (Checked(page, IDC_DEFAULT_CONNECT_TIME)) {
            edited.maxConnectTime = MinutesAbsent;
        } else if (g_overlong.connectTime) {
            edited.maxConnectTime = read.maxConnectTime;
        } else {
            char buffer[8];
            int32_t minutes = 0;
            if (MinutesRule(FieldText(page, IDC_CONNECT_TIME, buffer, MinutesLimit), RuleForm::Full,
                            MinutesField::MaximumConnectTime, &minutes) != NoMessage) {
                Refuse(page, MsgInvalidConnectTime, IDC_CONNECT_TIME);
                return false;
            }
            edited.maxConnectTime = minutes;
        }
    }

    if (Enabled(page, IDC_SPECIFY_IDLE_TIMEOUT)) {
        if (!Checked(page, IDC_SPECIFY_IDLE_TIMEOUT)) {
            edited.idleTimeout = MinutesAbsent;
        } else if (g_overlong.idleTimeout) {
            edited.idleTimeout = read.idleTimeout;
        } else {
            char buffer[8];
            int32_t minutes = 0;
            if (MinutesRule(FieldText(page, IDC_IDLE_TIMEOUT, buffer, MinutesLimit), RuleForm::Full,
                            MinutesField::IdleTimeout, &minutes) != NoMessage) {
                Refuse(page, MsgInvalidIdleTimeout, IDC_IDLE_TIMEOUT);
                return false;
            }
            edited.idleTimeout = minutes;
        }
    }

    if (!Enabled(page, IDC_DIALBACK_MODE))
        return true;
    LRESULT row = SendDlgItemMessageA(page, IDC_DIALBACK_MODE, CB_GETCURSEL, 0, 0);
    if (row == DialbackRowGlobalDefault)
        edited.dialbackFlag = DialbackFlagAbsent;
    else if (row >= 0 && row < DialbackRowGlobalDefault)
        edited.dialbackFlag = static_cast<DialbackFlagValue>(row);
    // No row selected: a stored mode the page does not know, left as it is.

    if (Enabled(page, IDC_DIALBACK_NUMBER) && GetWindowTextLengthA(Item(page, IDC_DIALBACK_NUMBER)) > 0) {
        char buffer[NumberLimit + 1];
        if (FieldText(page, IDC_DIALBACK_NUMBER, buffer, NumberLimit).empty()) {
            edited.dialbackNumber = read.dialbackNumber;
            Refuse(page, MsgInvalidDialbackNumber, IDC_DIALBACK_NUMBER);
            return false;
        }
        DecodeDialbackNumber(buffer, sizeof buffer, edited.dialbackNumber);
    }

    if (!Enabled(page, IDC_DIALBACK_PORT))
        return true;
    if (Checked(page, IDC_DIALBACK_PORT))
        edited.dialbackFlag |= DialbackPortBit;
    else
        edited.dialbackFlag &= ~DialbackPortBit;
    return true;
}

void RunPasswordDialog(HWND page)
{
    DialogBoxParamA(ModuleInstance(), PasswordDialogTemplate, page, configPasswordDlgProc, 0);
    if (std::memcmp(UserParamsEdited().passwordParameters.EncodedPassword,
                    UserParamsAsRead().passwordParameters.EncodedPassword, EncodedPasswordSize) != 0)
        NotifyPageChanged(page);
}

// A typed days or minutes field: the typing form of its rule, and a warning
// with the focus back in the field when it fails.
void CheckTypedField(HWND page, int id)
{
    char buffer[8];
    MessageId failure = NoMessage;
    if (id == IDC_DISABLE_DAYS) {
        g_overlong.days = false;
        failure = DaysRule(FieldText(page, id, buffer, DaysLimit), RuleForm::Typing);
    } else {
        MinutesField field = id == IDC_CONNECT_TIME ? MinutesField::MaximumConnectTime : MinutesField::IdleTimeout;
        (id == IDC_CONNECT_TIME ? g_overlong.connectTime : g_overlong.idleTimeout) = false;
        failure = MinutesRule(FieldText(page, id, buffer, MinutesLimit), RuleForm::Typing, field);
    }
    if (failure != NoMessage) {
        Refuse(page, failure, id);
        return;
    }
    NotifyPageChanged(page);
}

void ControlReaction(HWND page, int id, int notification)
{
    switch (id) {
    case IDC_CHANGE_PASSWORD:
        RunPasswordDialog(page);
        return;
    case IDC_DEFAULT_CONNECT_TIME:
        if (notification != BN_CLICKED)
            return;
        for (int item : {IDC_CONNECT_TIME_LABEL, IDC_CONNECT_TIME, IDC_CONNECT_MINUTES_LABEL})
            Enable(page, item, !Checked(page, IDC_DEFAULT_CONNECT_TIME));
        NotifyPageChanged(page);
        return;
    case IDC_DISABLE_PASSWORD:
        if (notification != BN_CLICKED)
            return;
        for (int item : {IDC_AFTER_LABEL, IDC_DISABLE_DAYS, IDC_DAYS_LABEL})
            Enable(page, item, Checked(page, IDC_DISABLE_PASSWORD));
        NotifyPageChanged(page);
        return;
    case IDC_SPECIFY_IDLE_TIMEOUT:
        if (notification != BN_CLICKED)
            return;
        for (int item : {IDC_IDLE_TIMEOUT, IDC_IDLE_MINUTES_LABEL})
            Enable(page, item, Checked(page, IDC_SPECIFY_IDLE_TIMEOUT));
        NotifyPageChanged(page);
        return;
    case IDC_DIALBACK_PORT:
    case IDC_ALLOW_PASSWORD_CHANGE:
        if (notification == BN_CLICKED)
            NotifyPageChanged(page);
        return;
    case IDC_DIALBACK_MODE: {
        if (notification != CBN_SELCHANGE)
            return;
        LRESULT row = SendDlgItemMessageA(page, IDC_DIALBACK_MODE, CB_GETCURSEL, 0, 0);
        Enable(page, IDC_DIALBACK_PORT, row != DialbackModeNone && row != DialbackRowGlobalDefault);
        Enable(page, IDC_DIALBACK_NUMBER, row == DialbackModeForceNumber);
        Enable(page, IDC_DIALBACK_NUMBER_LABEL, row == DialbackModeForceNumber);
        NotifyPageChanged(page);
        return;
    }
    case IDC_DISABLE_DAYS:
    case IDC_CONNECT_TIME:
    case IDC_IDLE_TIMEOUT:
        if (notification == EN_CHANGE)
            CheckTypedField(page, id);
        return;
    case IDC_DIALBACK_NUMBER:
        if (notification == EN_CHANGE)
            NotifyPageChanged(page);
        return;
    default:
        return;
    }
}

INT_PTR Answer(HWND page, INT_PTR result)
{
    // A host that sends the message rather than calling the procedure reads
    // the answer here.
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return result;
}

INT_PTR UserPageMessage(HWND page, UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_INITDIALOG:
        g_userPageLoading = true;
        InitUserParametersPage(page);
        PostMessageA(page, PageMsgLoaded, 0, 0);
        return 1;
    case PageMsgLoaded:
        g_userPageLoading = false;
        return 1;
    case WM_COMMAND:
        if (!g_userPageLoading)
            ControlReaction(page, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case PageMsgApply:
        return Answer(page, ApplyUserParametersPage(page) ? 1 : 0);
    case PageMsgHelp:
        ShowHelp(page, HelpUserParametersPage);
        return Answer(page, 1);
    default:
        return 0;
    }
}

} // namespace

bool UserPageLoading() { return g_userPageLoading; }

} // namespace rax

extern "C" INT_PTR WINAPI UserParametersPageDlg(HWND page, UINT message, WPARAM wParam, LPARAM)
{
    try {
        return rax::UserPageMessage(page, message, wParam);
    } catch (...) {
        return 0;
    }
}
