// The real program in a private console of its own (no terminal needed):
// keys are typed into the console's input, the listing goes to a file, the
// prompts to the console screen, and ComSpec points at a recorder.
#include "trace_generator.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <functional>

namespace {

const char OptionPrompt[] = "<Select Option: View (N)ext, (P)revious, e(X)it.>";

class ConsoleSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        program_ = InstallViewerCopy(dir_);
        trace_ = dir_.File("RUN.TRC");
        out_ = dir_.File("out.txt");
        record_ = dir_.File("commands.txt");
        std::string recorder = (std::filesystem::path(ProgramDirectory()) / "command_recorder.exe").string();
        _putenv(("ComSpec=" + recorder).c_str());
        _putenv(("KAVELIN_RECORD=" + record_).c_str());
        FreeConsole();
        ASSERT_TRUE(AllocConsole());
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        input_ = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
        output_ = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(input_, INVALID_HANDLE_VALUE);
        ASSERT_NE(output_, INVALID_HANDLE_VALUE);
    }
    void TearDown() override
    {
        CloseHandle(input_);
        CloseHandle(output_);
        FreeConsole();
    }

    void Type(const std::string &keys)
    {
        for (char c : keys) {
            INPUT_RECORD record[2] = {};
            for (int i = 0; i < 2; ++i) {
                record[i].EventType = KEY_EVENT;
                record[i].Event.KeyEvent.bKeyDown = i == 0;
                record[i].Event.KeyEvent.wRepeatCount = 1;
                record[i].Event.KeyEvent.uChar.AsciiChar = c;
                record[i].Event.KeyEvent.wVirtualKeyCode = static_cast<WORD>(VkKeyScanA(c) & 0xFF);
            }
            DWORD written = 0;
            WriteConsoleInputA(input_, record, 2, &written);
        }
    }
    void TypeKeyWithoutCharacter(WORD virtualKey, WORD scanCode, char character = 0, DWORD state = 0)
    {
        INPUT_RECORD record = {};
        record.EventType = KEY_EVENT;
        record.Event.KeyEvent.bKeyDown = TRUE;
        record.Event.KeyEvent.wRepeatCount = 1;
        record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
        record.Event.KeyEvent.wVirtualScanCode = scanCode;
        record.Event.KeyEvent.uChar.AsciiChar = character;
        record.Event.KeyEvent.dwControlKeyState = state;
        DWORD written = 0;
        WriteConsoleInputA(input_, &record, 1, &written);
    }

    // Runs the copy in this console with standard output into a file (or
    // into the console itself); `whileShown` is called once the option
    // prompt is on the screen.
    int Run(const std::vector<std::string> &args, bool outputToConsole = false,
            const std::function<void()> &whileShown = nullptr)
    {
        std::string command = "\"" + program_ + "\"";
        for (const std::string &a : args)
            command += " \"" + a + "\"";
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileA(out_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input_;
        startup.hStdOutput = outputToConsole ? output_ : out;
        startup.hStdError = output_;
        PROCESS_INFORMATION process = {};
        BOOL started =
            CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
        CloseHandle(out);
        if (!started)
            return -1;
        for (int i = 0; whileShown && i < 1000 && Screen().find(OptionPrompt) == std::string::npos; ++i)
            Sleep(10);
        if (whileShown)
            whileShown();
        if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, INFINITE);
        }
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        listing_ = ReadBytes(out_);
        return static_cast<int>(code);
    }

    std::string Screen()
    {
        CONSOLE_SCREEN_BUFFER_INFO info;
        GetConsoleScreenBufferInfo(output_, &info);
        std::string text(static_cast<std::size_t>(info.dwSize.X) * info.dwSize.Y, ' ');
        DWORD read = 0;
        COORD origin = {0, 0};
        ReadConsoleOutputCharacterA(output_, &text[0], static_cast<DWORD>(text.size()), origin, &read);
        if (read < text.size())
            text.resize(read);
        return text;
    }

    // The event numbers in the order the listing shows them.
    std::vector<int> EventsShown() const
    {
        std::vector<int> numbers;
        for (std::size_t at = listing_.find("Event #"); at != std::string::npos;
             at = listing_.find("Event #", at + 1))
            numbers.push_back(std::stoi(listing_.substr(at + 7, 6)));
        return numbers;
    }

    void WriteEvents(int count)
    {
        std::vector<uint8_t> trace;
        for (int i = 1; i <= count; ++i) {
            RawEvent e;
            e.EventNumber = i;
            e.TracedSize = 3;
            e.Data = {1, 2, 3};
            AppendEvent(trace, e);
        }
        WriteBytes(trace_, trace);
    }

    TempDir dir_;
    std::string program_, trace_, out_, record_, listing_;
    HANDLE input_ = INVALID_HANDLE_VALUE, output_ = INVALID_HANDLE_VALUE;
};

