// The Other Parameters page of a container ("Remote Access"): the idle
// timeout, and the IPX and IP groups shared with the user page.
#include "core/directory_access.h"
#include "core/pages.h"
#include "core/snapin_state.h"
#include "editors/list_editors_win32.h"
#include "network/field_limits.h"
#include "network/field_rules.h"
#include "network/ipx_ip_groups_win32.h"
#include "network/messages.h"
#include "network/network_page_ids.h"
#include "network/network_page_state.h"
#include "network/network_pages_win32.h"

#include <cstdio>

namespace rax {

namespace {

constexpr std::size_t MinutesRoom = 6;

// A stored timeout whose text is longer than the field (another tool wrote
// it, such as 1000000): while the administrator has not typed into the
// field, applying keeps the stored value instead of its first six characters.
bool g_idleOverlong = false;

void OpenOtherParametersPage(HWND page)
{
    NetworkPageState &state = NetworkPage();
    FreeValueList(state.serverNameCache);
    FreeValueList(state.homeServers);
    ReleaseBuiltValues();
    state.ipxChanged = false;
    state.ipChanged = false;
    state.pageWindow = page;
    ByteView ipx = ProfileBytes(state.ipxAsRead);
    if (ipx.data)
        BuildHomeServerList(ipx.data, ipx.size, state.homeServers);

    state.otherLoading = true;
    InitOtherParametersPage(page);
    PostMessageA(page, PageMsgLoaded, 0, 0);
}

void EnableMinutes(HWND page, bool on)
{
    EnableWindow(GetDlgItem(page, IDC_IDLE_TIMEOUT), on ? TRUE : FALSE);
    EnableWindow(GetDlgItem(page, IDC_IDLE_TIMEOUT_LABEL), on ? TRUE : FALSE);
}

// The minutes field reports in the user page's way: no owner, caption 6002.
void RefuseMinutes(HWND page)
{
    ShowErrorMessage(NoOwnerWindow, MsgInvalidIdleTimeout, CaptionUserPage);
    SetFocus(GetDlgItem(page, IDC_IDLE_TIMEOUT));
}

void OtherParametersCommand(HWND page, int id, int notification)
{
    switch (id) {
    case IDC_EDIT_HOME_SERVERS:
        RunHomeServerEditor(page);
        break;
    case IDC_SPECIFY_IDLE_TIMEOUT:
        if (notification == BN_CLICKED) {
            EnableMinutes(page, IsDlgButtonChecked(page, id) == BST_CHECKED);
            NotifyPageChanged(page);
        }
        break;
    case IDC_IDLE_TIMEOUT:
        if (notification == EN_CHANGE) {
            // No changed flag: the save compares the edited timeout with the one read.
            g_idleOverlong = false;
            char text[MinutesRoom + 1] = {};
            GetDlgItemTextA(page, id, text, sizeof text);
            if (!MinutesChars(text))
                RefuseMinutes(page);
            else
                NotifyPageChanged(page);
        }
        break;
    default:
        IpxIpGroupCommand(page, id, notification);
        break;
    }
}

} // namespace

void InitOtherParametersPage(HWND page)
{
    NetworkPageState &state = NetworkPage();
    bool canModify = CanModifyObject(CurrentObjectName()) == 1;
    bool specified = state.idleAsRead != MinutesAbsent;
    g_idleOverlong = false;
    CheckDlgButton(page, IDC_SPECIFY_IDLE_TIMEOUT, canModify && specified ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(page, IDC_SPECIFY_IDLE_TIMEOUT), canModify ? TRUE : FALSE);
    SendDlgItemMessageA(page, IDC_IDLE_TIMEOUT, EM_LIMITTEXT, LimitOf(EntryField::IdleTimeoutMinutes).limit, 0);
    if (!specified) {
        SetDlgItemTextA(page, IDC_IDLE_TIMEOUT, "0");
        EnableMinutes(page, false);
    } else {
        char text[16];
        int length = std::snprintf(text, sizeof text, "%ld", static_cast<long>(state.idleAsRead));
        SetDlgItemTextA(page, IDC_IDLE_TIMEOUT, text);
        EnableMinutes(page, canModify);
        g_idleOverlong = length > static_cast<int>(MinutesRoom);
    }
    FillIpxAndIpGroups(page, canModify);
    if (!canModify) {
        for (int id : {IDC_EDIT_HOME_SERVERS, IDC_SPECIFY_IPX_ADDRESS, IDC_IPX_ADDRESS, IDC_IPX_MASK,
                       IDC_SET_BOOT_PARAMETERS, IDC_TFTP_SERVER, IDC_BOOT_FILE, IDC_SPECIFY_DOMAIN,
                       IDC_DOMAIN_SERVER, IDC_DOMAIN_NAME})
            EnableWindow(GetDlgItem(page, id), FALSE);
    }
}

bool ApplyOtherParametersPage(HWND page)
{
    NetworkPageState &state = NetworkPage();
    ReleaseBuiltValues();
    bool accepted = ApplyIpxParameters(page) && ApplyIpParameters(page);
    if (accepted)
        FreeValueList(state.homeServers);
    else
        ReleaseBuiltValues();

    // The idle timeout is taken whatever the groups above said.
    if (IsWindowEnabled(GetDlgItem(page, IDC_SPECIFY_IDLE_TIMEOUT))) {
        if (IsDlgButtonChecked(page, IDC_SPECIFY_IDLE_TIMEOUT) != BST_CHECKED) {
            state.idleEdited = MinutesAbsent;
        } else if (g_idleOverlong) {
            state.idleEdited = state.idleAsRead;   // shown whole, never typed into
        } else {
            char text[MinutesRoom + 1] = {};
            GetDlgItemTextA(page, IDC_IDLE_TIMEOUT, text, sizeof text);
            int32_t minutes = 0;
            if (MinutesRule(text, RuleForm::Full, MinutesField::IdleTimeout, &minutes) != NoMessage) {
                RefuseMinutes(page);
                accepted = false;
            } else {
                state.idleEdited = minutes;
            }
        }
    }
    return accepted;
}

} // namespace rax

extern "C" INT_PTR WINAPI OtherParametersPageDlg(HWND page, UINT message, WPARAM wParam, LPARAM)
{
    using namespace rax;
    switch (message) {
    case WM_INITDIALOG:
        OpenOtherParametersPage(page);
        return 1;
    case PageMsgLoaded:
        NetworkPage().otherLoading = false;
        return 0;
    case WM_COMMAND:
        if (!NetworkPage().otherLoading)
            OtherParametersCommand(page, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case PageMsgApply: {
        INT_PTR accepted = ApplyOtherParametersPage(page) ? 1 : 0;
        SetWindowLongPtrA(page, DWLP_MSGRESULT, accepted);
        return accepted;
    }
    case PageMsgHelp:
        ShowHelp(page, HelpOtherParametersPage);
        return 1;
    default:
        return 0;
    }
}
