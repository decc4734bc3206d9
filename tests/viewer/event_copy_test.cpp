// The copy into the work file against its definition, one event at a time:
// whatever the block size and wherever a block ends, damaged traces, traces
// that shrink under the copy and writes that fail included.
#include "event_copy.h"
#include "event_header.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#endif

namespace {

constexpr uint32_t MaxData = 1000;   // small, so that small blocks hold any header
// Cut into slots large enough to keep each byte's place within a page.
constexpr std::size_t LargeBlock = std::size_t{1} << 20;

int Events = 0;
void CountEvent()
{
    ++Events;
}

// Events with data sizes from `sizes` in turn; header bytes that tell the
// events apart, the traced size in its field.
std::string MakeEvents(int count, const std::vector<uint32_t> &sizes)
{
    std::string trace;
    for (int i = 0; i < count; ++i) {
        uint32_t traced = sizes[static_cast<std::size_t>(i) % sizes.size()];
        std::string header(EventHeaderSize, '\0');
        for (std::size_t b = 0; b < EventHeaderSize; ++b)
            header[b] = static_cast<char>(i * 7 + b + 1);
        for (int b = 0; b < 4; ++b)
            header[28 + b] = static_cast<char>(traced >> (8 * b));
        trace += header;
        for (uint32_t b = 0; b < traced; ++b)
            trace += static_cast<char>(i + b * 3);
    }
    return trace;
}

uint32_t Le32(const std::string &bytes, uint64_t at)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<uint64_t>(i)]);
    return value;
}

struct Copy {
    CopyResult result;
    std::string work;
    int events;
};

bool operator==(const Copy &a, const Copy &b)
{
    return a.result == b.result && a.work == b.work && a.events == b.events;
}

std::ostream &operator<<(std::ostream &out, const Copy &c)
{
    return out << "result " << static_cast<int>(c.result) << ", " << c.work.size() << " bytes, " << c.events
               << " events";
}

// The copy by its definition, event by event, of a trace holding `bytes` of
// which the first `length` are to be copied: all that could be read is
// written up to the failing event, whose header stays when its data fails.
Copy Reference(const std::string &bytes, uint64_t length)
{
    std::string work = bytes;
    const uint64_t have = bytes.size();
    uint64_t position = 0, previous = 0;
    int events = 0;
    auto upTo = [&](uint64_t end, CopyResult result) { return Copy{result, work.substr(0, end), events}; };
    for (;;) {
        ++events;
        if (length <= position)
            return have >= length ? upTo(length, CopyResult::Done) : upTo(have, CopyResult::DataRead);
        if (length - position < EventHeaderSize)
            return upTo(std::min(position, have), CopyResult::HeaderRead);
        if (have < position + EventHeaderSize)
            return upTo(std::min(position, have), have < position ? CopyResult::DataRead : CopyResult::HeaderRead);
        for (int i = 0; i < 4; ++i)
            work[position + static_cast<uint64_t>(i)] = static_cast<char>(previous >> (8 * i));
        previous = position;
        const uint32_t traced = Le32(bytes, position + 28);
        if (traced > MaxData || length - position - EventHeaderSize < traced)
            return upTo(position + EventHeaderSize, traced > MaxData ? CopyResult::DataTooLarge : CopyResult::DataRead);
        position += EventHeaderSize + traced;
    }
}

// Copies the trace file into a fresh work file through a block of
// `blockSize` bytes, calling `onEvent` (which counts in `Events`) before each
// event; `before` is left in the work stream's buffer first.
Copy RunCopy(const TempDir &dir, const std::string &trace, uint64_t length, std::size_t blockSize = 65536,
             const std::string &before = "", void (*onEvent)() = CountEvent)
{
    std::string workPath = dir.File("COPY.TMP");
    FILE *in = std::fopen(trace.c_str(), "rb");
    FILE *work = std::fopen(workPath.c_str(), "wb");
    EXPECT_TRUE(in && work);
    if (!in || !work)
        return {CopyResult::Done, "", -1};
    if (before.empty()) {   // as preparation copies
        std::setvbuf(in, nullptr, _IONBF, 0);
        std::setvbuf(work, nullptr, _IONBF, 0);
    }
    std::fputs(before.c_str(), work);
    static uint8_t block[LargeBlock];
    Events = 0;
    CopyResult result = CopyEvents(in, work, length, block, blockSize, MaxData, onEvent);
    std::fclose(in);
    std::fclose(work);
    return {result, ReadBytes(workPath), Events};
}

class BlockCopy : public ::testing::Test {
protected:
    // The copy of the first `length` bytes of `bytes`, which must be the
    // reference's; the result.
    CopyResult ExpectCopy(const std::string &bytes, uint64_t length, std::size_t blockSize)
    {
        WriteBytes(trace_, bytes);
        EXPECT_EQ(RunCopy(dir_, trace_, length, blockSize), Reference(bytes, length))
            << "length " << length << ", block " << blockSize;
        return Reference(bytes, length).result;
    }

