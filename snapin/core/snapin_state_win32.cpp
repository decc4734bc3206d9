#include "core/snapin_state.h"

#include "admshare95.h"
#include "core/module_win32.h"
#include "resources/resource.h"

#include <cstring>

namespace rax {

namespace {
char g_helpFilePath[HelpFilePathSize];
char g_currentObjectName[ObjectNameSize];

// Appends src to dest (a buffer of `size` bytes), cutting what does not fit.
void AppendBounded(char *dest, std::size_t size, const char *src)
{
    std::size_t used = strnlen(dest, size);
    if (used + 1 >= size)
        return;
    std::size_t room = size - used - 1;
    std::size_t n = std::strlen(src);
    if (n > room)
        n = room;
    std::memcpy(dest + used, src, n);
    dest[used + n] = '\0';
}
} // namespace

const char *HelpFilePath() { return g_helpFilePath; }
const char *CurrentObjectName() { return g_currentObjectName; }

bool SetCurrentObjectName(const char *objectName)
{
    if (!objectName)
        return false;
    std::size_t n = strnlen(objectName, ObjectNameSize);
    if (n >= ObjectNameSize)
        return false;
    std::memcpy(g_currentObjectName, objectName, n + 1);
    return true;
}

void BuildHelpFilePath()
{
    g_helpFilePath[0] = '\0';
    char helpName[128] = {};
    LoadStringA(ModuleInstance(), IDS_HELP_FILE_NAME, helpName, sizeof helpName);
    // The host writes the directory without a trailing backslash; its length is
    // bounded by the host library.
    char directory[HelpFilePathSize] = {};
    HostGetHelpDirectory(helpName, directory);
    directory[sizeof directory - 1] = '\0';
    AppendBounded(g_helpFilePath, sizeof g_helpFilePath, directory);
    AppendBounded(g_helpFilePath, sizeof g_helpFilePath, "\\");
    AppendBounded(g_helpFilePath, sizeof g_helpFilePath, helpName);
}

void NotifyPageChanged(HWND page)
{
    SendMessageA(page, PageMsgChanged, reinterpret_cast<WPARAM>(page) & 0xFFFF, PageChangedParam);
}

void ShowHelp(HWND window, DWORD context)
{
    WinHelpA(window, g_helpFilePath, HELP_CONTEXT, context);
}

void CenterDialog(HWND dialog)
{
    RECT desktop{}, rect{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dialog, &rect);
    unsigned w = static_cast<uint16_t>(rect.right - rect.left);
    unsigned h = static_cast<uint16_t>(rect.bottom - rect.top);
    int x = (desktop.right - desktop.left) / 2 - static_cast<int>(w / 2);
    int y = (desktop.bottom - desktop.top) / 2 - static_cast<int>(h / 2);
    MoveWindow(dialog, x, y, static_cast<int>(w), static_cast<int>(h), TRUE);
}

} // namespace rax
