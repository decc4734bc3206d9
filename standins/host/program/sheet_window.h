// The host's property sheet for one object: a tab per page, and OK, Cancel,
// Apply and Help.
#ifndef RAX_HOST_SHEET_WINDOW_H
#define RAX_HOST_SHEET_WINDOW_H

#include "object_sheet.h"

#include <string>

namespace host {

// Shows the pages of an object until the administrator closes the sheet.
// OK applies every page and saves only when all of them accepted; a refused
// apply keeps the sheet open on the refusing page. Apply does the same and
// then loads the object afresh. Returns when the sheet is closed.
void RunSheetWindow(HWND owner, HostClassProc classProc, const std::string &objectName,
                    const std::string &caption, int firstPage = 0);

// Registers the sheet's window class once.
void RegisterSheetWindowClass(HINSTANCE instance);

} // namespace host

#endif
