#include "console_lines.h"

#include "console.h"
#include "settings.h"

namespace {
bool Switched = false;
}

void ToggleConsoleLines()
{
    if (!Switched) {
        if (QueryConsoleRows() == Settings.ScreenLines)
            return;
        RunLineCountCommand(Settings.ScreenLines == 50 ? 50 : 25);
        Switched = true;
    } else {
        RunLineCountCommand(Settings.ScreenLines == 50 ? 25 : 50);
        Switched = false;
    }
}

bool ConsoleLinesSwitched()
{
    return Switched;
}

void ResetConsoleLines()
{
    Switched = false;
}
