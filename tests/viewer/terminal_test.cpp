// The real program under a pseudo-terminal, driven key by key as an operator
// would: paging, navigation, the end of the file, and the terminal's mode
// after every way out.
#include "file_status.h"
#include "trace_generator.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

const char OptionPrompt[] = "<Select Option: View (N)ext, (P)revious, e(X)it.>";
const char PagePrompt[] = "<Press any key to view rest of event.>";
const char Clear[] = "\033[H\033[2J";

class Terminal {
public:
    Terminal(const std::string &program, const std::vector<std::string> &args, const std::string &dir)
    {
        struct winsize size = {};
        size.ws_row = 40;
        size.ws_col = 100;
        pid_ = forkpty(&master_, nullptr, nullptr, &size);
        if (pid_ == 0) {
            if (chdir(dir.c_str()) != 0)
                _exit(126);
            setenv("LC_ALL", "C", 1);
            std::vector<char *> argv;
            argv.push_back(const_cast<char *>(program.c_str()));
            for (const std::string &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        // Our own hold on the terminal, so its mode can be read after the
        // program has gone.
        slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
    }
    ~Terminal()
    {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(master_);
        if (slave_ >= 0)
            close(slave_);
    }

    // Waits until `text` has appeared after everything matched so far; the
    // output up to and including it is returned in `before`.
    bool Expect(const std::string &text, std::string *before = nullptr, int timeoutMs = 5000)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            std::size_t at = output_.find(text, matched_);
            if (at != std::string::npos) {
                if (before)
                    *before = output_.substr(matched_, at + text.size() - matched_);
                matched_ = at + text.size();
                return true;
            }
            int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            deadline - std::chrono::steady_clock::now())
                                            .count());
            if (left <= 0 || !ReadSome(left))
                return false;
        }
    }

    // Types the keys once the program waits for one (its terminal is raw).
    void Send(const std::string &keys)
    {
        for (int i = 0; i < 200 && (Mode().c_lflag & ICANON); ++i)
            usleep(5000);
        (void)!write(master_, keys.data(), keys.size());
    }

    // The exit status, or -1 when the program did not end in time.
    int Wait(int timeoutMs = 5000)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            ReadSome(20);
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                while (ReadSome(50)) {
                }
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
        }
        return -1;
    }

    std::string Rest() const { return output_.substr(matched_); }
    struct termios Mode() const
    {
        struct termios mode = {};
        tcgetattr(slave_, &mode);
        return mode;
    }
    pid_t Pid() const { return pid_; }

private:
    bool ReadSome(int timeoutMs)
    {
        struct pollfd p = {master_, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            return false;
        char chunk[4096];
        ssize_t n = read(master_, chunk, sizeof chunk);
        if (n <= 0)
            return false;
        output_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    int master_ = -1;
    int slave_ = -1;
    pid_t pid_ = -1;
    bool exited_ = false;
    std::string output_;
    std::size_t matched_ = 0;
};

RawEvent Event(int number, uint32_t size)
{
    RawEvent e;
    e.EventNumber = number;
    e.Source = 1;
    e.TracedSize = size;
    e.FullSize = size;
    e.Data.assign(size, 0x41);
    return e;
}

class TerminalRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        program_ = InstallViewerCopy(dir_);
        trace_ = dir_.File("RUN.TRC");
    }
    void WriteEvents(const std::vector<RawEvent> &events)
    {
        std::vector<uint8_t> trace;
        for (const RawEvent &e : events)
            AppendEvent(trace, e);
        WriteBytes(trace_, trace);
    }

    TempDir dir_;
    std::string program_, trace_;
};

TEST_F(TerminalRun, NextPreviousStayOnFirstAndExit)
{
    WriteEvents({Event(1, 3), Event(2, 3), Event(3, 3)});
    Terminal t(program_, {trace_}, dir_.Path());
    std::string seen;
    ASSERT_TRUE(t.Expect(OptionPrompt, &seen));
    EXPECT_NE(seen.find("Event #000001"), std::string::npos);
    t.Send("n");
    ASSERT_TRUE(t.Expect(OptionPrompt, &seen));
    EXPECT_NE(seen.find(std::string("n") + Clear), std::string::npos) << "key echoed, then the screen cleared";
    EXPECT_NE(seen.find("Event #000002"), std::string::npos);
    t.Send("P");
    ASSERT_TRUE(t.Expect(OptionPrompt, &seen));
    EXPECT_NE(seen.find("Event #000001"), std::string::npos);
    t.Send("p");   // the first event links to itself
    ASSERT_TRUE(t.Expect(OptionPrompt, &seen));
    EXPECT_NE(seen.find("Event #000001"), std::string::npos);
    t.Send("\r");
    ASSERT_TRUE(t.Expect(OptionPrompt, &seen));
    EXPECT_NE(seen.find("Event #000002"), std::string::npos);
    t.Send("x");
    EXPECT_EQ(t.Wait(), 0);
    EXPECT_EQ(t.Rest().find("Event #"), std::string::npos) << "e(X)it leaves the last event on the screen";
    EXPECT_EQ(t.Rest().find(Clear), std::string::npos);
    struct termios mode = t.Mode();
    EXPECT_TRUE(mode.c_lflag & ECHO);
    EXPECT_TRUE(mode.c_lflag & ICANON);
}

