#include "sheet_window.h"

#include <commctrl.h>

#include <memory>

namespace host {

namespace {

const char SheetClassName[] = "RaxHostSheet";

enum : int { IdTabs = 100, IdApplyButton = 0x3021, IdHelpButton = 9 };

const int Margin = 7;
const int ButtonWidth = 75;
const int ButtonHeight = 23;

struct Sheet {
    HostClassProc classProc = nullptr;
    std::string objectName;
    std::unique_ptr<ObjectSheet> pages;
    HWND window = nullptr;
    HWND tabs = nullptr;
    int current = 0;
    bool done = false;
};

void ShowCurrentPage(Sheet &sheet)
{
    const auto &pages = sheet.pages->Pages();
    for (size_t i = 0; i < pages.size(); ++i)
        if (pages[i].window)
            ShowWindow(pages[i].window, static_cast<int>(i) == sheet.current ? SW_SHOW : SW_HIDE);
}

// Opens the object's pages and lays the sheet out around the largest page.
void LoadPages(Sheet &sheet)
{
    sheet.pages = std::make_unique<ObjectSheet>(sheet.classProc, sheet.objectName);
    sheet.pages->Open();
    sheet.pages->CreatePages(sheet.window, false);
    TabCtrl_DeleteAllItems(sheet.tabs);

    int pageWidth = 300, pageHeight = 200;
    const auto &pages = sheet.pages->Pages();
    for (size_t i = 0; i < pages.size(); ++i) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char *>(pages[i].tabTitle.c_str());
        SendMessageA(sheet.tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
        if (pages[i].window) {
            RECT r{};
            GetWindowRect(pages[i].window, &r);
            pageWidth = std::max(pageWidth, static_cast<int>(r.right - r.left));
            pageHeight = std::max(pageHeight, static_cast<int>(r.bottom - r.top));
        }
    }

    // The tab control's display area holds the page; the buttons go below.
    RECT display{0, 0, pageWidth, pageHeight};
    TabCtrl_AdjustRect(sheet.tabs, TRUE, &display);
    int tabWidth = display.right - display.left;
    int tabHeight = display.bottom - display.top;
    MoveWindow(sheet.tabs, Margin, Margin, tabWidth, tabHeight, TRUE);
    RECT inner{Margin, Margin, Margin + tabWidth, Margin + tabHeight};
    TabCtrl_AdjustRect(sheet.tabs, FALSE, &inner);
    for (const auto &page : pages)
        if (page.window)
            MoveWindow(page.window, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top, TRUE);

    int clientWidth = tabWidth + 2 * Margin;
    int clientHeight = tabHeight + 3 * Margin + ButtonHeight;
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, GetWindowLongA(sheet.window, GWL_STYLE), FALSE,
                       GetWindowLongA(sheet.window, GWL_EXSTYLE));
    SetWindowPos(sheet.window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    int ids[] = {IDOK, IDCANCEL, IdApplyButton, IdHelpButton};
    for (int i = 0; i < 4; ++i) {
        int x = clientWidth - Margin - (4 - i) * ButtonWidth - (3 - i) * Margin;
        MoveWindow(GetDlgItem(sheet.window, ids[i]), x, tabHeight + 2 * Margin, ButtonWidth, ButtonHeight, TRUE);
    }

    // The pages lie on top of the tab control, which must not paint over them.
    SetWindowPos(sheet.tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    sheet.current = 0;
    TabCtrl_SetCurSel(sheet.tabs, 0);
    ShowCurrentPage(sheet);
}

// Applies every page; on a refusal shows the refusing page and keeps the sheet.
bool ApplyAndSave(Sheet &sheet)
{
    int refused = -1;
    if (!sheet.pages->Apply(&refused)) {
        sheet.current = refused;
        TabCtrl_SetCurSel(sheet.tabs, refused);
        ShowCurrentPage(sheet);
        return false;
    }
    sheet.pages->Save();
    return true;
}

void CreateButton(HWND parent, int id, const char *text, HFONT font)
{
    HWND button = CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0,
                                  ButtonWidth, ButtonHeight, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  nullptr, nullptr);
    SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

LRESULT CALLBACK SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *sheet = reinterpret_cast<Sheet *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE: {
        auto *create = reinterpret_cast<CREATESTRUCTA *>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_CREATE: {
        sheet->window = window;
        HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        sheet->tabs = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 10,
                                      10, window, reinterpret_cast<HMENU>(IdTabs), nullptr, nullptr);
        SendMessageA(sheet->tabs, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        CreateButton(window, IDOK, "OK", font);
        CreateButton(window, IDCANCEL, "Cancel", font);
        CreateButton(window, IdApplyButton, "&Apply", font);
        CreateButton(window, IdHelpButton, "Help", font);
        LoadPages(*sheet);
        return 0;
    }
    case WM_NOTIFY: {
        auto *header = reinterpret_cast<NMHDR *>(lParam);
        if (header->idFrom == IdTabs && header->code == TCN_SELCHANGE) {
            sheet->current = TabCtrl_GetCurSel(sheet->tabs);
            ShowCurrentPage(*sheet);
        }
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (ApplyAndSave(*sheet))
                DestroyWindow(window);
            return 0;
        case IDCANCEL:
            DestroyWindow(window);
            return 0;
        case IdApplyButton:
            if (ApplyAndSave(*sheet)) {
                // What was saved becomes what the pages read.
                sheet->pages.reset();
                LoadPages(*sheet);
            }
            return 0;
        case IdHelpButton:
            sheet->pages->Help(static_cast<size_t>(sheet->current));
            return 0;
        }
        break;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        if (sheet) {
            sheet->pages.reset();
            sheet->done = true;
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

void RegisterSheetWindowClass(HINSTANCE instance)
{
    static bool registered = false;
    if (registered)
        return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA wc{};
    wc.lpfnWndProc = SheetProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = SheetClassName;
    registered = RegisterClassA(&wc) != 0;
}

void RunSheetWindow(HWND owner, HostClassProc classProc, const std::string &objectName, const std::string &caption,
                    int firstPage)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterSheetWindowClass(instance);
    Sheet sheet;
    sheet.classProc = classProc;
    sheet.objectName = objectName;
    HWND window = CreateWindowExA(WS_EX_DLGMODALFRAME, SheetClassName, caption.c_str(),
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 400, 400, owner, nullptr, instance, &sheet);
    if (!window)
        return;
    if (owner)
        EnableWindow(owner, FALSE);
    // Over the middle of the screen.
    RECT frame{}, screen{};
    GetWindowRect(window, &frame);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
    SetWindowPos(window, nullptr, (screen.right + screen.left - (frame.right - frame.left)) / 2,
                 (screen.bottom + screen.top - (frame.bottom - frame.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (sheet.pages && firstPage > 0 && static_cast<size_t>(firstPage) < sheet.pages->Pages().size()) {
        sheet.current = firstPage;
        TabCtrl_SetCurSel(sheet.tabs, firstPage);
        ShowCurrentPage(sheet);
    }
    ShowWindow(window, SW_SHOW);
    MSG msg;
    while (!sheet.done && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        bool handled = false;
        if (sheet.pages) {
            for (const auto &page : sheet.pages->Pages())
                if (page.window && IsWindowVisible(page.window) && IsDialogMessageA(page.window, &msg)) {
                    handled = true;
                    break;
                }
        }
        if (!handled) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (owner) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
}

} // namespace host
