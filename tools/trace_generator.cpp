#include "trace_generator.h"

namespace {

// splitmix64: small, fast and the same everywhere.
struct Random {
    uint64_t state;
    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    uint32_t Below(uint32_t bound) { return bound ? static_cast<uint32_t>(Next() % bound) : 0; }
};

void Put32(std::vector<uint8_t> &out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Event data: runs of text, counters and noise, like captured frames.
void FillData(Random &random, std::vector<uint8_t> &data, uint32_t size)
{
    static const char text[] = "LCP CONFREQ id=1 mru=1500 magic auth=PAP user=operator ";
    data.resize(size);
    uint32_t i = 0;
    while (i < size) {
        uint32_t run = 1 + random.Below(24);
        uint32_t kind = random.Below(3);
        for (uint32_t k = 0; k < run && i < size; ++k, ++i) {
            if (kind == 0)
                data[i] = static_cast<uint8_t>(text[i % (sizeof text - 1)]);
            else if (kind == 1)
                data[i] = static_cast<uint8_t>(i);
            else
                data[i] = static_cast<uint8_t>(random.Next());
        }
    }
}

void Put16Be(std::vector<uint8_t> &out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void Put32Be(std::vector<uint8_t> &out, uint32_t value)
{
    Put16Be(out, value >> 16);
    Put16Be(out, value & 0xFFFF);
}

// A PPP frame as a dial-in link carries it: address and control, protocol,
// then an LCP or IPCP request, a PAP request, or an IP datagram.
void FillPppFrame(Random &random, std::vector<uint8_t> &data, uint32_t limit)
{
    data.clear();
    data.push_back(0xFF);
    data.push_back(0x03);
    uint32_t kind = random.Below(4);
    uint8_t id = static_cast<uint8_t>(1 + random.Below(200));
    if (kind == 0) {   // LCP Configure-Request: MRU, magic number, PAP
        Put16Be(data, 0xC021);
        data.insert(data.end(), {1, id, 0, 18, 1, 4, 0x05, 0xDC, 5, 6});
        Put32Be(data, static_cast<uint32_t>(random.Next()));
        data.insert(data.end(), {3, 4, 0xC0, 0x23});
    } else if (kind == 1) {   // IPCP Configure-Request: IP address
        Put16Be(data, 0x8021);
        data.insert(data.end(), {1, id, 0, 10, 3, 6, 10, 0, 0, static_cast<uint8_t>(1 + random.Below(250))});
    } else if (kind == 2) {   // PAP Authenticate-Request
        static const char user[] = "operator";
        static const char password[] = "secret";
        Put16Be(data, 0xC023);
        uint32_t length = 4 + 1 + (sizeof user - 1) + 1 + (sizeof password - 1);
        data.insert(data.end(), {1, id});
        Put16Be(data, length);
        data.push_back(sizeof user - 1);
        data.insert(data.end(), user, user + sizeof user - 1);
        data.push_back(sizeof password - 1);
        data.insert(data.end(), password, password + sizeof password - 1);
    } else {   // IP datagram with a UDP-looking payload
        uint32_t payload = 8 + random.Below(200);
        Put16Be(data, 0x0021);
        data.insert(data.end(), {0x45, 0});
        Put16Be(data, 20 + payload);
        Put16Be(data, random.Below(65536));
        Put16Be(data, 0x4000);
        data.insert(data.end(), {64, 17});
        Put16Be(data, random.Below(65536));
        Put32Be(data, 0x0A000001);
        Put32Be(data, 0x0A000000 | (2 + random.Below(250)));
        for (uint32_t i = 0; i < payload; ++i)
            data.push_back(static_cast<uint8_t>(random.Next()));
    }
    if (data.size() > limit)
        data.resize(limit);
}

class TraceWriter {
public:
    explicit TraceWriter(const TraceOptions &options) : options_(options), random_{options.Seed} {}

    // Appends the next event to `out`; false when the trace is complete.
    bool Next(std::vector<uint8_t> &out)
    {
        if (options_.TargetBytes ? written_ >= options_.TargetBytes : count_ >= options_.Events)
            return false;
        RawEvent e;
        e.PrevOffset = static_cast<uint32_t>(random_.Next());   // the viewer replaces it
        e.EventNumber = static_cast<int32_t>(++count_);
        e.Source = options_.Sources.empty()
                       ? 0
                       : options_.Sources[random_.Below(static_cast<uint32_t>(options_.Sources.size()))];
        time_ += 1 + random_.Below(50);
        e.Time = static_cast<int32_t>(time_);
        e.Spare = static_cast<uint32_t>(random_.Next());
        e.Type = random_.Below(8);
        e.SubType = random_.Below(16);
        uint32_t span = options_.MaxData >= options_.MinData ? options_.MaxData - options_.MinData + 1 : 1;
        uint32_t size = options_.MinData + random_.Below(span);
        if (options_.TargetBytes && written_ + 36 + size > options_.TargetBytes)
            size = options_.TargetBytes - written_ > 36 ? static_cast<uint32_t>(options_.TargetBytes - written_ - 36) : 0;
        if (e.Source == options_.PppSource) {
            FillPppFrame(random_, e.Data, options_.MaxData);
            e.TracedSize = static_cast<uint32_t>(e.Data.size());
            e.FullSize = e.TracedSize;
        } else {
            e.TracedSize = size;
            e.FullSize = random_.Below(4) == 0 ? size + random_.Below(200) : size;
            FillData(random_, e.Data, size);
        }
        size = e.TracedSize;
        AppendEvent(out, e);
        written_ += 36 + size;
        return true;
    }

private:
    const TraceOptions &options_;
    Random random_;
    uint64_t count_ = 0;
    uint64_t written_ = 0;
    uint32_t time_ = 0;
};

}  // namespace

void AppendEvent(std::vector<uint8_t> &trace, const RawEvent &e)
{
    Put32(trace, e.PrevOffset);
    Put32(trace, static_cast<uint32_t>(e.EventNumber));
    Put32(trace, e.Source);
    Put32(trace, static_cast<uint32_t>(e.Time));
    Put32(trace, e.Spare);
    Put32(trace, e.Type);
    Put32(trace, e.SubType);
    Put32(trace, e.TracedSize);
    Put32(trace, e.FullSize);
    trace.insert(trace.end(), e.Data.begin(), e.Data.end());
}

bool WriteTrace(const TraceOptions &options, std::FILE *out)
{
    TraceWriter writer(options);
    std::vector<uint8_t> chunk;
    std::vector<uint8_t> event;   // the newest event, held back so its data can be cut
    for (;;) {
        std::vector<uint8_t> next;
        if (!writer.Next(next))
            break;
        chunk.insert(chunk.end(), event.begin(), event.end());
        event.swap(next);
        if (chunk.size() >= (1u << 20)) {
            if (std::fwrite(chunk.data(), 1, chunk.size(), out) != chunk.size())
                return false;
            chunk.clear();
        }
    }
    if (options.CutLastData && event.size() > 36) {
        std::size_t data = event.size() - 36;
        event.resize(event.size() - (options.CutLastData < data ? options.CutLastData : data));
    }
    Random noise{options.Seed ^ 0x5A5A5A5AULL};
    for (uint32_t i = 0; i < options.TrailingBytes; ++i)
        event.push_back(static_cast<uint8_t>(noise.Next()));
    chunk.insert(chunk.end(), event.begin(), event.end());
    if (!chunk.empty() && std::fwrite(chunk.data(), 1, chunk.size(), out) != chunk.size())
        return false;
    return std::fflush(out) == 0;
}

bool WriteTraceFile(const TraceOptions &options, const std::string &path)
{
    std::FILE *out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    bool ok = WriteTrace(options, out);
    return std::fclose(out) == 0 && ok;
}

std::vector<uint8_t> MakeTrace(const TraceOptions &options)
{
    TraceWriter writer(options);
    std::vector<uint8_t> trace;
    std::size_t lastStart = 0;
    for (;;) {
        std::size_t start = trace.size();
        if (!writer.Next(trace))
            break;
        lastStart = start;
    }
    if (options.CutLastData && trace.size() > lastStart + 36) {
        std::size_t data = trace.size() - lastStart - 36;
        trace.resize(trace.size() - (options.CutLastData < data ? options.CutLastData : data));
    }
    Random noise{options.Seed ^ 0x5A5A5A5AULL};
    for (uint32_t i = 0; i < options.TrailingBytes; ++i)
        trace.push_back(static_cast<uint8_t>(noise.Next()));
    return trace;
}