    TempDir dir_;
    std::string trace_ = dir_.File("RUN.TRC");
};

TEST_F(BlockCopy, SameAsItsDefinitionWhereverABlockEnds)
{
    // Small blocks end anywhere: one byte longer moves every end one byte on,
    // through every part of a header and the data after it. Large blocks end
    // on page boundaries; short events put headers across many of those.
    std::string trace = MakeEvents(400, {0, 1, 35, 36, 37, 500, 999, 1000, 3, 64});
    for (std::size_t block = 4096 + 1100; block < 4096 + 1100 + 80; ++block)
        EXPECT_EQ(ExpectCopy(trace, trace.size(), block), CopyResult::Done);
    for (std::size_t block : {36, 37, 71, 100})
        EXPECT_EQ(ExpectCopy(trace, trace.size(), block), CopyResult::Done);
    std::string shortEvents = MakeEvents(20000, {0, 1, 2, 7, 40, 13});
    EXPECT_EQ(ExpectCopy(shortEvents, shortEvents.size(), 65536), CopyResult::Done);
    // Slots that keep bytes in their place start part of a page in when a
    // header crosses the end of the slot before; short events put most ends in one.
    std::string manyShort = MakeEvents(100000, {0, 1, 2, 7, 40, 13});
    for (std::size_t block : {LargeBlock, LargeBlock - 8 * 4096 - 8 * 13})
        EXPECT_EQ(ExpectCopy(manyShort, manyShort.size(), block), CopyResult::Done);
}

TEST_F(BlockCopy, DamagedTracesStopAsDefined)
{
    // Cut short in an event's data, in its header, and between events, a
    // few blocks in; the trace ends where it is cut, or goes on.
    std::string trace = MakeEvents(40, {300, 0, 999, 36});
    std::set<CopyResult> seen;
    std::vector<uint64_t> lengths;
    for (uint64_t length = 14000; length < 15400; length += 7)
        lengths.push_back(length);
    for (uint64_t end : {13311 + 336, 13311 + 372, 13311 + 1407, 13311 + 1479})   // events end there
        lengths.push_back(end);
    for (uint64_t length : lengths) {
        seen.insert(ExpectCopy(trace, length, 5200));
        seen.insert(ExpectCopy(trace.substr(0, length), length, 5200));
    }
    EXPECT_EQ(seen, (std::set<CopyResult>{CopyResult::Done, CopyResult::HeaderRead, CopyResult::DataRead}));

    // A traced size over the most data allowed, past several blocks.
    std::string tooLarge = MakeEvents(30, {300, 0, 999, MaxData + 1});
    EXPECT_EQ(ExpectCopy(tooLarge, tooLarge.size(), 5200), CopyResult::DataTooLarge);
    EXPECT_EQ(ExpectCopy(tooLarge, tooLarge.size(), 65536), CopyResult::DataTooLarge);
}

TEST_F(BlockCopy, ShortTracesAndOutputAlreadyBuffered)
{
    for (uint64_t length = 0; length < 80; ++length)
        ExpectCopy(MakeEvents(2, {0, 5}).substr(0, length), length, 65536);
    // Bytes the work stream holds in its buffer come first.
    std::string trace = MakeEvents(50, {10, 900});
    WriteBytes(trace_, trace);
    Copy expected = Reference(trace, trace.size());
    expected.work = "head" + expected.work;
    EXPECT_EQ(RunCopy(dir_, trace_, trace.size(), 65536, "head"), expected);
}

TEST_F(BlockCopy, EventsLongerThanTheBlock)
{
    std::string trace = MakeEvents(30, {300, 999});
    EXPECT_EQ(ExpectCopy(trace, trace.size(), 1024), CopyResult::Done);
}

#ifndef _WIN32
TEST_F(BlockCopy, TraceFromAPipe)
{
    std::string trace = MakeEvents(200, {300, 0, 999, 36});
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::thread feeder([&] {
        for (std::size_t at = 0; at < trace.size();) {
            ssize_t n = write(ends[1], trace.data() + at, trace.size() - at);
            if (n <= 0)
                break;
            at += static_cast<std::size_t>(n);
        }
        close(ends[1]);
    });
    FILE *in = fdopen(ends[0], "rb");
    std::string workPath = dir_.File("PIPE.TMP");
    FILE *work = std::fopen(workPath.c_str(), "wb");
    ASSERT_TRUE(in && work);
    static uint8_t block[65536];
    Events = 0;
    CopyResult result = CopyEvents(in, work, trace.size(), block, sizeof block, MaxData, CountEvent);
    feeder.join();
    std::fclose(in);
    std::fclose(work);
    EXPECT_EQ((Copy{result, ReadBytes(workPath), Events}), Reference(trace, trace.size()));
}

