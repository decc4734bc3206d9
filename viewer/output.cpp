#include "output.h"

#include "console.h"

#include <cstdarg>

namespace {

FILE *Listing = nullptr;
ConsoleStandIn *StandIn = nullptr;
int SpinnerPosition = 0;

}  // namespace

void ConsoleWrite(const char *text, std::size_t length)
{
    if (StandIn) {
        StandIn->Written.append(text, length);
        return;
    }
    if (StandardOutputIsConsole())
        std::fflush(ListingStream());
    ConsoleWriteRaw(text, length);
}

FILE *ListingStream()
{
    return Listing ? Listing : stdout;
}

void SetListingStream(FILE *stream)
{
    Listing = stream;
}

void SetConsoleStandIn(ConsoleStandIn *console)
{
    StandIn = console;
}

void ListingPrintf(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(ListingStream(), format, args);
    va_end(args);
}

void ListingWrite(const char *bytes, std::size_t length)
{
    std::fwrite(bytes, 1, length, ListingStream());
}

void FlushOutput()
{
    std::fflush(ListingStream());
    std::fflush(stdout);
    std::fflush(stderr);
}

void ConsolePrintf(const char *format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (length < 0)
        return;
    if (static_cast<std::size_t>(length) >= sizeof text)
        length = sizeof text - 1;
    ConsoleWrite(text, static_cast<std::size_t>(length));
}

void ConsoleText(const char *text)
{
    ConsoleWrite(text, std::char_traits<char>::length(text));
}

void ClearScreen()
{
    if (StandIn) {
        StandIn->Written += '\f';
        return;
    }
    ClearConsole();
}

int ConsoleKey()
{
    if (StandIn) {
        if (StandIn->NextKey >= StandIn->Keys.size())
            return -1;
        return static_cast<unsigned char>(StandIn->Keys[StandIn->NextKey++]);
    }
    return ConsoleReadKey();
}

void AdvanceSpinner()
{
    static const char wheel[] = "-\\|/";
    char step[2] = {'\b', wheel[SpinnerPosition]};
    ConsoleWrite(step, 2);
    SpinnerPosition = (SpinnerPosition + 1) % 4;
}

void ResetSpinner()
{
    SpinnerPosition = 0;
}
