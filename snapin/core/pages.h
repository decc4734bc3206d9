// The pages of user and container objects as the class procedures see them:
// their dialog procedures, and the readers and writers of their state.
#ifndef RAX_PAGES_H
#define RAX_PAGES_H

#include <windows.h>

#include <cstdint>

extern "C" {
INT_PTR WINAPI UserParametersPageDlg(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR WINAPI ServiceParametersPageDlg(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR WINAPI OtherParametersPageDlg(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
}

namespace rax {

// Message 259 of a user: the first page's state, then the second page's.
void ReadUserParameters(const char *objectName);
void ReadServiceParameters(const char *objectName);
// Message 259 of a container.
void ReadOtherParameters(const char *objectName);

// Message 262: each writes what changed and returns the result of its last
// write (0 when nothing needed writing).
int32_t WriteUserParameters(const char *objectName);
int32_t WriteServiceParameters(const char *objectName);
int32_t WriteOtherParameters(const char *objectName);

} // namespace rax

#endif
