// The copy into the work file through a mapping of the trace: whatever the
// window and batch sizes, it writes what the block copy writes, reports what
// it reports and calls the spinner as often, damaged traces included.
#include "event_copy.h"
#include "event_header.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <cstdlib>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#endif

namespace {

constexpr uint32_t MaxData = 1000;   // small, so that small windows hold any event

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

// Copies `trace` (a file) into a fresh work file, mapped or by blocks.
Copy RunCopy(const TempDir &dir, const std::string &trace, uint64_t length, bool mapped, std::size_t window = 0,
             std::size_t batch = 0, const std::string &before = "")
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
    std::fputs(before.c_str(), work);   // left in the stream's buffer
    static uint8_t block[65536];
    Events = 0;
    CopyResult result = mapped ? CopyEventsMapped(in, work, length, block, sizeof block, MaxData, CountEvent, window, batch)
                               : CopyEvents(in, work, length, block, sizeof block, MaxData, CountEvent);
    std::fclose(in);
    std::fclose(work);
    return {result, ReadBytes(workPath), Events};
}

class MappedCopy : public ::testing::Test {
protected:
    // Both copies of the first `length` bytes of `bytes`, which must agree;
    // the block copy's result.
    CopyResult ExpectSameCopy(const std::string &bytes, uint64_t length, std::size_t window, std::size_t batch)
    {
        WriteBytes(trace_, bytes);
        Copy blocks = RunCopy(dir_, trace_, length, false);
        Copy mapped = RunCopy(dir_, trace_, length, true, window, batch);
        EXPECT_EQ(mapped, blocks) << "length " << length << ", window " << window << ", batch " << batch;
        return blocks.result;
    }

    TempDir dir_;
    std::string trace_ = dir_.File("RUN.TRC");
};

TEST_F(MappedCopy, SameAsBlockCopyWhereverTheWindowEnds)
{
    // Some fifty windows' worth of events of every size class. A window one
    // byte longer moves its end one byte on, so the sweep ends windows in
    // every part of a header and of the data after it.
    std::string trace = MakeEvents(400, {0, 1, 35, 36, 37, 500, 999, 1000, 3, 64});
    for (std::size_t window = 4096 + 1100; window < 4096 + 1100 + 80; ++window)
        EXPECT_EQ(ExpectSameCopy(trace, trace.size(), window, 0), CopyResult::Done);
    // Batches of a few pieces: a link and the bytes after it fall into
    // different writes.
    for (std::size_t batch = 1; batch <= 5; ++batch)
        EXPECT_EQ(ExpectSameCopy(trace, trace.size(), 5300, batch), CopyResult::Done);
}

TEST_F(MappedCopy, ManyBatchesInOneWindow)
{
    // Thousands of short events in the default window: far more pieces than
    // one gathered write takes.
    std::string trace = MakeEvents(5000, {0, 1, 2, 7, 40});
    EXPECT_EQ(ExpectSameCopy(trace, trace.size(), 0, 0), CopyResult::Done);
    EXPECT_EQ(ExpectSameCopy(trace, trace.size(), 0, 1023), CopyResult::Done);
}

TEST_F(MappedCopy, DamagedTracesStopAsTheBlockCopyDoes)
{
    // Cut short in an event's data, in its header, and between events, a
    // few windows in; the trace ends where it is cut, or goes on.
    std::string trace = MakeEvents(40, {300, 0, 999, 36});
    std::set<CopyResult> seen;
    std::vector<uint64_t> lengths;
    for (uint64_t length = 14000; length < 15400; length += 7)
        lengths.push_back(length);
    for (uint64_t end : {13311 + 336, 13311 + 372, 13311 + 1407, 13311 + 1479})   // events end there
        lengths.push_back(end);
    for (uint64_t length : lengths) {
        seen.insert(ExpectSameCopy(trace, length, 5200, 3));
        seen.insert(ExpectSameCopy(trace.substr(0, length), length, 5200, 0));
    }
    EXPECT_EQ(seen, (std::set<CopyResult>{CopyResult::Done, CopyResult::HeaderRead, CopyResult::DataRead}));

    // A traced size over the most data allowed, past several windows.
    std::string tooLarge = MakeEvents(30, {300, 0, 999, MaxData + 1});
    EXPECT_EQ(ExpectSameCopy(tooLarge, tooLarge.size(), 5200, 0), CopyResult::DataTooLarge);
    EXPECT_EQ(ExpectSameCopy(tooLarge, tooLarge.size(), 0, 0), CopyResult::DataTooLarge);
}

