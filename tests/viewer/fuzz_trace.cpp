// Fuzz target: arbitrary bytes as a trace file, through the work-file
// preparation and a no-pause browse, then the same bytes browsed as if they
// were a work file (links unchecked) with a fixed run of keys.
#include "browser.h"
#include "event_copy.h"
#include "file_status.h"
#include "output.h"
#include "settings.h"
#include "work_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// What the work file must hold for this trace, and whether the copy must
// succeed: the plain definition, one event at a time, in memory.
bool ExpectedWorkFile(const uint8_t *data, size_t size, std::string &work)
{
    size_t position = 0;
    uint32_t previous = 0;
    for (;;) {
        if (position >= size)
            return true;
        if (size - position < 36)
            return false;
        uint8_t header[36];
        std::memcpy(header, data + position, 36);
        for (int i = 0; i < 4; ++i)
            header[i] = static_cast<uint8_t>(previous >> (8 * i));
        work.append(reinterpret_cast<const char *>(header), 36);
        uint32_t traced = header[28] | header[29] << 8 | header[30] << 16 | static_cast<uint32_t>(header[31]) << 24;
        if (traced > EventDataBufferSize || size - position - 36 < traced)
            return false;
        work.append(reinterpret_cast<const char *>(data + position + 36), traced);
        previous = static_cast<uint32_t>(position);
        position += 36 + static_cast<size_t>(traced);
    }
}

std::string ReadAll(FILE *file)
{
    std::string bytes;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, n);
    return bytes;
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
    int prepared = PrepareWorkFile(scratch.trace.c_str(), &work, EventDataBuffer);
    std::string expected;
    bool complete = ExpectedWorkFile(data, size, expected);
    if (!work || (prepared == 0) != complete || ReadAll(work) != expected)
        __builtin_trap();   // the copy differs from its definition
    if (prepared == 0 && SeekFile(work, 0))
        BrowseEvents(work, EventDataBuffer);

    // The same copy through a block only a little larger than a header, so
    // that headers and data straddle block ends everywhere.
    if (size > 0) {
        FILE *in = std::fopen(scratch.trace.c_str(), "rb");
        FILE *copy = std::fopen(scratch.work.c_str(), "w+b");
        if (in && copy) {
            uint8_t block[36 + 64];
            std::size_t blockSize = 36 + data[0] % 64;
            CopyResult result = CopyEvents(in, copy, size, block, blockSize,
                                           static_cast<uint32_t>(EventDataBufferSize), [] {});
            std::fflush(copy);
            std::rewind(copy);
            if ((result == CopyResult::Done) != complete || ReadAll(copy) != expected)
                __builtin_trap();
        }
        if (in)
            std::fclose(in);
        if (copy)
            std::fclose(copy);
    }
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
