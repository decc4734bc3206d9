#include "command_line.h"

#include "file_status.h"
#include "output.h"
#include "settings.h"

#include <cstdint>
#include <cstring>

namespace {

void UpperCaseInPlace(char *text)
{
    for (; *text; ++text) {
        if (*text >= 'a' && *text <= 'z')
            *text = static_cast<char>(*text - 'a' + 'A');
    }
}

// The C library's atoi reading (white space, a sign, digits; no digits
// gives 0), without its undefined behaviour on values out of range.
int32_t ReadLevel(const char *text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > 2147483648LL)
            value = 2147483648LL;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        value = 2147483647LL;
    return static_cast<int32_t>(value);
}

int RefuseWithUsage()
{
    ShowUsage();
    return 1;
}

}  // namespace

void ShowUsage()
{
    ListingPrintf("KAVELIN %s, trace viewer.\n", KAVELIN_VERSION);
    ListingPrintf("Permits viewing and decoding of event traces.\n");
    ListingPrintf("KAVELIN filename [/25 | /50] [/NOPAUSE] [/L 0-2]\n\n");
    ListingPrintf("  filename      Complete path and filename of the trace to view.\n");
    ListingPrintf("  /25           Use 25 lines for viewing.\n");
    ListingPrintf("  /50           Use 50 lines for viewing.\n");
    ListingPrintf("  /NOPAUSE      When redirecting output this disables pausing between events.\n");
    ListingPrintf("  /L 0-2        Level of decoding to be perfomed.\n");
    ListingPrintf("                0 means no decoding (DEBUG style display).\n");
    ListingPrintf("                1 means minimal decoding.\n");
    ListingPrintf("                2 means maximum decoding.\n\n");
    ListingPrintf("By default display is 25 lines, pausing is enabled and no decoding is done.\n");
}

int ParseCommandLine(int argc, char **argv)
{
    if (argc < 2)
        return RefuseWithUsage();
    bool haveName = false;
    for (int i = 1; i < argc; ++i) {
        char *arg = argv[i];
        if (!haveName && PathExists(arg)) {
            // A name that does not fit the buffer is refused, never cut.
            if (std::strlen(arg) >= TraceNameBufferSize)
                return RefuseWithUsage();
            std::strcpy(TraceNameBuffer, arg);
            haveName = true;
            continue;
        }
        UpperCaseInPlace(arg);
        if (std::strcmp(arg, "/NOPAUSE") == 0) {
            Settings.NoPause = 1;
        } else if (std::strcmp(arg, "/50") == 0) {
            Settings.ScreenLines = 50;
        } else if (std::strcmp(arg, "/25") == 0) {
            Settings.ScreenLines = 25;
        } else if (std::strcmp(arg, "/V") == 0) {
            Verbose = 1;
        } else if (std::strcmp(arg, "/L") == 0) {
            if (i + 1 >= argc)   // no level text to read
                return RefuseWithUsage();
            Settings.DecodeLevel = ReadLevel(argv[++i]);
        } else {
            return RefuseWithUsage();
        }
    }
    if (!haveName)
        return RefuseWithUsage();
    return 0;
}
