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

void OpenHomeServerEditor(HWND dialog)
{
    CenterDialog(dialog);
    NetworkPageState &state = NetworkPage();
    if (!state.serverNameCache.first)
        BuildServerNameCache();
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    CheckRadioButton(dialog, IDC_BY_NAME, IDC_BY_ADDRESS, IDC_BY_NAME);
    if (state.pageWindow && IsWindow(state.pageWindow))
        CopyListEntries(GetDlgItem(state.pageWindow, IDC_HOME_SERVER_LIST), GetDlgItem(dialog, IDC_SERVER_LIST));
}

void HomeServerEditorCommand(HWND dialog, int id, int notification)
{
    HWND list = GetDlgItem(dialog, IDC_SERVER_LIST);
    switch (id) {
    case IDC_ADD_SERVER:
        if (notification != BN_CLICKED)
            return;
        if (IsDlgButtonChecked(dialog, IDC_BY_NAME) == BST_CHECKED)
            DialogBoxParamA(ModuleInstance(), "CONFIGADDSERVER", dialog, configAddSerDlgProc,
                            reinterpret_cast<LPARAM>(dialog));
        else
            DialogBoxParamA(ModuleInstance(), "CONFIGADDSAP", dialog, configAddSapDlgProc,
                            reinterpret_cast<LPARAM>(dialog));
        EnableOk(dialog);   // whatever the add dialog did
        return;
    case IDC_DELETE_SERVER:
        if (notification == BN_CLICKED && DeleteSelectedEntries(list))
            EnableOk(dialog);
        return;
    case IDOK:
        FinishListEditor(dialog, list, IDC_HOME_SERVER_LIST, NetworkPage().ipxChanged);
        return;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return;
    case IDC_EDITOR_HELP:
        ShowHelp(dialog, HelpHomeServerEditor);
        return;
    default:
        return;
    }
}

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

} // namespace

void RunHomeServerEditor(HWND page)
{
    DialogBoxParamA(ModuleInstance(), "CONFIGHOMESERVER", page, configSapDlgProc, 0);
}

} // namespace rax

extern "C" INT_PTR WINAPI configSapDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    using namespace rax;
    switch (message) {
    case WM_INITDIALOG:
        OpenHomeServerEditor(dialog);
        return 0;
    case WM_COMMAND:
        HomeServerEditorCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return LOWORD(wParam) == IDC_EDITOR_HELP ? 1 : 0;   // help answers 1, as its message does
    case PageMsgHelp:
        ShowHelp(dialog, HelpHomeServerEditor);
        return 1;
    default:
        return 0;
    }
}

extern "C" INT_PTR WINAPI configAddSerDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    using namespace rax;
    switch (message) {
    case WM_INITDIALOG:
        RememberParentEditor(dialog, lParam);
        CenterDialog(dialog);
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        FillServerNames(dialog);
        return 1;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SERVER_NAMES:
            // Once a name was chosen OK stays enabled.
            if (SendDlgItemMessageA(dialog, IDC_SERVER_NAMES, LB_GETSELCOUNT, 0, 0) > 0)
                EnableOk(dialog);
            break;
        case IDOK:
            if (AddSelectedEntries(GetDlgItem(dialog, IDC_SERVER_NAMES),
                                   GetDlgItem(ParentEditor(dialog), IDC_SERVER_LIST)))
                EndDialog(dialog, 0);
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

extern "C" INT_PTR WINAPI configAddSapDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    using namespace rax;
    switch (message) {
    case WM_INITDIALOG:
        RememberParentEditor(dialog, lParam);
        CenterDialog(dialog);
        SetFocus(GetDlgItem(dialog, IDC_NETWORK_ADDRESS));
        SendDlgItemMessageA(dialog, IDC_NETWORK_ADDRESS, EM_LIMITTEXT, LimitOf(EntryField::HomeServerNetwork).limit, 0);
        SendDlgItemMessageA(dialog, IDC_NODE_ADDRESS, EM_LIMITTEXT, LimitOf(EntryField::HomeServerNode).limit, 0);
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        return 0;   // the focus is set
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_NETWORK_ADDRESS:
            if (HIWORD(wParam) == EN_CHANGE)
                CheckAddressTyping(dialog, IDC_NETWORK_ADDRESS, MsgInvalidNetworkAddress);
            break;
        case IDC_NODE_ADDRESS:
            if (HIWORD(wParam) == EN_CHANGE)
                CheckAddressTyping(dialog, IDC_NODE_ADDRESS, MsgInvalidNodeAddress);
            break;
        case IDOK:
            AddServerByAddress(dialog);
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
