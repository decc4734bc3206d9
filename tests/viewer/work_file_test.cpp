// The work file: its name, the copy with back-links, reuse, stamping, and
// every way preparation can fail.
#include "event_header.h"
#include "file_status.h"
#include "settings.h"
#include "trace_generator.h"
#include "viewer_test_support.h"
#include "work_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The path of a file whose closing after writing fails (as on a network file
// system whose server turns the last data away); empty: none.
static std::string FailingClose;

// Every fclose of this program comes here first.
extern "C" int fclose(FILE *stream)
{
    static auto *real = reinterpret_cast<int (*)(FILE *)>(dlsym(RTLD_NEXT, "fclose"));
    struct stat open, named;
    const bool fail = !FailingClose.empty() && stream && fstat(fileno(stream), &open) == 0 &&
                      stat(FailingClose.c_str(), &named) == 0 && open.st_ino == named.st_ino &&
                      (fcntl(fileno(stream), F_GETFL) & O_ACCMODE) != O_RDONLY;
    const int result = real(stream);
    if (!fail)
        return result;
    errno = EIO;
    return EOF;
}
#endif

namespace {

std::string WorkName(const char *trace, const char *separators = PathSeparators)
{
    char name[WorkFileNameSize];
    EXPECT_TRUE(MakeWorkFileName(trace, name, separators));
    return name;
}

TEST(WorkFileName, CutAtTheFirstDotOfTheFileNamePart)
{
    // Windows: a name part follows the last "\", "/" or ":".
    EXPECT_EQ(WorkName("C:\\TRACES\\RUN.TRC", "\\/:"), "C:\\TRACES\\RUN.TMP");
    EXPECT_EQ(WorkName("C:\\TRACES.OLD\\RUN.TRC", "\\/:"), "C:\\TRACES.OLD\\RUN.TMP");
    EXPECT_EQ(WorkName("..\\RUN.TRC", "\\/:"), "..\\RUN.TMP");
    EXPECT_EQ(WorkName(".\\RUN", "\\/:"), ".\\RUN.TMP");
    EXPECT_EQ(WorkName("C:RUN.X.TRC", "\\/:"), "C:RUN.TMP");
    EXPECT_EQ(WorkName("D.V2/RUN.TRC", "\\/:"), "D.V2/RUN.TMP");
    // POSIX: only "/" separates.
    EXPECT_EQ(WorkName("/var/log/ppp.d/trace", "/"), "/var/log/ppp.d/trace.TMP");
    EXPECT_EQ(WorkName("../run.trc", "/"), "../run.TMP");
    EXPECT_EQ(WorkName("a\\b.c", "/"), "a\\b.TMP");
    // Both, and this platform's rule by default.
    EXPECT_EQ(WorkName("RUN"), "RUN.TMP");
    EXPECT_EQ(WorkName("RUN.TMP"), "RUN.TMP");
    EXPECT_EQ(WorkName("a.b.c"), "a.TMP");
    EXPECT_EQ(WorkName("x.d/.hidden"), "x.d/.TMP");
}

TEST(WorkFileName, RefusedWhenItDoesNotFitItsBuffer)
{
    std::string fits(251, 'x');   // 251 + ".TMP" = 255 characters
    std::string tooLong(252, 'x');
    char name[WorkFileNameSize];
    EXPECT_TRUE(MakeWorkFileName(fits.c_str(), name));
    EXPECT_EQ(std::strlen(name), 255u);
    EXPECT_FALSE(MakeWorkFileName(tooLong.c_str(), name));
    EXPECT_EQ(name[0], '\0');
    // A long name whose first dot comes early still fits; one whose folder's
    // dot comes early does not.
    std::string dotted = "x." + std::string(300, 'y');
    EXPECT_TRUE(MakeWorkFileName(dotted.c_str(), name));
    EXPECT_STREQ(name, "x.TMP");
    std::string folder = "x.d/" + std::string(300, 'y');
    EXPECT_FALSE(MakeWorkFileName(folder.c_str(), name));
}

class Preparation : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetViewerState();
        trace_ = dir_.File("RUN.TRC");
        work_ = dir_.File("RUN.TMP");
    }
    void TearDown() override
    {
        if (file_)
            std::fclose(file_);
        ResetViewerState();
    }

    // PrepareWorkFile with both channels captured.
    int Prepare(const std::string &trace)
    {
        if (file_)
            std::fclose(file_);
        file_ = nullptr;
        CapturedOutput out;
        int result = PrepareWorkFile(trace.c_str(), &file_, EventDataBuffer);
        listing_ = out.Listing();
        console_ = out.Console();
        return result;
    }
    void CloseWork()
    {
        if (file_)
            std::fclose(file_);
        file_ = nullptr;
    }
    std::string WorkBytesFromHandle()
    {
        std::string bytes;
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, file_)) > 0)
            bytes.append(chunk, n);
        return bytes;
    }

    TempDir dir_;
    std::string trace_, work_, listing_, console_;
    FILE *file_ = nullptr;
};