TEST_F(BlockCopy, TraceShorterThanItsLength)
{
    // The trace lost its end after its length was taken.
    std::string trace = MakeEvents(60, {300, 0, 999, 36});
    for (uint64_t extra : {1, 20, 36, 500, 5000}) {
        ExpectCopy(trace, trace.size() + extra, 5200);
        ExpectCopy(trace, trace.size() + extra, 65536);
    }
}

TEST_F(BlockCopy, FailedWriteIsAHeaderOrADataWriteByItsFirstByteLost)
{
    // The file size limit stops a write part of the way through a block,
    // and the next write fails. The work file keeps what fitted; the failure
    // is the header's when the first byte lost is a header's.
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*savedHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    auto check = [&](const std::string &trace, std::vector<rlim_t> limits, std::vector<std::size_t> blocks) {
        const Copy whole = Reference(trace, trace.size());
        std::vector<uint64_t> headers;
        for (uint64_t at = 0; at < trace.size(); at += EventHeaderSize + Le32(trace, at + 28))
            headers.push_back(at);
        auto inHeader = [&](uint64_t byte) {
            return std::any_of(headers.begin(), headers.end(),
                               [byte](uint64_t h) { return byte >= h && byte - h < EventHeaderSize; });
        };
        limits.push_back(trace.size() - 1);
        limits.push_back(headers.back() + 3);
        WriteBytes(trace_, trace);
        for (rlim_t limit : limits) {
            const CopyResult expected = inHeader(limit) ? CopyResult::HeaderWrite : CopyResult::DataWrite;
            for (std::size_t block : blocks) {
                rlimit cut = saved;
                cut.rlim_cur = limit;
                ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cut), 0);
                Copy copy = RunCopy(dir_, trace_, trace.size(), block);
                setrlimit(RLIMIT_FSIZE, &saved);
                EXPECT_EQ(copy.result, expected) << "limit " << limit << ", block " << block;
                EXPECT_EQ(copy.work, whole.work.substr(0, limit)) << "limit " << limit << ", block " << block;
            }
        }
    };
    check(MakeEvents(300, {300, 0, 999, 36}), {1, 336 + 10, 20000, 40003, 65536 + 7}, {5200, 65536});
    // Around the ends of large slots, most of them in a header, and in the
    // slot after one that started part of a page in.
    std::vector<rlim_t> slotEnds;
    for (rlim_t end : {131072, 262144, 393216})
        for (rlim_t near : {end - 4100, end - 20, end - 3, end + 1, end + 5000})
            slotEnds.push_back(near);
    check(MakeEvents(12000, {0, 1, 2, 7, 40, 13}), slotEnds, {LargeBlock});
    std::signal(SIGXFSZ, savedHandler);
}

// A spinner that cuts the trace at `CutPath` to `CutTo` bytes before the
// `CutAt`th event, as another program could while the trace is copied.
std::string CutPath;
int CutAt = 0;
off_t CutTo = 0;
void CutTraceOnTheWay()
{
    if (++Events == CutAt && truncate(CutPath.c_str(), CutTo) != 0)
        std::abort();
}

TEST_F(BlockCopy, TraceCutShortDuringTheCopyIsReported)
{
    // Cut ahead of the copy: at an event's start, in a header, in data, at a
    // page boundary and just past one, within the block being copied and
    // blocks further on. What was read before the cut is copied; the copy
    // then ends as the copy of a trace of that length would.
    std::string trace = MakeEvents(600, {300, 0, 999, 36, 5});
    std::vector<uint64_t> starts{0};
    for (uint64_t at = 0; at < trace.size();) {
        at += EventHeaderSize + Le32(trace, at + 28);
        starts.push_back(at);
    }
    for (int at : {1, 3, 100}) {
        uint64_t base = starts[static_cast<std::size_t>(at) - 1];
        uint64_t page = base / 4096 * 4096 + 4096;
        for (uint64_t cut : {base, base + 10, base + 32 + 150, page, page + 1, starts[at + 8] + 3, base + 20017,
                             base + 60040}) {
            for (std::size_t block : {std::size_t{5200}, std::size_t{65536}}) {
                WriteBytes(trace_, trace);
                CutPath = trace_;
                CutAt = at;
                CutTo = static_cast<off_t>(cut);
                const Copy copy = RunCopy(dir_, trace_, trace.size(), block, "", CutTraceOnTheWay);
                EXPECT_TRUE(copy.result == CopyResult::HeaderRead || copy.result == CopyResult::DataRead)
                    << "cut " << cut << " at event " << at << ", block " << block;
                // The trace as the copy saw it: up to the cut, or further when
                // a block was read before the cut. All of it is in the work
                // file, but for a header cut short.
                bool matched = false;
                for (uint64_t seen = copy.work.size(); !matched && seen < copy.work.size() + EventHeaderSize; ++seen)
                    matched = seen >= cut && copy == Reference(trace.substr(0, seen), trace.size());
                EXPECT_TRUE(matched) << copy << "; cut " << cut << " at event " << at << ", block " << block;
            }
        }
    }
}
#endif

}  // namespace