TEST_F(TerminalRun, KeysTypedAheadAreKept)
{
    WriteEvents({Event(1, 3), Event(2, 3), Event(3, 3)});
    Terminal t(program_, {trace_}, dir_.Path());
    ASSERT_TRUE(t.Expect(OptionPrompt));
    t.Send("nnx");
    EXPECT_EQ(t.Wait(), 0);
    EXPECT_NE(t.Rest().find("Event #000003"), std::string::npos);
}

TEST_F(TerminalRun, EndOfFileClearsTheScreenAndEnds)
{
    WriteEvents({Event(1, 3), Event(2, 3)});
    Terminal t(program_, {trace_}, dir_.Path());
    ASSERT_TRUE(t.Expect(OptionPrompt));
    t.Send("N");
    ASSERT_TRUE(t.Expect(OptionPrompt));
    t.Send("N");
    EXPECT_EQ(t.Wait(), 0);
    EXPECT_NE(t.Rest().find(Clear), std::string::npos);
}

TEST_F(TerminalRun, PagePauseAtTwentyFiveLines)
{
    WriteEvents({Event(1, 336), Event(2, 337)});
    Terminal t(program_, {trace_}, dir_.Path());
    std::string seen;
    ASSERT_TRUE(t.Expect(OptionPrompt, &seen));
    EXPECT_EQ(seen.find(PagePrompt), std::string::npos) << "336 bytes fill one page exactly";
    t.Send("n");
    ASSERT_TRUE(t.Expect(PagePrompt, &seen));
    EXPECT_NE(seen.find("(0140)  "), std::string::npos) << "the 21st line comes before the pause";
    EXPECT_EQ(seen.find("(0150)  "), std::string::npos);
    t.Send("z");
    ASSERT_TRUE(t.Expect(OptionPrompt, &seen));
    EXPECT_EQ(seen.find("(0150)  "), std::string("\r").append(38, ' ').size() + 1) << seen;
    EXPECT_EQ(seen.find(PagePrompt), std::string::npos);
    t.Send("x");
    EXPECT_EQ(t.Wait(), 0);
}

TEST_F(TerminalRun, CursorKeyGivesTwoAnswers)
{
    // Down arrow: 0 (next event), then its scan code 0x50, read as "P".
    WriteEvents({Event(1, 3), Event(2, 3), Event(3, 3)});
    Terminal t(program_, {trace_}, dir_.Path());
    std::string seen;
    ASSERT_TRUE(t.Expect(OptionPrompt));
    t.Send("\033[B");
    ASSERT_TRUE(t.Expect(OptionPrompt, &seen));
    EXPECT_NE(seen.find("Event #000002"), std::string::npos);
    ASSERT_TRUE(t.Expect(OptionPrompt, &seen));
    EXPECT_NE(seen.find("Event #000001"), std::string::npos);
    t.Send("x");
    EXPECT_EQ(t.Wait(), 0);
}

TEST_F(TerminalRun, InterruptAtThePromptEndsTheRunAsExitDoes)
{
    WriteEvents({Event(1, 3), Event(2, 3)});
    Terminal t(program_, {trace_}, dir_.Path());
    ASSERT_TRUE(t.Expect(OptionPrompt));
    // The key read has put the terminal into raw mode by now (allow it a moment).
    bool raw = false;
    for (int i = 0; i < 100 && !raw; ++i) {
        raw = (t.Mode().c_lflag & (ICANON | ECHO)) == 0;
        if (!raw)
            usleep(10000);
    }
    ASSERT_TRUE(raw);
    t.Send("\003");   // Ctrl-C
    EXPECT_EQ(t.Wait(), 0);
    struct termios mode = t.Mode();
    EXPECT_TRUE(mode.c_lflag & ECHO);
    EXPECT_TRUE(mode.c_lflag & ICANON);
    EXPECT_TRUE(mode.c_iflag & ICRNL);
    // The work file has the trace's times, so the next run reuses it.
    FileStatus trace, work;
    ASSERT_TRUE(ReadFileStatus(trace_.c_str(), &trace));
    ASSERT_TRUE(ReadFileStatus(dir_.File("RUN.TMP").c_str(), &work));
    EXPECT_EQ(work.ModifyTime, trace.ModifyTime);
}

}  // namespace
