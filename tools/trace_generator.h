// Deterministic event traces for tests, demos and benchmarks: the same seed
// and options always give the same bytes, on every platform.
#ifndef TOOLS_TRACE_GENERATOR_H
#define TOOLS_TRACE_GENERATOR_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct TraceOptions {
    uint64_t Seed = 1;
    uint64_t Events = 10;          // number of events, unless TargetBytes is set
    uint64_t TargetBytes = 0;      // when not 0: events until the trace reaches this size
    uint32_t MinData = 0;          // traced data bytes per event, inclusive range
    uint32_t MaxData = 64;
    std::vector<uint32_t> Sources = {1, 2, 3};
    // Events of this source carry PPP frames (LCP, IPCP, PAP, IP) instead of
    // mixed bytes; 0xFFFFFFFF: none.
    uint32_t PppSource = 0xFFFFFFFF;
    // Damage written after the events: bytes of a header cut short, or the
    // last event's data cut short by this many bytes.
    uint32_t TrailingBytes = 0;
    uint32_t CutLastData = 0;
};

// Writes the trace; false when the file cannot be written.
bool WriteTrace(const TraceOptions &options, std::FILE *out);
bool WriteTraceFile(const TraceOptions &options, const std::string &path);

// The same trace in memory (for small traces in tests).
std::vector<uint8_t> MakeTrace(const TraceOptions &options);

// One event appended to a byte vector, all header fields given.
struct RawEvent {
    uint32_t PrevOffset = 0;
    int32_t EventNumber = 1;
    uint32_t Source = 1;
    int32_t Time = 0;
    uint32_t Spare = 0;
    uint32_t Type = 0;
    uint32_t SubType = 0;
    uint32_t TracedSize = 0;   // header field, may differ from Data.size() on purpose
    uint32_t FullSize = 0;
    std::vector<uint8_t> Data;
};
void AppendEvent(std::vector<uint8_t> &trace, const RawEvent &event);

#endif
