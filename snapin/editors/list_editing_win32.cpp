#include "editors/list_editing_win32.h"

#include "core/heap.h"
#include "core/snapin_state.h"
#include "editors/editor_ids.h"
#include "network/list_box_entries_win32.h"
#include "network/messages.h"
#include "network/network_page_state.h"


namespace rax {

namespace {

// The text of entry `index`, or false when it is missing or too long.
bool EntryText(HWND list, std::size_t index, char (&text)[ListBoxTextRoom + 1])
{
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, index, 0);
    if (length < 0 || static_cast<std::size_t>(length) > ListBoxTextRoom)
        return false;
    text[0] = '\0';
    return SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text)) >= 0;
}

// The indexes of the selected entries in a heap array (FreeBlock), or none.
int *SelectedIndexes(HWND list, int &count)
{
    count = 0;
    LRESULT selected = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
    if (selected <= 0)
        return nullptr;
    auto *indexes = static_cast<int *>(AllocZeroed(static_cast<std::size_t>(selected) * sizeof(int)));
    if (!indexes) {
        ReportOutOfMemory();
        return nullptr;
    }
    LRESULT got = SendMessageA(list, LB_GETSELITEMS, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(indexes));
    count = got > 0 ? static_cast<int>(got) : 0;
    return indexes;
}

const char ParentEditorProperty[] = "RaxParentEditor";

} // namespace

void CopyListEntries(HWND from, HWND to)
{
    char text[ListBoxTextRoom + 1];
    std::size_t count = ListBoxCount(from);
    for (std::size_t i = 0; i < count; ++i)
        if (EntryText(from, i, text))
            SendMessageA(to, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

bool DeleteSelectedEntries(HWND list)
{
    if (SendMessageA(list, LB_GETSELCOUNT, 0, 0) <= 0)
        return false;
    int count = 0;
    int *indexes = SelectedIndexes(list, count);
    if (!indexes)
        return false;
    // The list box hands the indexes in ascending order; from the last, the
    // ones still to go keep their places.
    for (int i = count - 1; i >= 0; --i)
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(indexes[i]), 0);
    FreeBlock(indexes);
    return true;
}

bool AddSelectedEntries(HWND from, HWND to)
{
    if (SendMessageA(from, LB_GETSELCOUNT, 0, 0) <= 0)
        return true;
    int count = 0;
    int *indexes = SelectedIndexes(from, count);
    if (!indexes)
        return false;
    char text[ListBoxTextRoom + 1];
    for (int i = 0; i < count; ++i)
        if (EntryText(from, static_cast<std::size_t>(indexes[i]), text))
            SendMessageA(to, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    FreeBlock(indexes);
    return true;
}

bool ListHoldsEntry(HWND list, const char *text, EntryKind kind)
{
    char entry[ListBoxTextRoom + 1];
    std::size_t count = ListBoxCount(list);
    for (std::size_t i = 0; i < count; ++i) {
        if (!EntryText(list, i, entry))
            continue;
        bool isAddress = entry[0] == '[';
        if ((kind == EntryKind::Address && !isAddress) || (kind == EntryKind::Name && isAddress))
            continue;
        if (lstrcmpA(entry, text) == 0)   // the locale's case-sensitive comparison
            return true;
    }
    return false;
}

void FinishListEditor(HWND editor, HWND editorList, int pageListId, bool &pageFlag)
{
    HWND page = NetworkPage().pageWindow;
    if (page && IsWindow(page)) {
        HWND pageList = GetDlgItem(page, pageListId);
        SendMessageA(pageList, LB_RESETCONTENT, 0, 0);
        CopyListEntries(editorList, pageList);
        NotifyPageChanged(page);
        pageFlag = true;
    }
    EndDialog(editor, 0);
}

namespace {

void ListEditorCommand(HWND dialog, int id, int notification, const ListEditorKind &kind)
{
    HWND list = GetDlgItem(dialog, kind.listId);
    if (id == kind.addId) {
        if (notification != BN_CLICKED)
            return;
        kind.add(dialog);
        EnableWindow(GetDlgItem(dialog, IDOK), TRUE);   // whatever the add dialog did
    } else if (id == kind.deleteId) {
        if (notification == BN_CLICKED && DeleteSelectedEntries(list))
            EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
    } else if (id == IDOK) {
        FinishListEditor(dialog, list, kind.pageListId, kind.pageFlag());
    } else if (id == IDCANCEL) {
        EndDialog(dialog, 0);
    } else if (id == IDC_EDITOR_HELP) {
        ShowHelp(dialog, kind.helpTopic);
    }
}

} // namespace

INT_PTR ListEditorMessage(HWND dialog, UINT message, WPARAM wParam, const ListEditorKind &kind)
{
    switch (message) {
    case WM_INITDIALOG: {
        CenterDialog(dialog);
        kind.prepare(dialog);
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        HWND page = NetworkPage().pageWindow;
        if (page && IsWindow(page))
            CopyListEntries(GetDlgItem(page, kind.pageListId), GetDlgItem(dialog, kind.listId));
        return 0;
    }
    case WM_COMMAND:
        ListEditorCommand(dialog, LOWORD(wParam), HIWORD(wParam), kind);
        return LOWORD(wParam) == IDC_EDITOR_HELP ? 1 : 0;   // help answers 1, as its message does
    case PageMsgHelp:
        ShowHelp(dialog, kind.helpTopic);
        return 1;
    default:
        return 0;
    }
}

INT_PTR AddDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR (*init)(HWND dialog),
                         void (*command)(HWND dialog, int id, int notification))
{
    switch (message) {
    case WM_INITDIALOG:
        RememberParentEditor(dialog, lParam);
        CenterDialog(dialog);
        return init(dialog);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            EndDialog(dialog, 0);
        else
            command(dialog, LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DESTROY:
        ForgetParentEditor(dialog);
        return 0;
    default:
        return 0;
    }
}

void RememberParentEditor(HWND dialog, LPARAM creationParameter)
{
    HWND editor = reinterpret_cast<HWND>(creationParameter);
    if (!editor || !IsWindow(editor))
        editor = GetWindow(dialog, GW_OWNER);
    SetPropA(dialog, ParentEditorProperty, editor);
}

HWND ParentEditor(HWND dialog)
{
    return static_cast<HWND>(GetPropA(dialog, ParentEditorProperty));
}

void ForgetParentEditor(HWND dialog)
{
    RemovePropA(dialog, ParentEditorProperty);
}

} // namespace rax
