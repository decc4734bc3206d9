// The snap-in's error boxes: texts from the library's string table, the stop
// icon and an OK button.
#include "network/messages.h"

#include "core/module_win32.h"

#include <windows.h>

namespace rax {

namespace {

constexpr int MessageCapacity = 256;
constexpr int CaptionCapacity = 100;

void ShowStopBox(HWND owner, MessageId message, MessageId caption)
{
    char text[MessageCapacity];
    char title[CaptionCapacity];
    HINSTANCE module = ModuleInstance();
    // A box with a missing text would say nothing useful; show none.
    if (LoadStringA(module, static_cast<UINT>(message), text, sizeof text) <= 0 ||
        LoadStringA(module, static_cast<UINT>(caption), title, sizeof title) <= 0)
        return;
    MessageBoxA(owner, text, title, MB_OK | MB_ICONSTOP);
}

} // namespace

void ShowErrorMessage(OwnerWindow owner, MessageId message, MessageId caption)
{
    ShowStopBox(static_cast<HWND>(owner), message, caption);
}

void ReportOutOfMemory()
{
    ShowStopBox(nullptr, MsgMemoryAllocationFailure, CaptionSnapin);
}

} // namespace rax
