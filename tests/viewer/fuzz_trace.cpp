// Fuzz target: arbitrary bytes as a trace file, through the work-file
// preparation and a no-pause browse, then the same bytes browsed as if they
// were a work file (links unchecked) with a fixed run of keys.
#include "browser.h"
#include "output.h"
#include "settings.h"
#include "work_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

struct Scratch {
    std::string dir;
    std::string trace;
    std::string work;
    FILE *nowhere;
    Scratch()
    {
        char dir[] = "/tmp/kavelin-fuzz-XXXXXX";
        if (!mkdtemp(dir))
            std::abort();
        this->dir = dir;
        trace = this->dir + "/FUZZ.TRC";
        work = this->dir + "/FUZZ.TMP";
        nowhere = std::fopen("/dev/null", "w");
        if (!nowhere)
            std::abort();
    }
    ~Scratch()
    {
        unlink(trace.c_str());
        unlink(work.c_str());
        rmdir(dir.c_str());
    }
};

void Reset(ConsoleStandIn &console, const std::string &keys)
{
    Settings.TraceFileName = TraceNameBuffer;
    Settings.ScreenLines = 25;
    Settings.DecodeLevel = 1;   // the plug-in lookup runs; none is loaded
    Verbose = 0;
    console.Written.clear();
    console.Keys = keys;
    console.NextKey = 0;
    SetListingStream(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Scratch scratch;
    static ConsoleStandIn console;

    FILE *out = std::fopen(scratch.trace.c_str(), "wb");
    if (!out)
        return 0;
    if (size > 0)
        std::fwrite(data, 1, size, out);
    std::fclose(out);
    unlink(scratch.work.c_str());

    Reset(console, "");
    Settings.NoPause = 1;
    SetConsoleStandIn(&console);
    SetListingStream(scratch.nowhere);
    FILE *work = nullptr;
    if (PrepareWorkFile(scratch.trace.c_str(), &work, EventDataBuffer) == 0 && work)
        BrowseEvents(work, EventDataBuffer);
    if (work)
        std::fclose(work);

    static const char keys[] = "nPpnnP\0" "PnPnpnnnnPPx";   // with a cursor key: 0, then "P"
    Reset(console, std::string(keys, sizeof keys - 1));
    Settings.NoPause = 0;
    SetListingStream(scratch.nowhere);
    FILE *raw = std::fopen(scratch.trace.c_str(), "rb");
    if (raw) {
        BrowseEvents(raw, EventDataBuffer);
        std::fclose(raw);
    }
    SetListingStream(nullptr);
    SetConsoleStandIn(nullptr);
    return 0;
}
