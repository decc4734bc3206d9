// The console channel on Win32: CONOUT$ and CONIN$ of the process's console,
// whatever standard output and input are redirected to.
#include "console.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

HANDLE OpenConsoleDevice(const char *name)
{
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

HANDLE ConsoleOutput()
{
    static HANDLE output = OpenConsoleDevice("CONOUT$");
    return output;
}

HANDLE ConsoleInput()
{
    static HANDLE input = OpenConsoleDevice("CONIN$");
    return input;
}

int PendingCode = -1;   // the second code of a key without a character

bool IsModifierKey(WORD vk)
{
    switch (vk) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_CAPITAL: case VK_NUMLOCK:
    case VK_SCROLL: case VK_LWIN: case VK_RWIN: case VK_APPS:
        return true;
    default:
        return false;
    }
}

}  // namespace

void ConsoleWriteRaw(const char *text, std::size_t length)
{
    HANDLE h = ConsoleOutput();
    if (!h)
        return;
    while (length > 0) {
        DWORD chunk = length > 16384 ? 16384 : static_cast<DWORD>(length);
        DWORD written = 0;
        if (!WriteConsoleA(h, text, chunk, &written, nullptr) || written == 0)
            return;
        text += written;
        length -= written;
    }
}

// The console input without processed input while it lives: Ctrl+C comes
// as the key 3 instead of ending the process. The mode it found is put back
// on every way out.
class RawInputScope {
public:
    explicit RawInputScope(HANDLE input) : input_(input)
    {
        changed_ = GetConsoleMode(input_, &saved_) &&
                   SetConsoleMode(input_, saved_ & ~static_cast<DWORD>(ENABLE_PROCESSED_INPUT));
    }
    ~RawInputScope()
    {
        if (changed_)
            SetConsoleMode(input_, saved_);
    }
    RawInputScope(const RawInputScope &) = delete;
    RawInputScope &operator=(const RawInputScope &) = delete;

private:
    HANDLE input_;
    DWORD saved_ = 0;
    bool changed_ = false;
};

int ConsoleReadKey()
{
    if (PendingCode >= 0) {
        int code = PendingCode;
        PendingCode = -1;
        return code;
    }
    HANDLE h = ConsoleInput();
    if (!h)
        return -1;
    RawInputScope raw(h);
    for (;;) {
        INPUT_RECORD record;
        DWORD count = 0;
        if (!ReadConsoleInputA(h, &record, 1, &count) || count == 0)
            return -1;
        if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown)
            continue;
        const KEY_EVENT_RECORD &key = record.Event.KeyEvent;
        if (IsModifierKey(key.wVirtualKeyCode))
            continue;
        const unsigned char ch = static_cast<unsigned char>(key.uChar.AsciiChar);
        // Alt with a key gives no character of its own, as the console's raw
        // key reading has it (Ctrl with Alt is AltGr: its character stays).
        const DWORD state = key.dwControlKeyState;
        const bool alt = (state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) != 0 &&
                         (state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) == 0;
        if (ch != 0 && !alt)
            return ch;
        PendingCode = key.wVirtualScanCode & 0xFF;
        return 0;
    }
}

void CatchConsoleInterrupt()
{
}

bool ConsoleInterrupted()
{
    return false;
}

bool StandardOutputIsConsole()
{
    DWORD mode;
    HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
    return h && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
}

int QueryConsoleRows()
{
    HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!h || h == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(h, &info))
        return 25;
    return info.dwSize.Y;
}

void ClearConsole()
{
    HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!h || h == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(h, &info))
        return;
    std::fflush(stdout);
    // Blank every cell of the buffer in the current attribute. (Scrolling the
    // bottom rows out of the buffer blanks a 25- or 50-row screen as well,
    // but leaves the top of a taller buffer as it was, which is what the
    // screen shows when its line count could not be switched.)
    DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    COORD origin = {0, 0};
    DWORD done = 0;
    FillConsoleOutputCharacterA(h, ' ', cells, origin, &done);
    FillConsoleOutputAttribute(h, info.wAttributes, cells, origin, &done);
    COORD home = {0, 0};
    SetConsoleCursorPosition(h, home);
}

void RunLineCountCommand(int lines)
{
    char comspec[MAX_PATH];
    DWORD got = GetEnvironmentVariableA("ComSpec", comspec, sizeof comspec);
    std::string command = "\"";
    command += (got > 0 && got < sizeof comspec) ? comspec : "CMD.EXE";
    command += lines == 50 ? "\" /c mode con: lines=50" : "\" /c mode con: lines=25";
    std::fflush(stdout);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

const char *DumpSeparator()
{
    return "\xB3";
}