TEST_F(MappedCopy, ShortTracesAndOutputAlreadyBuffered)
{
    for (uint64_t length = 0; length < 80; ++length)
        ExpectSameCopy(MakeEvents(2, {0, 5}).substr(0, length), length, 0, 0);
    // Bytes the work stream holds in its buffer come first.
    std::string trace = MakeEvents(50, {10, 900});
    WriteBytes(trace_, trace);
    Copy blocks = RunCopy(dir_, trace_, trace.size(), false, 0, 0, "head");
    EXPECT_EQ(RunCopy(dir_, trace_, trace.size(), true, 0, 0, "head"), blocks);
    EXPECT_EQ(blocks.work.substr(0, 4), "head");
}

TEST_F(MappedCopy, WindowTooSmallForAnEventFallsBackToBlocks)
{
    std::string trace = MakeEvents(30, {300, 999});
    EXPECT_EQ(ExpectSameCopy(trace, trace.size(), 1024, 0), CopyResult::Done);
}

#ifndef _WIN32
TEST_F(MappedCopy, TraceFromAPipeIsCopiedByBlocks)
{
    std::string trace = MakeEvents(200, {300, 0, 999, 36});
    WriteBytes(trace_, trace);
    Copy blocks = RunCopy(dir_, trace_, trace.size(), false);
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
    CopyResult result = CopyEventsMapped(in, work, trace.size(), block, sizeof block, MaxData, CountEvent);
    feeder.join();
    std::fclose(in);
    std::fclose(work);
    EXPECT_EQ((Copy{result, ReadBytes(workPath), Events}), blocks);
}

TEST_F(MappedCopy, TraceShorterThanItsLengthIsFinishedByBlocks)
{
    // The trace lost its end after its length was taken: the windows that
    // are still there are mapped, the block copy finds the end.
    std::string trace = MakeEvents(60, {300, 0, 999, 36});
    for (uint64_t extra : {1, 20, 36, 500, 5000})
        ExpectSameCopy(trace, trace.size() + extra, 5200, 0);
}

TEST_F(MappedCopy, WriteCutShortByTheFileSizeLimit)
{
    // The limit stops a gathered write part of the way through a piece; the
    // next write fails. The work file keeps what fitted, as with blocks.
    std::string trace = MakeEvents(300, {300, 0, 999, 36});
    WriteBytes(trace_, trace);
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*savedHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    for (rlim_t limit : {rlim_t{1}, rlim_t{20000}, rlim_t{40003}, static_cast<rlim_t>(trace.size() - 1)}) {
        rlimit cut = saved;
        cut.rlim_cur = limit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cut), 0);
        Copy blocks = RunCopy(dir_, trace_, trace.size(), false);
        Copy mapped = RunCopy(dir_, trace_, trace.size(), true, 5200, 2);
        Copy defaults = RunCopy(dir_, trace_, trace.size(), true);
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(blocks.result, CopyResult::DataWrite) << "limit " << limit;
        EXPECT_EQ(blocks.work.size(), limit);
        EXPECT_EQ(mapped.result, CopyResult::DataWrite) << "limit " << limit;
        EXPECT_EQ(defaults.result, CopyResult::DataWrite) << "limit " << limit;
        EXPECT_EQ(mapped.work, blocks.work) << "limit " << limit;
        EXPECT_EQ(defaults.work, blocks.work) << "limit " << limit;
    }
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

int BusErrors = 0;
void CountBusError(int)
{
    ++BusErrors;
}

