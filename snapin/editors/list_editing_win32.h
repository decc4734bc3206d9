// The steps both list editors share: copying a page's list box into the
// editor and back, deleting the selected entries, and looking an entry up.
#ifndef RAX_LIST_EDITING_WIN32_H
#define RAX_LIST_EDITING_WIN32_H

#include <windows.h>

#include <cstddef>

namespace rax {

// Adds every entry of `from`, in order, to `to`.
void CopyListEntries(HWND from, HWND to);

// Deletes the selected entries of an extended-selection list box, from the
// last to the first. False when nothing was selected or the index array
// could not be had (reported).
bool DeleteSelectedEntries(HWND list);

// Adds the selected entries of `from` to `to`. False when the index array
// could not be had (reported); true otherwise, with nothing selected too.
bool AddSelectedEntries(HWND from, HWND to);

// True when an entry of the list of the given kind equals `text` byte for
// byte (letter case counts). Address entries begin with '[', name entries
// do not.
enum class EntryKind { Any, Address, Name };
bool ListHoldsEntry(HWND list, const char *text, EntryKind kind);

// OK of an editor: the page's list box takes the editor's entries, the page's
// flag is set, the host hears of the change, and the editor closes.
void FinishListEditor(HWND editor, HWND editorList, int pageListId, bool &pageFlag);

// What sets one list editor apart; the rest of its dialog procedure is shared
// (ListEditorMessage): OK starts disabled and is enabled by any add or by a
// delete that removed something; OK copies the list to the page, sets the
// page's flag and tells the host; help opens the editor's topic.
struct ListEditorKind {
    int listId;                          // the editor's list box
    int pageListId;                      // the page's list box it edits
    int addId;
    int deleteId;
    DWORD helpTopic;
    bool &(*pageFlag)();                 // the page state's flag OK sets
    void (*prepare)(HWND editor);        // set-up before the page's list is copied in
    void (*add)(HWND editor);            // runs the add dialog
};
INT_PTR ListEditorMessage(HWND dialog, UINT message, WPARAM wParam, const ListEditorKind &kind);

// An add dialog's procedure around its own parts: `init` after the parent
// editor is remembered and the dialog centred (its result is WM_INITDIALOG's),
// `command` for every command but Cancel, which closes the dialog.
INT_PTR AddDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR (*init)(HWND dialog),
                         void (*command)(HWND dialog, int id, int notification));

// The window an add dialog works for: its creation parameter, kept at
// WM_INITDIALOG, or its owner.
void RememberParentEditor(HWND dialog, LPARAM creationParameter);
HWND ParentEditor(HWND dialog);
void ForgetParentEditor(HWND dialog);

} // namespace rax

#endif
