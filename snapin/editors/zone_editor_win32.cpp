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

void RunAddZone(HWND editor)
{
    DialogBoxParamA(ModuleInstance(), "CONFIGADDZONE", editor, configAddZoneDlgProc, reinterpret_cast<LPARAM>(editor));
}

const ListEditorKind ZoneListEditor{
    IDC_ZONE_EDIT_LIST, IDC_ZONE_LIST, IDC_ADD_ZONE, IDC_DELETE_ZONE, HelpZoneListEditor,
    []() -> bool & { return NetworkPage().zonesChanged; }, [](HWND) {}, RunAddZone,
};

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

INT_PTR OpenAddZone(HWND dialog)
{
    SetFocus(GetDlgItem(dialog, IDC_ZONE_NAME));
    SendDlgItemMessageA(dialog, IDC_ZONE_NAME, EM_LIMITTEXT, LimitOf(EntryField::ZoneName).limit, 0);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    return 0;   // the focus is set
}

void AddZoneCommand(HWND dialog, int id, int notification)
{
    if (id == IDC_ZONE_NAME && notification == EN_CHANGE) {
        EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
        char name[ZoneFieldRoom + 1] = {};
        GetDlgItemTextA(dialog, IDC_ZONE_NAME, name, sizeof name);
        if (!NoSpaceRule(name))
            Refuse(dialog, MsgInvalidZoneName);
    } else if (id == IDOK) {
        AddZone(dialog);
    }
}

} // namespace

void RunZoneListEditor(HWND page)
{
    DialogBoxParamA(ModuleInstance(), "CONFIGZONELIST", page, configZoneDlgProc, 0);
}

} // namespace rax

extern "C" INT_PTR WINAPI configZoneDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    return rax::ListEditorMessage(dialog, message, wParam, rax::ZoneListEditor);
}

extern "C" INT_PTR WINAPI configAddZoneDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return rax::AddDialogMessage(dialog, message, wParam, lParam, rax::OpenAddZone, rax::AddZoneCommand);
}
