// The steps of the two network pages' dialog procedures, apart so that tests
// can run them one by one.
#ifndef RAX_NETWORK_PAGES_WIN32_H
#define RAX_NETWORK_PAGES_WIN32_H

#include <windows.h>

namespace rax {

void InitServiceParametersPage(HWND page);
bool ApplyZoneList(HWND page);
bool ApplyServiceParametersPage(HWND page);
void InitOtherParametersPage(HWND page);
bool ApplyOtherParametersPage(HWND page);

} // namespace rax

#endif