TEST_F(ConsoleSession, KeysNavigateAndPromptsGoToTheConsole)
{
    WriteEvents(3);
    Type("nPpnnn");
    EXPECT_EQ(Run({trace_}), 0);
    EXPECT_EQ(EventsShown(), (std::vector<int>{1, 2, 1, 1, 2, 3}));
    EXPECT_EQ(listing_.find("<Select"), std::string::npos) << "prompts are not in the listing";
    std::string screen = Screen();
    EXPECT_NE(screen.find("Preparing temporary work file, Please wait..."), std::string::npos);
    EXPECT_NE(screen.find("Processing Trace, Please wait..."), std::string::npos);
    EXPECT_NE(screen.find(std::string(OptionPrompt) + "n"), std::string::npos) << "the key is echoed";
    EXPECT_FALSE(FileExists(record_)) << "standard output is no console: its rows read as 25";
}

TEST_F(ConsoleSession, KeyWithoutCharacterGivesTwoAnswers)
{
    WriteEvents(3);
    TypeKeyWithoutCharacter(VK_DOWN, 0x50);   // 0, then 0x50 read as "P"
    Type("X");
    EXPECT_EQ(Run({trace_}), 0);
    EXPECT_EQ(EventsShown(), (std::vector<int>{1, 2, 1}));
}

TEST_F(ConsoleSession, KeysAreReadRaw)
{
    // Alt+P gives 0 and P's scan code, two answers that show the next events.
    WriteEvents(3);
    TypeKeyWithoutCharacter('P', 0x19, 'p', LEFT_ALT_PRESSED);
    // While a key is awaited Ctrl+C is a key, not the end of the process;
    // the console's input mode is put back afterwards.
    DWORD before = 0, during = 0, after = 0;
    ASSERT_TRUE(GetConsoleMode(input_, &before));
    ASSERT_TRUE(before & ENABLE_PROCESSED_INPUT);
    EXPECT_EQ(Run({trace_}, false,
                  [&] {
                      // At the third prompt it waits: look until the mode changes.
                      for (int i = 0; i < 500 && GetConsoleMode(input_, &during) &&
                                      (during & ENABLE_PROCESSED_INPUT);
                           ++i)
                          Sleep(10);
                      Type("x");
                  }),
              0);
    EXPECT_EQ(EventsShown(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(during & ENABLE_PROCESSED_INPUT, 0u);
    ASSERT_TRUE(GetConsoleMode(input_, &after));
    EXPECT_EQ(after, before);
}

TEST_F(ConsoleSession, FiftyLinesSwitchesThroughTheCommandProcessorAndBack)
{
    WriteEvents(2);
    Type("x");
    EXPECT_EQ(Run({trace_, "/50"}), 0);
    std::string commands = ReadBytes(record_);
    EXPECT_NE(commands.find("/c mode con: lines=50\n"), std::string::npos) << commands;
    EXPECT_LT(commands.find("lines=50"), commands.find("/c mode con: lines=25\n")) << commands;
}

TEST_F(ConsoleSession, ListingOnTheConsoleIsClearedBetweenEventsAndLinesAreSwitched)
{
    WriteEvents(2);
    Type("nx");
    EXPECT_EQ(Run({trace_}, true), 0);
    CONSOLE_SCREEN_BUFFER_INFO info;
    ASSERT_TRUE(GetConsoleScreenBufferInfo(output_, &info));
    std::string screen = Screen();
    std::size_t width = static_cast<std::size_t>(info.dwSize.X);
    // The second event's first line is the top row: the screen was cleared.
    EXPECT_EQ(screen.substr(0, 13), "Event #000002") << screen.substr(0, 3 * width);
    EXPECT_EQ(screen.find("Event #000001"), std::string::npos);
    EXPECT_NE(screen.find(std::string(OptionPrompt) + "x"), std::string::npos);
    // The buffer's rows are not 25: switched to 25 lines and back to the other size.
    std::string commands = ReadBytes(record_);
    if (info.dwSize.Y != 25) {
        EXPECT_NE(commands.find("/c mode con: lines=25\n"), std::string::npos) << commands;
        EXPECT_LT(commands.find("lines=25"), commands.find("/c mode con: lines=50\n")) << commands;
    }
}

}  // namespace
