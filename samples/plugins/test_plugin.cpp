// A decoder plug-in for the viewer's own tests. It decodes nothing: it claims
// the sources it is told to claim and records everything it is handed.
//
// Built once per tag (A, B, ...) from this file, so that a test can load two
// different plug-ins. For tag A:
//   KAVELIN_TESTPLUG_A_IDS     sources to claim, e.g. "5,6,300" (decimal or
//                              0x hex); "" or unset claims none; "null" sets a
//                              count of 1 and no array
//   KAVELIN_TESTPLUG_A_RECORD  file to which one line per event is appended:
//     load                      the library was loaded
//     unload                    the library was released
//     query                     SourceIDQueryHandler_ was called
//     event <tag> header=<PrevOffset>,<EventNumber>,<Source>,<Time>,<Spare>,
//           <Type>,<SubType>,<TracedSize>,<FullSize> data=<hex> settings=<address>
//           name="<TraceFileName>" nopause=<n> lines=<n> level=<n>
// On each event it also writes "[testplug <tag>] event <EventNumber> level <n>\n"
// straight to the standard output handle, past any stdio buffer, so that a test
// sees whether the viewer flushed its own output before the call.
#include "kavelin_plugin.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#ifndef TESTPLUG_TAG
#error "TESTPLUG_TAG must name the plug-in instance"
#endif

namespace {

std::vector<uint32_t> ClaimedIds;

const char *Environment(const char *what)
{
    std::string name = std::string("KAVELIN_TESTPLUG_") + TESTPLUG_TAG + "_" + what;
    return std::getenv(name.c_str());
}

void AppendRecord(const std::string &line)
{
    const char *path = Environment("RECORD");
    if (path == nullptr || *path == '\0')
        return;
    if (std::FILE *f = std::fopen(path, "ab")) {
        std::fputs(line.c_str(), f);
        std::fputc('\n', f);
        std::fclose(f);
    }
}

void WriteStandardOutputHandle(const std::string &text)
{
#ifdef _WIN32
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
#else
    ssize_t ignored = write(1, text.data(), text.size());
    (void)ignored;
#endif
}

// Records the library's own loading and release.
struct LifetimeRecord {
    LifetimeRecord() { AppendRecord("load"); }
    ~LifetimeRecord() { AppendRecord("unload"); }
} Lifetime;

}  // namespace

extern "C" KAVELIN_EXPORT void KAVELIN_CALL SourceIDQueryHandler_(uint32_t *count, uint32_t **ids)
{
    AppendRecord("query");
    ClaimedIds.clear();
    const char *list = Environment("IDS");
    if (list != nullptr && std::strcmp(list, "null") == 0) {
        *count = 1;
        *ids = nullptr;
        return;
    }
    while (list != nullptr && *list != '\0') {
        char *end = nullptr;
        unsigned long id = std::strtoul(list, &end, 0);
        if (end == list)
            break;
        ClaimedIds.push_back(static_cast<uint32_t>(id));
        list = (*end == ',') ? end + 1 : end;
    }
    *count = static_cast<uint32_t>(ClaimedIds.size());
    *ids = ClaimedIds.empty() ? nullptr : ClaimedIds.data();
}

extern "C" KAVELIN_EXPORT int KAVELIN_CALL TraceEventHandler_(const EventHeader *header, const uint8_t *data,
                                                              const ViewerSettings *settings)
{
    char fields[200];
    std::snprintf(fields, sizeof fields, "header=%u,%d,%u,%d,%u,%u,%u,%u,%u", header->PrevOffset,
                  header->EventNumber, header->Source, header->Time, header->Spare, header->Type,
                  header->SubType, header->TracedSize, header->FullSize);
    std::string line = std::string("event ") + TESTPLUG_TAG + " " + fields + " data=";
    static const char hex[] = "0123456789ABCDEF";
    for (uint32_t i = 0; i < header->TracedSize; ++i) {
        line += hex[data[i] >> 4];
        line += hex[data[i] & 15];
    }
    char tail[400];
    std::snprintf(tail, sizeof tail, " settings=%p name=\"%s\" nopause=%d lines=%d level=%d",
                  static_cast<const void *>(settings), settings->TraceFileName, settings->NoPause,
                  settings->ScreenLines, settings->DecodeLevel);
    AppendRecord(line + tail);

    char shown[100];
    std::snprintf(shown, sizeof shown, "[testplug %s] event %d level %d\n", TESTPLUG_TAG, header->EventNumber,
                  settings->DecodeLevel);
    WriteStandardOutputHandle(shown);
    return 0;
}
