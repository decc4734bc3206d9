// The console line switch runs "mode con: lines=NN" through the command
// processor named by ComSpec; a recorder program stands in for it.
#include "console.h"
#include "console_lines.h"
#include "settings.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

class LineSwitch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetViewerState();
        record_ = dir_.File("commands.txt");
        std::string recorder = (std::filesystem::path(ProgramDirectory()) / "command_recorder.exe").string();
        ASSERT_TRUE(FileExists(recorder));
        _putenv(("ComSpec=" + recorder).c_str());
        _putenv(("KAVELIN_RECORD=" + record_).c_str());
    }
    void TearDown() override { ResetViewerState(); }

    // The command lines recorded, each cut to what follows "/c ".
    std::vector<std::string> Commands()
    {
        std::vector<std::string> commands;
        std::istringstream lines(ReadBytes(record_));
        std::string line;
        while (std::getline(lines, line)) {
            std::size_t at = line.find(" /c ");
            commands.push_back(at == std::string::npos ? line : line.substr(at + 4));
        }
        return commands;
    }

    TempDir dir_;
    std::string record_;
};

TEST_F(LineSwitch, NoCommandWhenTheConsoleHasTheLinesAlready)
{
    // Without a console the rows read as 25.
    ASSERT_EQ(QueryConsoleRows(), 25);
    Settings.ScreenLines = 25;
    ToggleConsoleLines();
    EXPECT_FALSE(ConsoleLinesSwitched());
    ToggleConsoleLines();
    EXPECT_TRUE(Commands().empty());
}

TEST_F(LineSwitch, SwitchesToFiftyAndBackToTwentyFive)
{
    Settings.ScreenLines = 50;
    ToggleConsoleLines();
    EXPECT_TRUE(ConsoleLinesSwitched());
    ToggleConsoleLines();
    EXPECT_FALSE(ConsoleLinesSwitched());
    EXPECT_EQ(Commands(), (std::vector<std::string>{"mode con: lines=50", "mode con: lines=25"}));
    // The command processor is started as "<ComSpec>" /c <command>.
    std::string recorder = (std::filesystem::path(ProgramDirectory()) / "command_recorder.exe").string();
    EXPECT_EQ(ReadBytes(record_).substr(0, recorder.size() + 6), "\"" + recorder + "\" /c ");
}

TEST_F(LineSwitch, ConsoleOfThreeHundredRowsGoesToTwentyFiveAndBackToFifty)
{
    // A private console whose buffer has 300 rows, as standard output.
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    HANDLE out = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, out);
    COORD size = {80, 300};
    ASSERT_TRUE(SetConsoleScreenBufferSize(out, size));
    EXPECT_EQ(QueryConsoleRows(), 300);

    Settings.ScreenLines = 25;
    ToggleConsoleLines();
    ToggleConsoleLines();
    SetStdHandle(STD_OUTPUT_HANDLE, saved);
    CloseHandle(out);
    FreeConsole();
    EXPECT_EQ(Commands(), (std::vector<std::string>{"mode con: lines=25", "mode con: lines=50"}));
}

TEST_F(LineSwitch, MissingCommandProcessorChangesNothing)
{
    _putenv(("ComSpec=" + dir_.File("nothing-here.exe")).c_str());
    Settings.ScreenLines = 50;
    ToggleConsoleLines();   // must neither fail nor wait
    ToggleConsoleLines();
    EXPECT_FALSE(FileExists(record_));
}

}  // namespace
