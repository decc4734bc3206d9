#include "box_capture.h"

#include <algorithm>

namespace raxtest {

namespace {

HHOOK g_hook = nullptr;
std::vector<CapturedBox> g_boxes;
std::vector<HWND> g_seen;   // a box activated again counts once
int g_foreign = 0;

bool IsMessageBox(HWND window)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpA(name, "#32770") == 0 && GetDlgItem(window, 0xFFFF) != nullptr;
}

bool HasStopIcon(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
            return icon != nullptr && icon == LoadIconA(nullptr, IDI_HAND);
        }
    }
    return false;
}

LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        if (GetWindowThreadProcessId(box, nullptr) != GetCurrentThreadId()) {
            ++g_foreign;
        } else if (IsMessageBox(box) && std::find(g_seen.begin(), g_seen.end(), box) == g_seen.end()) {
            g_seen.push_back(box);
            CapturedBox captured;
            char text[2048] = {};
            GetWindowTextA(box, text, sizeof text);
            captured.caption = text;
            text[0] = '\0';
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            captured.text = text;
            captured.owner = GetWindow(box, GW_OWNER);
            captured.stopIcon = HasStopIcon(box);
            g_boxes.push_back(captured);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

} // namespace

BoxCapture::BoxCapture()
{
    g_boxes.clear();
    g_seen.clear();
    g_foreign = 0;
    g_hook = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

BoxCapture::~BoxCapture()
{
    if (g_hook)
        UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
}

const std::vector<CapturedBox> &BoxCapture::Boxes() const { return g_boxes; }
int BoxCapture::ForeignActivations() const { return g_foreign; }

} // namespace raxtest
