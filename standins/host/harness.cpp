#include "harness.h"

#include <algorithm>
#include <cstdint>
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

namespace {

HelpCapture *g_help = nullptr;   // the innermost capture alive

// The five bytes at the start of WinHelpA while they hold the jump.
BYTE g_helpEntry[5];

BYTE *HelpEntry()
{
    return reinterpret_cast<BYTE *>(GetProcAddress(GetModuleHandleA("user32.dll"), "WinHelpA"));
}

bool WriteCode(BYTE *at, const BYTE *bytes, size_t size)
{
    DWORD protection = 0;
    if (!at || !VirtualProtect(at, size, PAGE_EXECUTE_READWRITE, &protection))
        return false;
    std::memcpy(at, bytes, size);
    VirtualProtect(at, size, protection, &protection);
    FlushInstructionCache(GetCurrentProcess(), at, size);
    return true;
}

} // namespace

static_assert(sizeof(void *) == 4, "the jump into the recorder is a 32-bit relative one");

HelpCapture::HelpCapture() : m_outer(g_help)
{
    g_help = this;
    if (m_outer)
        return;
    BYTE *entry = HelpEntry();
    if (!entry)
        return;
    std::memcpy(g_helpEntry, entry, sizeof g_helpEntry);
    BYTE jump[5] = {0xE9};
    const auto distance = static_cast<int32_t>(reinterpret_cast<BYTE *>(&Record) - (entry + sizeof jump));
    std::memcpy(jump + 1, &distance, sizeof distance);
    WriteCode(entry, jump, sizeof jump);
}

HelpCapture::~HelpCapture()
{
    g_help = m_outer;
    if (!m_outer)
        WriteCode(HelpEntry(), g_helpEntry, sizeof g_helpEntry);
}

BOOL WINAPI HelpCapture::Record(HWND caller, LPCSTR file, UINT command, ULONG_PTR data)
{
    if (g_help) {
        CapturedHelp call;
        call.caller = caller;
        call.file = file ? file : "";
        call.command = command;
        call.data = static_cast<unsigned long>(data);
        g_help->m_calls.push_back(call);
    }
    return TRUE;
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
