// The real program, run with standard output in a file and no console: exit
// statuses, the /NOPAUSE listing byte for byte, plug-in dispatch and the
// order of the viewer's and the plug-in's output.
#include "file_status.h"
#include "trace_generator.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// A copy of the program in a folder of its own, with its own INI file naming
// the test plug-in.
class ViewerRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        program_ = InstallViewerCopy(dir_);
#ifdef _WIN32
        ini_ = dir_.File("KAVELIN.INI");
#else
        ini_ = dir_.File("kavelin.ini");
#endif
        trace_ = dir_.File("RUN.TRC");
        work_ = dir_.File("RUN.TMP");
        out_ = dir_.File("out.txt");
    }

    int Run(std::vector<std::string> args)
    {
        int status = RunProgram(program_, args, out_);
        listing_ = ReadBytes(out_);
        return status;
    }

    static TraceOptions SampleOptions()
    {
        TraceOptions options;
        options.Seed = 7;
        options.Events = 6;
        options.MaxData = 40;
        options.Sources = {1, 2};
        return options;
    }

    TempDir dir_;
    std::string program_, ini_, trace_, work_, out_, listing_;
};

TEST_F(ViewerRun, NoPauseListingIsByteExactAndTheSecondRunReusesTheWorkFile)
{
    WriteBytes(trace_, MakeTrace(SampleOptions()));
    std::string golden = Golden("nopause_seed7.txt");
    EXPECT_EQ(Run({trace_, "/NOPAUSE"}), 0);
    EXPECT_EQ(listing_, AsTextModeOutput("\n" + golden)) << "the copy ends its progress with a line feed";
    EXPECT_EQ(Run({"/nopause", trace_}), 0);
    EXPECT_EQ(listing_, AsTextModeOutput(golden)) << "a reused work file writes no progress";
    FileStatus trace, work;
    ASSERT_TRUE(ReadFileStatus(trace_.c_str(), &trace));
    ASSERT_TRUE(ReadFileStatus(work_.c_str(), &work));
    EXPECT_EQ(work.ModifyTime, trace.ModifyTime);
    EXPECT_EQ(work.Size, trace.Size);
}

TEST_F(ViewerRun, ExitStatuses)
{
    WriteBytes(trace_, MakeTrace(SampleOptions()));
    EXPECT_EQ(Run({}), 1);
    EXPECT_EQ(listing_.rfind(AsTextModeOutput("KAVELIN "), 0), 0u);
    EXPECT_EQ(Run({trace_, "/L"}), 1) << "/L without its level";
    EXPECT_EQ(Run({dir_.File("NONE.TRC")}), 1);
    EXPECT_EQ(Run({trace_, "/nopause", "/50", "/l", "0", "/v"}), 0);

    TraceOptions damaged = SampleOptions();
    damaged.TrailingBytes = 10;
    WriteBytes(trace_, MakeTrace(damaged));
    EXPECT_EQ(Run({trace_, "/NOPAUSE"}), 1);
    EXPECT_EQ(listing_, AsTextModeOutput("\rKAVELIN: Error reading event header.\r\n\n"));
}

#ifndef _WIN32
TEST_F(ViewerRun, ListingThatCannotBeWrittenFailsTheRun)
{
    TraceOptions options = SampleOptions();
    options.Events = 5000;
    WriteBytes(trace_, MakeTrace(options));
    EXPECT_EQ(RunProgram(program_, {trace_, "/NOPAUSE"}, "/dev/full"), 1);
}
#endif

TEST_F(ViewerRun, WithoutPluginsNothingIsShownButTheWorkFileIsStamped)
{
    WriteBytes(trace_, MakeTrace(SampleOptions()));
    ASSERT_TRUE(SetFileTimes(trace_.c_str(), 1200000000, 1300000000));
    fs::remove(ini_);
    EXPECT_EQ(Run({trace_, "/NOPAUSE"}), 1);
    EXPECT_EQ(listing_, AsTextModeOutput("\nKAVELIN: No trace handlers found.\n"));
    FileStatus work;
    ASSERT_TRUE(ReadFileStatus(work_.c_str(), &work));
    EXPECT_EQ(work.ModifyTime, 1300000000);
    EXPECT_EQ(work.AccessTime, 1200000000);
}

TEST_F(ViewerRun, NoConsoleToAnswerEndsBrowsingAfterTheFirstEvent)
{
    WriteBytes(trace_, MakeTrace(SampleOptions()));
    EXPECT_EQ(Run({trace_}), 0);
    std::string golden = Golden("nopause_seed7.txt");
    // The first event without the two line feeds of no-pause mode.
    std::string first = golden.substr(0, golden.find("\n\n\nEvent #000002") + 1);
    EXPECT_EQ(listing_, AsTextModeOutput("\n" + first));
}

TEST_F(ViewerRun, PluginShowsItsSourcesAfterTheFlushedHeaderLines)
{
    WriteBytes(trace_, MakeTrace(SampleOptions()));
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "2");
    EXPECT_EQ(Run({trace_, "/NOPAUSE", "/L", "1"}), 0);
    // Each source-2 event: its header lines, then the plug-in's own line
    // (written past stdio), then the two line feeds; no dump.
    std::string expected;
    std::string golden = Golden("nopause_seed7.txt");
    std::size_t at = 0;
    while (at < golden.size()) {
        std::size_t end = golden.find("\n\n\n", at);
        std::string event = golden.substr(at, end + 1 - at);   // header lines and dump
        std::size_t headerEnd = event.find("\n\n") + 2;
        if (event.find("Source = 0002") != std::string::npos) {
            std::string number = event.substr(event.find('#') + 1, 6);
            // The plug-in's line goes past the C library, untranslated.
            expected += AsTextModeOutput(event.substr(0, headerEnd)) + "[testplug A] event " +
                        std::to_string(std::stoi(number)) + " level 1\n";
        } else {
            expected += AsTextModeOutput(event);
        }
        expected += AsTextModeOutput("\n\n");
        at = end + 3;
    }
    EXPECT_EQ(listing_, AsTextModeOutput("\n") + expected);

    // Level 0 dumps every event, whatever plug-ins are loaded.
    EXPECT_EQ(Run({trace_, "/NOPAUSE", "/L", "0"}), 0);
    EXPECT_EQ(listing_, AsTextModeOutput(golden));
}

}  // namespace
