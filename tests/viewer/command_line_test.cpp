// The command line: file names against options, case, /L, and the usage text.
#include "command_line.h"
#include "settings.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetViewerState();
        trace_ = dir_.File("RUN.TRC");
        other_ = dir_.File("OTHER.TRC");
        WriteBytes(trace_, std::string());
        WriteBytes(other_, std::string());
    }
    void TearDown() override { ResetViewerState(); }

    // Parses a copy of the arguments (the parser upper-cases in place).
    int Parse(std::initializer_list<std::string> args)
    {
        storage_.assign(1, "KAVELIN");
        storage_.insert(storage_.end(), args.begin(), args.end());
        std::vector<char *> argv;
        for (std::string &s : storage_)
            argv.push_back(&s[0]);
        argv.push_back(nullptr);
        CapturedOutput out;
        int result = ParseCommandLine(static_cast<int>(storage_.size()), argv.data());
        listing_ = out.Listing();
        return result;
    }
    bool ShowedUsage() const { return listing_ == ExpectedUsage(); }
    static std::string ExpectedUsage()
    {
        return std::string("KAVELIN ") + KAVELIN_VERSION + ", trace viewer.\n" + Golden("usage_body.txt");
    }

    TempDir dir_;
    std::string trace_, other_, listing_;
    std::vector<std::string> storage_;
};

TEST_F(CommandLine, UsageTextIsByteExact)
{
    CapturedOutput out;
    ShowUsage();
    EXPECT_EQ(out.Listing(), ExpectedUsage());
    EXPECT_EQ(out.Console(), "");   // usage goes to standard output only
}

TEST_F(CommandLine, NoArgumentsGivesUsage)
{
    EXPECT_EQ(Parse({}), 1);
    EXPECT_TRUE(ShowedUsage());
}

TEST_F(CommandLine, FileNameAloneKeepsDefaults)
{
    EXPECT_EQ(Parse({trace_}), 0);
    EXPECT_EQ(std::string(TraceNameBuffer), trace_);
    EXPECT_EQ(Settings.TraceFileName, TraceNameBuffer);
    EXPECT_EQ(Settings.NoPause, 0);
    EXPECT_EQ(Settings.ScreenLines, 25);
    EXPECT_EQ(Settings.DecodeLevel, 0);
    EXPECT_EQ(Verbose, 0);
    EXPECT_EQ(listing_, "");
}

TEST_F(CommandLine, OptionsAreCaseBlindAndMayStandBeforeOrAfterTheName)
{
    EXPECT_EQ(Parse({"/nopause", trace_, "/v", "/50"}), 0);
    EXPECT_EQ(Settings.NoPause, 1);
    EXPECT_EQ(Settings.ScreenLines, 50);
    EXPECT_EQ(Verbose, 1);

    ResetViewerState();
    EXPECT_EQ(Parse({trace_, "/NoPause"}), 0);
    EXPECT_EQ(Settings.NoPause, 1);
}

TEST_F(CommandLine, LaterLineCountOverridesEarlier)
{
    EXPECT_EQ(Parse({"/25", trace_, "/50"}), 0);
    EXPECT_EQ(Settings.ScreenLines, 50);
    ResetViewerState();
    EXPECT_EQ(Parse({"/50", "/25", trace_}), 0);
    EXPECT_EQ(Settings.ScreenLines, 25);
}

TEST_F(CommandLine, LevelIsReadLikeAtoi)
{
    struct Case { const char *text; int level; } cases[] = {
        {"2", 2}, {"x", 0}, {"7", 7}, {" 1", 1}, {"-3", -3}, {"+2", 2}, {"12abc", 12},
        {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1}, {"", 0},
    };
    for (const Case &c : cases) {
        ResetViewerState();
        EXPECT_EQ(Parse({trace_, "/l", c.text}), 0) << c.text;
        EXPECT_EQ(Settings.DecodeLevel, c.level) << c.text;
    }
}

TEST_F(CommandLine, LevelConsumesTheNextArgumentEvenAnOption)
{
    EXPECT_EQ(Parse({trace_, "/L", "/NOPAUSE"}), 0);
    EXPECT_EQ(Settings.DecodeLevel, 0);
    EXPECT_EQ(Settings.NoPause, 0);
}

TEST_F(CommandLine, LevelAsLastArgumentGivesUsage)
{
    EXPECT_EQ(Parse({trace_, "/L"}), 1);
    EXPECT_TRUE(ShowedUsage());
}

TEST_F(CommandLine, RefusalsShowUsage)
{
    EXPECT_EQ(Parse({trace_, other_}), 1) << "a second existing name is an unknown option";
    EXPECT_TRUE(ShowedUsage());
    ResetViewerState();
    EXPECT_EQ(Parse({dir_.File("MISSING.TRC")}), 1) << "a missing trace is an unknown option";
    EXPECT_TRUE(ShowedUsage());
    ResetViewerState();
    EXPECT_EQ(Parse({"/NOPAUSE"}), 1) << "no file name";
    EXPECT_TRUE(ShowedUsage());
    ResetViewerState();
    EXPECT_EQ(Parse({trace_, "/100"}), 1);
    EXPECT_TRUE(ShowedUsage());
    ResetViewerState();
    EXPECT_EQ(Parse({trace_, "/NOPAUSEX"}), 1) << "options match whole";
}

TEST_F(CommandLine, DirectoryPassesAsName)
{
    EXPECT_EQ(Parse({dir_.Path(), "/V"}), 0);
    EXPECT_EQ(std::string(TraceNameBuffer), dir_.Path());
}

TEST_F(CommandLine, NameLongerThanItsBufferIsRefusedNotCut)
{
    // Build an existing path of exactly 255 characters and one of 256.
    std::string base = dir_.Path() + "/";
    std::string fits = base + std::string(255 - base.size(), 'a');
    std::string tooLong = base + std::string(256 - base.size(), 'b');
    WriteBytes(fits, std::string());
    WriteBytes(tooLong, std::string());
    if (!FileExists(fits) || !FileExists(tooLong))
        GTEST_SKIP() << "the file system refuses names this long";
    EXPECT_EQ(Parse({fits}), 0);
    EXPECT_EQ(std::string(TraceNameBuffer), fits);
    ResetViewerState();
    EXPECT_EQ(Parse({tooLong}), 1);
    EXPECT_TRUE(ShowedUsage());
}

}  // namespace
