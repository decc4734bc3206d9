// The snap-in's error boxes: texts from the library's string table, the stop
// icon and an OK button.
#include "network/messages.h"

#include "core/module_win32.h"

#include <windows.h>

#include <cstdio>

namespace rax {

namespace {

constexpr int MessageCapacity = 256;
constexpr int CaptionCapacity = 100;

// Loads both texts; a box with a missing text would say nothing useful.
bool LoadBoxTexts(MessageId message, MessageId caption, char (&text)[MessageCapacity], char (&title)[CaptionCapacity])
{
    HINSTANCE module = ModuleInstance();
    return LoadStringA(module, static_cast<UINT>(message), text, sizeof text) > 0 &&
           LoadStringA(module, static_cast<UINT>(caption), title, sizeof title) > 0;
}

void ShowStopBox(HWND owner, MessageId message, MessageId caption)
{
    char text[MessageCapacity];
    char title[CaptionCapacity];
    if (LoadBoxTexts(message, caption, text, title))
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

void ShowErrorCode(MessageId message, MessageId caption, long code)
{
    char format[MessageCapacity];
    char title[CaptionCapacity];
    if (!LoadBoxTexts(message, caption, format, title))
        return;
    // The format is the library's own string with one %ld; a code adds at
    // most 11 characters, and snprintf cuts anything beyond the buffer.
    char text[MessageCapacity + 16];
    std::snprintf(text, sizeof text, format, code);
    MessageBoxA(nullptr, text, title, MB_OK | MB_ICONSTOP);
}

} // namespace rax
