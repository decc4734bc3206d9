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

// The window an add dialog works for: its creation parameter, kept at
// WM_INITDIALOG, or its owner.
void RememberParentEditor(HWND dialog, LPARAM creationParameter);
HWND ParentEditor(HWND dialog);
void ForgetParentEditor(HWND dialog);

} // namespace rax

#endif
