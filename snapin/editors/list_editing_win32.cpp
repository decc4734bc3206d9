#include "editors/list_editing_win32.h"

#include "core/heap.h"
#include "core/snapin_state.h"
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
