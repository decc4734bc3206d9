// The modal dialog that takes a new remote client password for the user
// whose pages are open and stores it, encoded, into the edited password
// parameters. Run with the User Parameters page as owner and parameter 0.
#ifndef RAX_PASSWORD_DIALOG_H
#define RAX_PASSWORD_DIALOG_H

#include <windows.h>

extern "C" INT_PTR WINAPI configPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

namespace rax {
inline constexpr const char PasswordDialogTemplate[] = "CONFIGPASSWORD";
}

#endif
