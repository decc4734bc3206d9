// The home server list editor "CONFIGHOMESERVER" and its two add dialogs:
// "CONFIGADDSERVER" (names from the server name cache) and "CONFIGADDSAP"
// (a typed network and node address).
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

// Fields are read with more room than they may hold, so that a text that is
// too long is refused rather than cut to fit.
constexpr std::size_t AddressFieldRoom = 32;

void EnableOk(HWND dialog) { EnableWindow(GetDlgItem(dialog, IDOK), TRUE); }

void Refuse(HWND dialog, int id, MessageId message)
{
    ShowErrorMessage(dialog, message);
    SetFocus(GetDlgItem(dialog, id));
}

void PrepareHomeServerEditor(HWND dialog)
{
    if (!NetworkPage().serverNameCache.first)
        BuildServerNameCache();
    CheckRadioButton(dialog, IDC_BY_NAME, IDC_BY_ADDRESS, IDC_BY_NAME);
}

// Adds by name (from the server name cache) or by a typed address, as the
// editor's choice says.
void RunAddServer(HWND editor)
{
    if (IsDlgButtonChecked(editor, IDC_BY_NAME) == BST_CHECKED)
        DialogBoxParamA(ModuleInstance(), "CONFIGADDSERVER", editor, configAddSerDlgProc,
                        reinterpret_cast<LPARAM>(editor));
    else
        DialogBoxParamA(ModuleInstance(), "CONFIGADDSAP", editor, configAddSapDlgProc, reinterpret_cast<LPARAM>(editor));
}

const ListEditorKind HomeServerEditor{
    IDC_SERVER_LIST, IDC_HOME_SERVER_LIST, IDC_ADD_SERVER, IDC_DELETE_SERVER, HelpHomeServerEditor,
    []() -> bool & { return NetworkPage().ipxChanged; }, PrepareHomeServerEditor, RunAddServer,
};

// Offers every cached server name that the editor's list does not hold yet.
void FillServerNames(HWND dialog)
{
    HWND editorList = GetDlgItem(ParentEditor(dialog), IDC_SERVER_LIST);
    HWND names = GetDlgItem(dialog, IDC_SERVER_NAMES);
    for (const ServerNode *node = NetworkPage().serverNameCache.first; node; node = node->next) {
        const char *name = ServerNodeName(node);
        if (name[0] != '\0' && !ListHoldsEntry(editorList, name, EntryKind::Name))
            SendMessageA(names, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
}

void AddServerByAddress(HWND dialog)
{
    char network[AddressFieldRoom + 1] = {};
    char node[AddressFieldRoom + 1] = {};
    GetDlgItemTextA(dialog, IDC_NETWORK_ADDRESS, network, sizeof network);
    GetDlgItemTextA(dialog, IDC_NODE_ADDRESS, node, sizeof node);
    if (NetworkAddressRule(network, RuleForm::Full) != NoMessage) {
        Refuse(dialog, IDC_NETWORK_ADDRESS, MsgInvalidNetworkAddress);
        return;
    }
    if (NodeAddressRule(node, RuleForm::Full) != NoMessage) {
        Refuse(dialog, IDC_NODE_ADDRESS, MsgInvalidNodeAddress);
        return;
    }
    char entry[HomeServerEntryMaxLength + 1];
    wsprintfA(entry, "[%s][%s]", network, node);
    HWND editorList = GetDlgItem(ParentEditor(dialog), IDC_SERVER_LIST);
    if (ListHoldsEntry(editorList, entry, EntryKind::Address)) {
        Refuse(dialog, IDC_NETWORK_ADDRESS, MsgDuplicateServerAddress);
        return;
    }
    SendMessageA(editorList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    EndDialog(dialog, 0);
}

// The typing check of one address field.
void CheckAddressTyping(HWND dialog, int id, MessageId message)
{
    EnableOk(dialog);
    char text[AddressFieldRoom + 1] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    if (!HexTextRule(text))
        Refuse(dialog, id, message);
}

INT_PTR OpenAddByName(HWND dialog)
{
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    FillServerNames(dialog);
    return 1;
}

void AddByNameCommand(HWND dialog, int id, int)
{
    if (id == IDC_SERVER_NAMES) {
        // Once a name was chosen OK stays enabled.
        if (SendDlgItemMessageA(dialog, IDC_SERVER_NAMES, LB_GETSELCOUNT, 0, 0) > 0)
            EnableOk(dialog);
    } else if (id == IDOK) {
        if (AddSelectedEntries(GetDlgItem(dialog, IDC_SERVER_NAMES), GetDlgItem(ParentEditor(dialog), IDC_SERVER_LIST)))
            EndDialog(dialog, 0);
    }
}

INT_PTR OpenAddByAddress(HWND dialog)
{
    SetFocus(GetDlgItem(dialog, IDC_NETWORK_ADDRESS));
    SendDlgItemMessageA(dialog, IDC_NETWORK_ADDRESS, EM_LIMITTEXT, LimitOf(EntryField::HomeServerNetwork).limit, 0);
    SendDlgItemMessageA(dialog, IDC_NODE_ADDRESS, EM_LIMITTEXT, LimitOf(EntryField::HomeServerNode).limit, 0);
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    return 0;   // the focus is set
}

void AddByAddressCommand(HWND dialog, int id, int notification)
{
    if (id == IDC_NETWORK_ADDRESS && notification == EN_CHANGE)
        CheckAddressTyping(dialog, IDC_NETWORK_ADDRESS, MsgInvalidNetworkAddress);
    else if (id == IDC_NODE_ADDRESS && notification == EN_CHANGE)
        CheckAddressTyping(dialog, IDC_NODE_ADDRESS, MsgInvalidNodeAddress);
    else if (id == IDOK)
        AddServerByAddress(dialog);
}

} // namespace

void RunHomeServerEditor(HWND page)
{
    DialogBoxParamA(ModuleInstance(), "CONFIGHOMESERVER", page, configSapDlgProc, 0);
}

} // namespace rax

extern "C" INT_PTR WINAPI configSapDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    return rax::ListEditorMessage(dialog, message, wParam, rax::HomeServerEditor);
}

extern "C" INT_PTR WINAPI configAddSerDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return rax::AddDialogMessage(dialog, message, wParam, lParam, rax::OpenAddByName, rax::AddByNameCommand);
}

extern "C" INT_PTR WINAPI configAddSapDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return rax::AddDialogMessage(dialog, message, wParam, lParam, rax::OpenAddByAddress, rax::AddByAddressCommand);
}
