// The home server list editor and the restricted zone list editor, as the
// network pages open them, and their exported dialog procedures.
#ifndef RAX_LIST_EDITORS_WIN32_H
#define RAX_LIST_EDITORS_WIN32_H

#include <windows.h>

extern "C" {
INT_PTR WINAPI configSapDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR WINAPI configAddSerDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR WINAPI configAddSapDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR WINAPI configZoneDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR WINAPI configAddZoneDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
}

namespace rax {

// Runs "CONFIGZONELIST" and "CONFIGHOMESERVER" modally, owned by the page.
void RunZoneListEditor(HWND page);
void RunHomeServerEditor(HWND page);

// Fills the server name cache of the page state from the client services'
// object scan: 1 when the scan ran to its end, 0 when no connection could be
// had or memory ran out (reported; the names found so far stay).
int BuildServerNameCache();

} // namespace rax

#endif
