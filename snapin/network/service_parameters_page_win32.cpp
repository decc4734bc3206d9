// The Service Parameters page of a user ("Remote Access - 2"): the restricted
// zone list, and the IPX and IP groups shared with the container page.
#include "core/directory_access.h"
#include "core/pages.h"
#include "core/snapin_state.h"
#include "editors/list_editors_win32.h"
#include "network/ipx_ip_groups_win32.h"
#include "network/list_box_entries_win32.h"
#include "network/network_page_ids.h"
#include "network/network_page_state.h"
#include "network/network_pages_win32.h"

namespace rax {

namespace {

void OpenServiceParametersPage(HWND page)
{
    NetworkPageState &state = NetworkPage();
    FreeValueList(state.serverNameCache);
    FreeValueList(state.homeServers);
    FreeValueList(state.zones);
    ReleaseBuiltValues();
    state.ipxChanged = false;
    state.ipChanged = false;
    state.zonesChanged = false;
    state.pageWindow = page;
    // A list that could not be built whole (reported) is never written back.
    if (state.zonesAsRead && !BuildZoneList(state.zonesAsRead, state.zones))
        state.zonesUnreadable = true;
    ByteView ipx = ProfileBytes(state.ipxAsRead);
    if (ipx.data)
        BuildHomeServerList(ipx.data, ipx.size, state.homeServers);

    state.serviceLoading = true;
    InitServiceParametersPage(page);
    PostMessageA(page, PageMsgLoaded, 0, 0);
}

void ServiceParametersCommand(HWND page, int id, int notification)
{
    switch (id) {
    case IDC_EDIT_ZONES:
        RunZoneListEditor(page);
        break;
    case IDC_EDIT_HOME_SERVERS:
        RunHomeServerEditor(page);
        break;
    default:
        IpxIpGroupCommand(page, id, notification);
        break;
    }
}

} // namespace

void InitServiceParametersPage(HWND page)
{
    NetworkPageState &state = NetworkPage();
    bool canModify = CanModifyObject(CurrentObjectName()) == 1;
    FillIpxAndIpGroups(page, canModify);
    for (const ZoneNode *node = state.zones.first; node; node = node->next)
        SendDlgItemMessageA(page, IDC_ZONE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(node->zoneName));
    if (!canModify) {
        // The list boxes stay enabled so that a reader can scroll them.
        for (int id : {IDC_EDIT_ZONES, IDC_EDIT_HOME_SERVERS, IDC_SPECIFY_IPX_ADDRESS, IDC_IPX_ADDRESS, IDC_IPX_MASK,
                       IDC_SET_BOOT_PARAMETERS, IDC_TFTP_SERVER, IDC_BOOT_FILE, IDC_SPECIFY_DOMAIN,
                       IDC_DOMAIN_SERVER, IDC_DOMAIN_NAME})
            EnableWindow(GetDlgItem(page, id), FALSE);
    }
}

bool ApplyZoneList(HWND page)
{
    NetworkPageState &state = NetworkPage();
    if (state.zonesUnreadable)
        return true;   // the stored zones stay as they are
    HWND list = GetDlgItem(page, IDC_ZONE_LIST);
    if (ListBoxCount(list) > 0) {
        ListBoxEntries entries(list);
        StringSlotArray *array = nullptr;
        if (BuildZoneValue(entries.Entries(), array) == BuildResult::OutOfMemory)
            return false;   // reported; the stored zones must stay as they are
        state.zonesBuilt = {array, true};
        return true;
    }
    // No zone left of those the page listed: the save removes the attribute.
    if (state.zones.first)
        state.zonesChanged = true;
    state.zonesBuilt = {nullptr, true};
    return true;
}

bool ApplyServiceParametersPage(HWND page)
{
    NetworkPageState &state = NetworkPage();
    ReleaseBuiltValues();
    if (ApplyIpxParameters(page) && ApplyZoneList(page) && ApplyIpParameters(page)) {
        FreeValueList(state.zones);
        FreeValueList(state.homeServers);
        return true;
    }
    // No built value survives a refusal, so a save can never write half of it.
    ReleaseBuiltValues();
    return false;
}

} // namespace rax

extern "C" INT_PTR WINAPI ServiceParametersPageDlg(HWND page, UINT message, WPARAM wParam, LPARAM)
{
    using namespace rax;
    switch (message) {
    case WM_INITDIALOG:
        OpenServiceParametersPage(page);
        return 1;
    case PageMsgLoaded:
        NetworkPage().serviceLoading = false;
        return 0;
    case WM_COMMAND:
        if (!NetworkPage().serviceLoading)
            ServiceParametersCommand(page, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case PageMsgApply: {
        INT_PTR accepted = ApplyServiceParametersPage(page) ? 1 : 0;
        SetWindowLongPtrA(page, DWLP_MSGRESULT, accepted);
        return accepted;
    }
    case PageMsgHelp:
        ShowHelp(page, HelpServiceParametersPage);
        return 1;
    default:
        return 0;
    }
}
