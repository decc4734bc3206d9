// Switching the console to ScreenLines lines for browsing, and back.
#ifndef KAVELIN_CONSOLE_LINES_H
#define KAVELIN_CONSOLE_LINES_H

// First call: switches to ScreenLines unless the console has that many rows
// already. The call after a switch goes to the other of the two sizes.
void ToggleConsoleLines();

// True while the viewer has switched the console's line count.
bool ConsoleLinesSwitched();
void ResetConsoleLines();   // tests

#endif