const char Progress[] = "\rPreparing temporary work file, Please wait...  ";

uint32_t Le32(const std::string &bytes, std::size_t at)
{
    return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
           static_cast<uint8_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

TEST_F(Preparation, CopyLinksEachHeaderToThePreviousAndKeepsEverythingElse)
{
    TraceOptions options;
    options.Events = 40;
    options.MinData = 0;
    options.MaxData = 300;
    std::string trace = AsString(MakeTrace(options));
    WriteBytes(trace_, trace);

    ASSERT_EQ(Prepare(trace_), 0);
    ASSERT_NE(file_, nullptr);
    std::string work = WorkBytesFromHandle();   // open at its start
    ASSERT_EQ(work.size(), trace.size());

    std::size_t at = 0, previous = 0, events = 0;
    while (at < work.size()) {
        EXPECT_EQ(Le32(work, at), previous) << "event at " << at;
        EXPECT_EQ(work.substr(at + 4, 32), trace.substr(at + 4, 32));
        uint32_t traced = Le32(work, at + 28);
        EXPECT_EQ(work.substr(at + 36, traced), trace.substr(at + 36, traced));
        previous = at;
        at += 36 + traced;
        ++events;
    }
    EXPECT_EQ(events, 40u);
    EXPECT_EQ(listing_, "\n");
    // Spinner turns once per event and once more for the end test.
    std::string spin;
    for (int i = 0; i <= 40; ++i)
        spin += std::string("\b") + "-\\|/"[i % 4];
    EXPECT_EQ(console_, Progress + spin);
}

// The work file by its definition, for a whole trace held in memory: each
// header's first field replaced by the previous header's offset; the copy
// stops before a header cut short, and after the header of an event whose
// data is cut short or too large.
std::string ExpectedWork(const std::string &trace)
{
    std::string work;
    std::size_t at = 0;
    uint32_t previous = 0;
    while (at < trace.size() && trace.size() - at >= 36) {
        std::string header = trace.substr(at, 36);
        for (int i = 0; i < 4; ++i)
            header[i] = static_cast<char>(previous >> (8 * i));
        work += header;
        uint32_t traced = Le32(trace, at + 28);
        if (traced > EventDataBufferSize || trace.size() - at - 36 < traced)
            break;
        work += trace.substr(at + 36, traced);
        previous = static_cast<uint32_t>(at);
        at += 36 + traced;
    }
    return work;
}

TEST_F(Preparation, LargeTracesCopyExactlyAcrossBufferBlocks)
{
    // Several times the event buffer, with events up to 9000 bytes, so that
    // headers and data fall across every kind of block end.
    TraceOptions options;
    options.Seed = 11;
    options.TargetBytes = 3 << 20;
    options.MinData = 0;
    options.MaxData = 9000;
    std::string trace = AsString(MakeTrace(options));
    WriteBytes(trace_, trace);
    ASSERT_EQ(Prepare(trace_), 0);
    EXPECT_EQ(WorkBytesFromHandle(), ExpectedWork(trace));

    for (uint32_t cut : {1u, 500u}) {
        options.CutLastData = cut;   // the last event's data cut short
        trace = AsString(MakeTrace(options));
        WriteBytes(trace_, trace);
        ASSERT_EQ(Prepare(trace_), 1);
        EXPECT_EQ(listing_, "\rKAVELIN: Error reading event data.\r\n\n");
        CloseWork();
        EXPECT_EQ(ReadBytes(work_), ExpectedWork(trace)) << cut;
    }
    options.CutLastData = 0;
    options.TrailingBytes = 20;
    trace = AsString(MakeTrace(options));
    WriteBytes(trace_, trace);
    ASSERT_EQ(Prepare(trace_), 1);
    CloseWork();
    EXPECT_EQ(ReadBytes(work_), ExpectedWork(trace));
}

TEST_F(Preparation, OneEventLinksToItself)
{
    std::vector<uint8_t> trace;
    RawEvent e;
    e.PrevOffset = 0xDEADBEEF;
    e.TracedSize = 3;
    e.Data = {1, 2, 3};
    AppendEvent(trace, e);
    WriteBytes(trace_, trace);
    ASSERT_EQ(Prepare(trace_), 0);
    std::string work = WorkBytesFromHandle();
    EXPECT_EQ(Le32(work, 0), 0u);
    EXPECT_EQ(work.substr(4), AsString(trace).substr(4));
}

TEST_F(Preparation, EmptyTraceGivesEmptyWorkFile)
{
    WriteBytes(trace_, std::string());
    ASSERT_EQ(Prepare(trace_), 0);
    ASSERT_NE(file_, nullptr);
    EXPECT_EQ(WorkBytesFromHandle(), "");
    EXPECT_EQ(listing_, "\n");
    EXPECT_EQ(console_, std::string(Progress) + "\b-");
}

TEST_F(Preparation, NoPauseKeepsTheSpinnerStillButWritesProgress)
{
    WriteBytes(trace_, MakeTrace(TraceOptions{}));
    Settings.NoPause = 1;
    ASSERT_EQ(Prepare(trace_), 0);
    EXPECT_EQ(console_, Progress);
}

TEST_F(Preparation, EventsWithoutDataAreValid)
{
    TraceOptions options;
    options.Events = 5;
    options.MinData = 0;
    options.MaxData = 0;
    WriteBytes(trace_, MakeTrace(options));
    ASSERT_EQ(Prepare(trace_), 0);
    EXPECT_EQ(listing_, "\n");
    EXPECT_EQ(WorkBytesFromHandle().size(), 5u * 36);
}

TEST_F(Preparation, SecondRunReusesWithoutCopying)
{
    WriteBytes(trace_, MakeTrace(TraceOptions{}));
    ASSERT_EQ(Prepare(trace_), 0);
    CloseWork();
    StampWorkFile();

    // Mark the work file without changing its size or time: a copy would undo it.
    std::string marked = ReadBytes(work_);
    marked[10] = static_cast<char>(marked[10] ^ 0xFF);
    WriteBytes(work_, marked);
    StampWorkFile();

    ASSERT_EQ(Prepare(trace_), 0);
    EXPECT_EQ(console_, "") << "no progress text when reused";
    EXPECT_EQ(listing_, "");
    EXPECT_EQ(WorkBytesFromHandle(), marked);
}

TEST_F(Preparation, ChangedTraceIsCopiedAgain)
{
    TraceOptions options;
    WriteBytes(trace_, MakeTrace(options));
    ASSERT_EQ(Prepare(trace_), 0);
    CloseWork();
    StampWorkFile();

    options.Events = 11;   // other size
    std::string longer = AsString(MakeTrace(options));
    WriteBytes(trace_, longer);
    ASSERT_EQ(Prepare(trace_), 0);
    EXPECT_EQ(console_.rfind(Progress, 0), 0u);
    EXPECT_EQ(WorkBytesFromHandle().size(), longer.size());
    CloseWork();
    StampWorkFile();

    // Same size, other modification time.
    FileStatus status;
    ASSERT_TRUE(ReadFileStatus(trace_.c_str(), &status));
    ASSERT_TRUE(SetFileTimes(trace_.c_str(), status.AccessTime, status.ModifyTime - 100));
    ASSERT_EQ(Prepare(trace_), 0);
    EXPECT_EQ(console_.rfind(Progress, 0), 0u);
}

TEST_F(Preparation, StampGivesTheWorkFileTheTraceTimesAsReadBeforeCopying)
{
    WriteBytes(trace_, MakeTrace(TraceOptions{}));
    ASSERT_TRUE(SetFileTimes(trace_.c_str(), 1000000000, 1100000000));
    ASSERT_EQ(Prepare(trace_), 0);
    CloseWork();
    StampWorkFile();
    FileStatus work;
    ASSERT_TRUE(ReadFileStatus(work_.c_str(), &work));
    EXPECT_EQ(work.ModifyTime, 1100000000);
    EXPECT_EQ(work.AccessTime, 1000000000);
}

TEST_F(Preparation, TraceThatIsItsOwnWorkFileIsReusedUntouched)
{
    std::string trace = AsString(MakeTrace(TraceOptions{}));
    WriteBytes(work_, trace);
    ASSERT_EQ(Prepare(work_), 0);
    EXPECT_EQ(console_, "");
    EXPECT_EQ(WorkBytesFromHandle(), trace);
}

TEST_F(Preparation, MissingTrace)
{
    std::string missing = dir_.File("GONE.TRC");
    EXPECT_EQ(Prepare(missing), 1);
    EXPECT_EQ(file_, nullptr);
    EXPECT_EQ(listing_, "\rKAVELIN: Error, Unable to get stats on file \"" + missing +
                            "\".\r\nCause : No such file or directory.\r\n");
    EXPECT_EQ(console_, "");
}

TEST_F(Preparation, TrailingBytesShorterThanAHeader)
{
    TraceOptions options;
    options.TrailingBytes = 35;
    WriteBytes(trace_, MakeTrace(options));
    EXPECT_EQ(Prepare(trace_), 1);
    EXPECT_EQ(listing_, "\rKAVELIN: Error reading event header.\r\n\n");
    // The partial copy stays and differs in length, so the next run copies again.
    CloseWork();
    EXPECT_NE(ReadBytes(work_).size(), ReadBytes(trace_).size());
}

TEST_F(Preparation, DataCutShort)
{
    TraceOptions options;
    options.MinData = 10;
    options.CutLastData = 1;
    WriteBytes(trace_, MakeTrace(options));
    EXPECT_EQ(Prepare(trace_), 1);
    EXPECT_EQ(listing_, "\rKAVELIN: Error reading event data.\r\n\n");
}

TEST_F(Preparation, TracedSizeOverTheBufferStopsTheCopy)
{
    std::vector<uint8_t> trace;
    RawEvent e;
    e.TracedSize = static_cast<uint32_t>(EventDataBufferSize);
    e.Data.assign(EventDataBufferSize, 0x41);
    AppendEvent(trace, e);   // exactly the buffer: fine
    e.TracedSize = static_cast<uint32_t>(EventDataBufferSize + 1);
    e.Data.assign(EventDataBufferSize + 1, 0x42);
    AppendEvent(trace, e);
    WriteBytes(trace_, trace);
    EXPECT_EQ(Prepare(trace_), 1);
    EXPECT_EQ(listing_, "\rKAVELIN: Error reading event data.\r\nCause : Traced size larger than the event "
                        "buffer of 65536 bytes.\r\n\n");
    CloseWork();
    EXPECT_EQ(ReadBytes(work_).size(), 36 + EventDataBufferSize + 36);
}

TEST_F(Preparation, WorkFileNameTooLong)
{
    std::string name(252, 'x');
    EXPECT_EQ(Prepare(name), 1);
    EXPECT_EQ(listing_, "\rKAVELIN: Error, Work file name for \"" + name + "\" is too long.\r\n");
}

TEST_F(Preparation, TraceOf4GiBIsRefusedBeforeCopying)
{
    {
        FILE *f = std::fopen(trace_.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(SeekFile(f, TraceSizeLimit - 1));
        std::fputc(0, f);
        std::fclose(f);
    }
    FileStatus status;
    ASSERT_TRUE(ReadFileStatus(trace_.c_str(), &status));
    ASSERT_EQ(status.Size, TraceSizeLimit) << "64-bit sizes";
    EXPECT_EQ(Prepare(trace_), 1);
    EXPECT_EQ(listing_, "\rKAVELIN: Error, Trace file \"" + trace_ + "\" is too large (4 GiB or more).\r\n");
    EXPECT_EQ(console_, "");
    EXPECT_FALSE(FileExists(work_));
}

TEST(FilePositions, WorkBeyond2GiB)
{
    TempDir dir;
    std::string path = dir.File("big.bin");
    FILE *f = std::fopen(path.c_str(), "w+b");
    ASSERT_NE(f, nullptr);
    const uint64_t far = 0xC0000000ULL;   // 3 GiB
    ASSERT_TRUE(SeekFile(f, far));
    std::fputs("END", f);
    ASSERT_TRUE(SeekFileEnd(f));
    uint64_t at = 0;
    ASSERT_TRUE(TellFile(f, &at));
    EXPECT_EQ(at, far + 3);
    ASSERT_TRUE(SeekFile(f, far));
    char text[4] = {};
    EXPECT_EQ(std::fread(text, 1, 3, f), 3u);
    EXPECT_STREQ(text, "END");
    std::fclose(f);
}

TEST_F(Preparation, WorkFileThatCannotBeCreated)
{
    // A folder in the work file's place stops its creation, whoever runs this.
    WriteBytes(trace_, MakeTrace(TraceOptions{}));
    std::filesystem::create_directory(work_);
    EXPECT_EQ(Prepare(trace_), 1);
    EXPECT_EQ(file_, nullptr);
    EXPECT_EQ(listing_.rfind("\rKAVELIN: Error, Unable create temp file.\r\nCause : ", 0), 0u) << listing_;
    EXPECT_EQ(listing_.substr(listing_.size() - 3), ".\r\n");
    EXPECT_EQ(console_, "");
}

TEST_F(Preparation, TraceThatIsAFolderCannotBeOpened)
{
    // A folder passes the command line and its status can be read, but it
    // cannot be opened as a file (POSIX opens it, but it is no trace).
    std::string folder = dir_.File("FOLDER.TRC");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(Prepare(folder), 1);
#ifdef _WIN32
    const char cause[] = "Permission denied";
#else
    const char cause[] = "Is a directory";
#endif
    EXPECT_EQ(listing_, "\rKAVELIN: Error, Unable to open file \"" + folder + "\".\r\nCause : " + cause + ".\r\n");
    EXPECT_EQ(console_, "");
    EXPECT_FALSE(FileExists(dir_.File("FOLDER.TMP"))) << "no work file is made";
}

#ifndef _WIN32
// Rights do not stop the super-user; these cases need an ordinary account.
TEST_F(Preparation, UnreadableTrace)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root";
    WriteBytes(trace_, MakeTrace(TraceOptions{}));
    std::filesystem::permissions(trace_, std::filesystem::perms::none);
    EXPECT_EQ(Prepare(trace_), 1);
    EXPECT_EQ(listing_, "\rKAVELIN: Error, Unable to open file \"" + trace_ +
                            "\".\r\nCause : Permission denied.\r\n");
}

TEST_F(Preparation, FailedCloseIsReportedBeforeTheLineEnd)
{
    WriteBytes(trace_, MakeTrace(TraceOptions{}));
    FailingClose = work_;
    const int result = Prepare(trace_);
    FailingClose.clear();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(listing_, "\rKAVELIN: Error writing event data.\r\n\n");
}

TEST_F(Preparation, UnwritableDirectory)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root";
    WriteBytes(trace_, MakeTrace(TraceOptions{}));
    std::filesystem::permissions(dir_.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_EQ(Prepare(trace_), 1);
    EXPECT_EQ(listing_, "\rKAVELIN: Error, Unable create temp file.\r\nCause : Permission denied.\r\n");
}
#endif

}  // namespace
