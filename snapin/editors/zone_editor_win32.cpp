// The restricted zone list editor "CONFIGZONELIST" and its add dialog
// "CONFIGADDZONE".
#include "core/module_win32.h"
#include "core/snapin_state.h"
#include "editors/editor_ids.h"
#include "editors/list_editing_win32.h"
#include "editors/list_editors_win32.h"
#include "network/field_limits.h"
#include "network/field_rules.h"
#include "network/messages.h"
#include "network/network_page_ids.h"
#include "network/network_page_state.h"

namespace rax {

namespace {

// Read with more room than the field holds, so an over-long text is refused
// rather than cut.
constexpr std::size_t ZoneFieldRoom = 64;

void Refuse(HWND dialog, MessageId message)
{
    ShowErrorMessage(dialog, message);
    SetFocus(GetDlgItem(dialog, IDC_ZONE_NAME));
}

void OpenZoneListEditor(HWND dialog)
{
    CenterDialog(dialog);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    HWND page = NetworkPage().pageWindow;
    if (page && IsWindow(page))
        CopyListEntries(GetDlgItem(page, IDC_ZONE_LIST), GetDlgItem(dialog, IDC_ZONE_EDIT_LIST));
}

void ZoneListEditorCommand(HWND dialog, int id, int notification)
{
    HWND list = GetDlgItem(dialog, IDC_ZONE_EDIT_LIST);
    switch (id) {
    case IDC_ADD_ZONE:
        if (notification != BN_CLICKED)
            return;
        DialogBoxParamA(ModuleInstance(), "CONFIGADDZONE", dialog, configAddZoneDlgProc,
                        reinterpret_cast<LPARAM>(dialog));
        EnableWindow(GetDlgItem(dialog, IDOK), TRUE);   // whatever the add dialog did
        return;
    case IDC_DELETE_ZONE:
        if (notification == BN_CLICKED && DeleteSelectedEntries(list))
            EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
        return;
    case IDOK:
        FinishListEditor(dialog, list, IDC_ZONE_LIST, NetworkPage().zonesChanged);
        return;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return;
    case IDC_EDITOR_HELP:
        ShowHelp(dialog, HelpZoneListEditor);
        return;
    default:
        return;
    }
}

void AddZone(HWND dialog)
{
    char name[ZoneFieldRoom + 1] = {};
    GetDlgItemTextA(dialog, IDC_ZONE_NAME, name, sizeof name);
    if (ZoneNameRule(name, RuleForm::Full) != NoMessage) {
        Refuse(dialog, MsgInvalidZoneName);
        return;
    }
    HWND editorList = GetDlgItem(ParentEditor(dialog), IDC_ZONE_EDIT_LIST);
    if (ListHoldsEntry(editorList, name, EntryKind::Any)) {
        Refuse(dialog, MsgDuplicateZoneName);
        return;
    }
    SendMessageA(editorList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    EndDialog(dialog, 0);
}

} // namespace

void RunZoneListEditor(HWND page)
{
    DialogBoxParamA(ModuleInstance(), "CONFIGZONELIST", page, configZoneDlgProc, 0);
}

} // namespace rax

extern "C" INT_PTR WINAPI configZoneDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    using namespace rax;
    switch (message) {
    case WM_INITDIALOG:
        OpenZoneListEditor(dialog);
        return 0;
    case WM_COMMAND:
        ZoneListEditorCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return LOWORD(wParam) == IDC_EDITOR_HELP ? 1 : 0;   // help answers 1, as its message does
    case PageMsgHelp:
        ShowHelp(dialog, HelpZoneListEditor);
        return 1;
    default:
        return 0;
    }
}

extern "C" INT_PTR WINAPI configAddZoneDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    using namespace rax;
    switch (message) {
    case WM_INITDIALOG:
        RememberParentEditor(dialog, lParam);
        CenterDialog(dialog);
        SetFocus(GetDlgItem(dialog, IDC_ZONE_NAME));
        SendDlgItemMessageA(dialog, IDC_ZONE_NAME, EM_LIMITTEXT, LimitOf(EntryField::ZoneName).limit, 0);
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        return 0;   // the focus is set
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ZONE_NAME:
            if (HIWORD(wParam) == EN_CHANGE) {
                EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
                char name[ZoneFieldRoom + 1] = {};
                GetDlgItemTextA(dialog, IDC_ZONE_NAME, name, sizeof name);
                if (!NoSpaceRule(name))
                    Refuse(dialog, MsgInvalidZoneName);
            }
            break;
        case IDOK:
            AddZone(dialog);
            break;
        case IDCANCEL:
            EndDialog(dialog, 0);
            break;
        default:
            break;
        }
        return 0;
    case WM_DESTROY:
        ForgetParentEditor(dialog);
        return 0;
    default:
        return 0;
    }
}