TEST_F(MappedCopy, TraceCutShortDuringTheCopyEndsAsTheBlockCopyOfWhatIsLeft)
{
    // Cut ahead of the walk: at an event's start, in a header, in data, at a
    // page boundary and just past one, within the window walked (the pages
    // past the end fault, the rest of the last one reads as zeros) and
    // windows further on. The copy must end as the block copy of the bytes
    // left does, never die.
    std::string trace = MakeEvents(600, {300, 0, 999, 36, 5});
    std::vector<uint64_t> starts{0};
    for (std::size_t at = 0; at < trace.size();) {
        at += EventHeaderSize + (static_cast<uint8_t>(trace[at + 28]) | static_cast<uint8_t>(trace[at + 29]) << 8);
        starts.push_back(at);
    }
    // Any handler that was there before stays, and is there again after.
    struct sigaction mine = {}, before = {}, after = {};
    mine.sa_handler = CountBusError;
    sigemptyset(&mine.sa_mask);
    ASSERT_EQ(sigaction(SIGBUS, &mine, &before), 0);
    std::string cutTrace = dir_.File("CUT.TRC");
    std::set<CopyResult> seen;
    for (int at : {1, 3, 100}) {
        uint64_t base = starts[static_cast<std::size_t>(at) - 1];
        uint64_t page = base / 4096 * 4096 + 4096;
        for (uint64_t cut : {base, base + 10, base + 32 + 150, page, page + 1, starts[at + 8] + 3, base + 20017,
                             base + 60040}) {
            WriteBytes(cutTrace, trace.substr(0, cut));
            Copy blocks = RunCopy(dir_, cutTrace, trace.size(), false);
            seen.insert(blocks.result);
            for (std::size_t window : {std::size_t{0}, std::size_t{5200}, std::size_t{20000}}) {
                WriteBytes(trace_, trace);
                std::string workPath = dir_.File("COPY.TMP");
                FILE *in = std::fopen(trace_.c_str(), "rb");
                FILE *work = std::fopen(workPath.c_str(), "wb");
                ASSERT_TRUE(in && work);
                std::setvbuf(in, nullptr, _IONBF, 0);
                std::setvbuf(work, nullptr, _IONBF, 0);
                static uint8_t block[65536];
                Events = 0;
                CutPath = trace_;
                CutAt = at;
                CutTo = static_cast<off_t>(cut);
                CopyResult result = CopyEventsMapped(in, work, trace.size(), block, sizeof block, MaxData,
                                                     CutTraceOnTheWay, window, window == 0 ? 0 : 3);
                std::fclose(in);
                std::fclose(work);
                EXPECT_EQ(result, blocks.result) << "cut " << cut << " at event " << at << ", window " << window;
                EXPECT_EQ(ReadBytes(workPath), blocks.work)
                    << "cut " << cut << " at event " << at << ", window " << window;
                EXPECT_GE(Events, blocks.events);
            }
        }
    }
    EXPECT_EQ(seen, (std::set<CopyResult>{CopyResult::HeaderRead, CopyResult::DataRead}));
    ASSERT_EQ(sigaction(SIGBUS, &before, &after), 0);
    EXPECT_EQ(after.sa_handler, CountBusError);
    EXPECT_EQ(BusErrors, 0);
}

// A spinner that reads a page of a mapped file cut short under it: a fault
// that is none of the copy's.
const volatile uint8_t *LostPage = nullptr;
void TouchLostPage()
{
    if (++Events == 5)
        (void)*LostPage;
}

TEST_F(MappedCopy, OtherFaultsDuringTheCopyStillEndTheProgram)
{
    std::string trace = MakeEvents(60, {300, 0, 999, 36});
    WriteBytes(trace_, trace);
    std::string lost = dir_.File("LOST.BIN");
    WriteBytes(lost, std::string(8192, 'x'));
    std::fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGBUS, SIG_DFL);
        FILE *page = std::fopen(lost.c_str(), "rb");
        void *bytes = page ? mmap(nullptr, 8192, PROT_READ, MAP_SHARED, fileno(page), 0) : MAP_FAILED;
        if (bytes == MAP_FAILED || truncate(lost.c_str(), 0) != 0)
            _exit(2);
        LostPage = static_cast<const uint8_t *>(bytes) + 4096;
        FILE *in = std::fopen(trace_.c_str(), "rb");
        FILE *work = std::fopen(dir_.File("CHILD.TMP").c_str(), "wb");
        static uint8_t block[65536];
        Events = 0;
        if (in && work)
            CopyEventsMapped(in, work, trace.size(), block, sizeof block, MaxData, TouchLostPage);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    // Killed by the signal; under a sanitizer that reports the fault, a
    // failed exit.
    EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS) ||
                (WIFEXITED(status) && WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 2))
        << "status " << status;
}
#endif

}  // namespace
