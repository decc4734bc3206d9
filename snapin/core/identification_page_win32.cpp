#include "core/identification_page.h"

#include "core/snapin_state.h"

extern "C" INT_PTR WINAPI IdPageDlg(HWND page, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return 1;   // the system sets the focus
    case rax::PageMsgHelp:
        rax::ShowHelp(page, rax::HelpIdentificationPage);
        return 1;
    default:
        return 0;   // the page holds nothing to apply
    }
}
