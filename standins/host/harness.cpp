#include "harness.h"

#include <algorithm>
#include <cstring>

namespace harness {

namespace {

ModalCapture *g_capture = nullptr;   // one per thread at a time; tests are single-threaded

bool IsDialogClass(HWND window)
{
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    return std::strcmp(cls, "#32770") == 0;
}

std::string WindowText(HWND window)
{
    int n = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    GetWindowTextA(window, text.data(), n + 1);
    text.resize(std::strlen(text.c_str()));
    return text;
}

// The icon a message box shows, found through its SS_ICON static.
BoxIcon BoxIconOf(HWND box)
{
    HICON icon = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            break;
        }
    }
    if (!icon)
        return BoxIcon::None;
    if (icon == LoadIconA(nullptr, IDI_HAND))
        return BoxIcon::Stop;
    if (icon == LoadIconA(nullptr, IDI_ASTERISK))
        return BoxIcon::Information;
    return BoxIcon::Other;
}

// A message box: the text in a static of id 0xFFFF and an SS_ICON static of id
// 0x440, which is how the system's message box template lays them out.
bool LooksLikeMessageBox(HWND window)
{
    HWND text = GetDlgItem(window, 0xFFFF);
    HWND icon = GetDlgItem(window, 0x440);
    return text && icon && (GetWindowLongA(icon, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

struct CaptureSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK MatchCapture(HWND window, LPARAM param)
{
    auto *search = reinterpret_cast<CaptureSearch *>(param);
    char cls[16] = {};
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->process || !GetClassNameA(window, cls, sizeof cls) || std::strcmp(cls, "MS_WINHELP") != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

// The help capture window of another process, if it has one.
HWND HelpCaptureOf(DWORD process)
{
    CaptureSearch search{process, nullptr};
    EnumWindows(MatchCapture, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

ModalCapture::ModalCapture()
{
    g_capture = this;
    m_hook = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

ModalCapture::~ModalCapture()
{
    if (m_hook)
        UnhookWindowsHookEx(m_hook);
    if (g_capture == this)
        g_capture = nullptr;
}

LRESULT CALLBACK ModalCapture::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    ModalCapture *self = g_capture;
    if (self && code == HCBT_ACTIVATE)
        self->Activated(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void ModalCapture::Activated(HWND window)
{
    if (!IsDialogClass(window) || (GetWindowLongA(window, GWL_STYLE) & WS_CHILD))
        return;
    // Under Wine a thread's hook also hears of other processes' windows (tests
    // run side by side): only this thread's own dialogs are ours to answer.
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId())
        return;
    if (std::find(m_seen.begin(), m_seen.end(), window) != m_seen.end())
        return;   // activated again after a box of its own closed
    m_seen.push_back(window);

    bool isBox = LooksLikeMessageBox(window);
    if (isBox) {
        CapturedBox box;
        box.caption = WindowText(window);
        box.text = ItemText(window, 0xFFFF);
        box.icon = BoxIconOf(window);
        box.owner = GetWindow(window, GW_OWNER);
        m_boxes.push_back(box);
        int answer = IDOK;
        if (!m_answers.empty()) {
            answer = m_answers.front();
            m_answers.pop_front();
        }
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        return;
    }

    CapturedDialog dialog;
    dialog.caption = WindowText(window);
    dialog.owner = GetWindow(window, GW_OWNER);
    dialog.handled = !m_actions.empty();
    m_dialogs.push_back(dialog);
    if (m_actions.empty()) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return;
    }
    m_pendingDialog = window;
    m_pendingAction = std::move(m_actions.front());
    m_actions.pop_front();
    SetTimer(nullptr, 0, 1, RunAction);
}

void CALLBACK ModalCapture::RunAction(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    ModalCapture *self = g_capture;
    if (!self || !self->m_pendingDialog)
        return;
    HWND dialog = self->m_pendingDialog;
    DialogAction action = std::move(self->m_pendingAction);
    self->m_pendingDialog = nullptr;
    self->m_pendingAction = nullptr;
    if (action)
        action(dialog);
}

HelpCapture::HelpCapture()
{
    InitializeCriticalSection(&m_lock);
    m_created = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    if (m_thread)
        WaitForSingleObject(m_created, INFINITE);
}

HelpCapture::~HelpCapture()
{
    if (m_thread) {
        if (m_window)
            PostMessageA(m_window, WM_CLOSE, 0, 0);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
    CloseHandle(m_created);
    DeleteCriticalSection(&m_lock);
}

std::vector<CapturedHelp> HelpCapture::Calls() const
{
    EnterCriticalSection(&m_lock);
    std::vector<CapturedHelp> calls = m_calls;
    LeaveCriticalSection(&m_lock);
    return calls;
}

DWORD WINAPI HelpCapture::Run(void *param)
{
    auto *self = static_cast<HelpCapture *>(param);
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MS_WINHELP";
    RegisterClassA(&wc);   // may already be registered by an earlier capture
    self->m_window = CreateWindowExA(0, "MS_WINHELP", "help capture", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     wc.hInstance, self);
    SetEvent(self->m_created);
    if (!self->m_window)
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

LRESULT CALLBACK HelpCapture::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *create = reinterpret_cast<CREATESTRUCTA *>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_DESTROY) {
        PostQuitMessage(0);
    } else if (message == WM_COPYDATA) {
        // Test programs running side by side under Wine share one desktop, and
        // WinHelpA asks the first window of the viewer's class it finds: a call
        // made by another process goes on to that process's own capture.
        DWORD caller = 0;
        if (wParam && GetWindowThreadProcessId(reinterpret_cast<HWND>(wParam), &caller) &&
            caller != GetCurrentProcessId()) {
            if (HWND theirs = HelpCaptureOf(caller)) {
                DWORD_PTR ignored = 0;
                SendMessageTimeoutA(theirs, WM_COPYDATA, wParam, lParam, SMTO_NORMAL, 10000, &ignored);
            }
            return TRUE;
        }
        auto *self = reinterpret_cast<HelpCapture *>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && lParam)
            self->Record(wParam, *reinterpret_cast<const COPYDATASTRUCT *>(lParam));
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void HelpCapture::Record(WPARAM caller, const COPYDATASTRUCT &copy)
{
    // The help request: size, command, data, reserved, offset of the file name, offset of data.
#pragma pack(push, 1)
    struct Request {
        WORD size;
        WORD command;
        LONG data;
        LONG reserved;
        WORD fileOffset;
        WORD dataOffset;
    };
#pragma pack(pop)
    if (copy.cbData < sizeof(Request))
        return;
    const auto *request = static_cast<const Request *>(copy.lpData);
    CapturedHelp call;
    call.caller = reinterpret_cast<HWND>(caller);
    call.command = request->command;
    call.data = static_cast<unsigned long>(request->data);
    if (request->fileOffset != 0 && request->fileOffset < copy.cbData) {
        const char *name = static_cast<const char *>(copy.lpData) + request->fileOffset;
        call.file.assign(name, strnlen(name, copy.cbData - request->fileOffset));
    }
    EnterCriticalSection(&m_lock);
    m_calls.push_back(call);
    LeaveCriticalSection(&m_lock);
}

std::string ItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item ? WindowText(item) : std::string();
}

void SetItemText(HWND dialog, int id, const char *text)
{
    SetDlgItemTextA(dialog, id, text);
}

void TypeText(HWND dialog, int id, const char *text)
{
    HWND item = GetDlgItem(dialog, id);
    for (const char *p = text; *p; ++p)
        SendMessageA(item, WM_CHAR, static_cast<unsigned char>(*p), 1);
}

void Click(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<std::string> ListItems(HWND dialog, int listId)
{
    std::vector<std::string> items;
    HWND list = GetDlgItem(dialog, listId);
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT n = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (n < 0)
            continue;
        std::string text(static_cast<size_t>(n) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(n));
        items.push_back(text);
    }
    return items;
}

} // namespace harness
