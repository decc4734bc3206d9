// The viewer's two output channels. Standard output carries listings, the
// usage text and error reports and may be redirected; the console carries
// progress, the spinner and prompts. Whatever went to standard output is out
// before a later console write whenever standard output is the console.
#ifndef KAVELIN_OUTPUT_H
#define KAVELIN_OUTPUT_H

#include <cstddef>
#include <cstdio>
#include <string>

#if defined(__GNUC__)
#define KAVELIN_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define KAVELIN_PRINTF(f, a)
#endif

// Standard output (or the stream a test put in its place).
FILE *ListingStream();
void ListingPrintf(const char *format, ...) KAVELIN_PRINTF(1, 2);
void ListingWrite(const char *bytes, std::size_t length);

// Flushes every output stream of the viewer.
void FlushOutput();

void ConsolePrintf(const char *format, ...) KAVELIN_PRINTF(1, 2);
void ConsoleText(const char *text);
void ConsoleWrite(const char *bytes, std::size_t length);

// ClearConsole, or a form feed written to a test's stand-in console.
void ClearScreen();

// One key from the console: its code, or -1 when no key can be read.
int ConsoleKey();

// "\b" and the next of "-\|/" to the console.
void AdvanceSpinner();

// Tests: a stream in place of standard output, and a console that is a
// string (written text appended) with keys taken from a string (then -1).
struct ConsoleStandIn {
    std::string Written;
    std::string Keys;
    std::size_t NextKey = 0;
};
void SetListingStream(FILE *stream);          // nullptr: standard output again
void SetConsoleStandIn(ConsoleStandIn *console);  // nullptr: the real console
void ResetSpinner();

#endif
