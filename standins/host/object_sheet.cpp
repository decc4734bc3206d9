#include "object_sheet.h"

namespace host {

namespace {
const char *const OriginalProcProperty = "RaxHostPageProc";
const char *const NoticeCounterProperty = "RaxHostNotices";

// Counts the dialogs and message boxes activated while a page applies itself.
int g_boxesDuringApply = 0;

LRESULT CALLBACK CountBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE &&
        GetWindowThreadProcessId(reinterpret_cast<HWND>(wParam), nullptr) == GetCurrentThreadId()) {
        char cls[16] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof cls);
        if (lstrcmpA(cls, "#32770") == 0)
            ++g_boxesDuringApply;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
} // namespace

ObjectSheet::ObjectSheet(HostClassProc classProc, std::string objectName)
    : m_classProc(classProc), m_objectName(std::move(objectName))
{
}

ObjectSheet::~ObjectSheet()
{
    Close();
}

int ObjectSheet::Open()
{
    if (!m_classProc)
        return 0;
    m_open = true;
    m_classProc(m_objectName.c_str(), HostClassMsgSetup, 0, nullptr);
    m_loadResult = m_classProc(m_objectName.c_str(), HostClassMsgLoad, 0, nullptr);
    for (int i = 0; i < m_loadResult; ++i) {
        SheetPage page;
        m_classProc(m_objectName.c_str(), HostClassMsgPageInfo, static_cast<uint32_t>(i), &page.info);
        page.templateName = page.info.templateName ? page.info.templateName : "";
        page.tabTitle = page.info.tabTitle ? page.info.tabTitle : "";
        m_pages.push_back(page);
    }
    return m_loadResult;
}

// Sees every message of a page first, so the change notices the page sends to
// itself are counted.
LRESULT CALLBACK ObjectSheet::PageSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto original = reinterpret_cast<WNDPROC>(GetPropA(window, OriginalProcProperty));
    if (message == HostPageMsgChanged) {
        if (auto *counter = static_cast<int *>(GetPropA(window, NoticeCounterProperty)))
            ++*counter;
    } else if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(window, OriginalProcProperty);
        RemovePropA(window, NoticeCounterProperty);
    }
    return original ? CallWindowProcA(original, window, message, wParam, lParam)
                    : DefWindowProcA(window, message, wParam, lParam);
}

bool ObjectSheet::CreatePages(HWND parent, bool visible)
{
    bool all = true;
    for (auto &page : m_pages) {
        if (!page.info.pageProc || !page.info.module) {
            all = false;
            continue;
        }
        page.window = CreateDialogParamA(page.info.module, page.templateName.c_str(), parent,
                                         page.info.pageProc, 0);
        if (!page.window) {
            all = false;
            continue;
        }
        // Notices sent while the page initialised itself came before the sheet
        // could watch; they say nothing the administrator did.
        SetPropA(page.window, NoticeCounterProperty, &page.changeNotices);
        auto original = SetWindowLongPtrA(page.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PageSubclass));
        SetPropA(page.window, OriginalProcProperty, reinterpret_cast<HANDLE>(original));
        ShowWindow(page.window, visible ? SW_SHOW : SW_HIDE);
    }
    return all;
}

bool ObjectSheet::Apply(int *refusedPage)
{
    for (size_t i = 0; i < m_pages.size(); ++i) {
        SheetPage &page = m_pages[i];
        if (!page.window)
            continue;
        // The page answers through its procedure's result, which a dialog window
        // does not pass back through SendMessage: call the procedure itself.
        g_boxesDuringApply = 0;
        HHOOK hook = SetWindowsHookExA(WH_CBT, CountBoxes, nullptr, GetCurrentThreadId());
        INT_PTR accepted = page.info.pageProc(page.window, HostPageMsgApply, 0, 0);
        if (hook)
            UnhookWindowsHookEx(hook);
        // A page refuses with 0 and a message of its own. A page with nothing to
        // validate answers 0 as well, but has neither announced a change nor
        // shown a message: it does not hold the others back.
        bool refused = !accepted && (page.changeNotices > 0 || g_boxesDuringApply > 0);
        if (refused) {
            if (refusedPage)
                *refusedPage = static_cast<int>(i);
            return false;
        }
    }
    return true;
}

void ObjectSheet::Help(size_t index)
{
    if (index < m_pages.size() && m_pages[index].window)
        m_pages[index].info.pageProc(m_pages[index].window, HostPageMsgHelp, 0, 0);
}

void ObjectSheet::Save()
{
    if (m_classProc && m_open)
        m_classProc(m_objectName.c_str(), HostClassMsgSave, 0, nullptr);
}

void ObjectSheet::Close()
{
    for (auto &page : m_pages) {
        if (page.window)
            DestroyWindow(page.window);
        page.window = nullptr;
    }
    if (m_classProc && m_open)
        m_classProc(m_objectName.c_str(), HostClassMsgCleanup, 0, nullptr);
    m_open = false;
}

} // namespace host
