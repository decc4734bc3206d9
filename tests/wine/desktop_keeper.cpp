// Holds Wine's desktop open while the Win32 tests run (started by wine_start
// in scripts/wine-env.sh, with all its output on /dev/null; ended by
// wine_stop). Wine's desktop process leaves a little after the last program
// with windows has gone, and the next program that opens a window starts it
// again with that program's output: under ctest the test's output pipe then
// stays open until the desktop leaves once more, and a test that passed runs
// out of time.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HWND window = CreateWindowExA(0, "STATIC", "desktop keeper", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                                  nullptr);
    if (!window)
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
