// The Identification page of access-server objects: text only, and help.
#ifndef RAX_IDENTIFICATION_PAGE_H
#define RAX_IDENTIFICATION_PAGE_H

#include <windows.h>

extern "C" INT_PTR WINAPI IdPageDlg(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

#endif
