// The console itself, apart from standard output: direct text output, raw
// key input, the screen-buffer size, clearing, and the line-count command.
// On Win32 this is the process's console; on POSIX the controlling terminal
// (/dev/tty). Without one, output goes nowhere and no key can be read.
#ifndef KAVELIN_CONSOLE_H
#define KAVELIN_CONSOLE_H

#include <cstddef>

// Writes the bytes straight to the console, or nowhere when there is none.
void ConsoleWriteRaw(const char *text, std::size_t length);

// Reads one key without echo. A key that yields no character comes as two
// codes: 0, then the key's scan code on the next call. -1 when no key can
// be read (no console, end of input, a read error).
int ConsoleReadKey();

// From now on, an interrupt typed at the console (Ctrl-C on POSIX) no longer
// ends the process: it ends the browsing as e(X)it does, so that the console
// and the work file are put in order. A key read that it breaks off gives -1.
// On Win32, Ctrl+C at a prompt is read as the key 3 instead.
void CatchConsoleInterrupt();

// True once such an interrupt has come.
bool ConsoleInterrupted();

// True when standard output is the console (or the terminal) itself.
bool StandardOutputIsConsole();

// Rows of the console's screen buffer; 25 when it cannot be read.
int QueryConsoleRows();

// Blanks the screen and puts the cursor at the top left; does nothing when
// standard output is not the console.
void ClearConsole();

// Sets the console to this many lines (25 or 50). Never fails visibly.
void RunLineCountCommand(int lines);

// The character column separator of the dump, as bytes for standard output.
const char *DumpSeparator();

#endif
