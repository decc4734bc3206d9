// The console channel on POSIX is the controlling terminal, /dev/tty. With no
// terminal, console text goes nowhere and no key can be read. The terminal is
// put into raw mode only for the moment a key is read, and its mode is put back
// on every way out of that moment, signals included.
#include "console.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

int TerminalFd = -2;   // -2: not opened yet; -1: there is none

int Terminal()
{
    if (TerminalFd == -2) {
        TerminalFd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (TerminalFd < 0)
            TerminalFd = -1;
    }
    return TerminalFd;
}

void WriteAll(int fd, const char *text, std::size_t length)
{
    while (length > 0) {
        ssize_t done = write(fd, text, length);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        text += done;
        length -= static_cast<std::size_t>(done);
    }
}

// --- terminal mode, saved once per key read and restored on every exit ---

struct termios SavedMode;
volatile sig_atomic_t RawModeActive = 0;
volatile sig_atomic_t InterruptCaught = 0;   // SIGINT ends the browsing, not the process
volatile sig_atomic_t Interrupted = 0;

constexpr int CaughtSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};
constexpr int CaughtCount = sizeof CaughtSignals / sizeof CaughtSignals[0];
struct sigaction PreviousActions[CaughtCount];

void EnterRawMode(int fd);

void OnSignal(int sig)
{
    int savedErrno = errno;
    bool wasRaw = RawModeActive != 0;
    if (wasRaw)
        tcsetattr(TerminalFd, TCSANOW, &SavedMode);
    if (sig == SIGINT && InterruptCaught) {
        // The key read is broken off (no restart) and browsing ends.
        Interrupted = 1;
        RawModeActive = 0;
        errno = savedErrno;
        return;
    }
    if (sig == SIGTSTP) {
        // Stop with the terminal in its own mode; come back raw.
        signal(SIGTSTP, SIG_DFL);
        raise(SIGTSTP);
        signal(SIGTSTP, OnSignal);
        if (wasRaw)
            EnterRawMode(TerminalFd);
        errno = savedErrno;
        return;
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

void EnterRawMode(int fd)
{
    struct termios raw = SavedMode;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR);   // Enter reads as 13
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &raw);   // keys typed ahead stay
}

void RestoreAtExit()
{
    if (RawModeActive)
        tcsetattr(TerminalFd, TCSANOW, &SavedMode);
}

class RawModeScope {
public:
    explicit RawModeScope(int fd) : fd_(fd)
    {
        static bool exitHookSet = false;
        if (!exitHookSet) {
            std::atexit(RestoreAtExit);
            exitHookSet = true;
        }
        ok_ = tcgetattr(fd, &SavedMode) == 0;
        if (!ok_)
            return;
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        for (int i = 0; i < CaughtCount; ++i)
            sigaction(CaughtSignals[i], &action, &PreviousActions[i]);
        RawModeActive = 1;
        EnterRawMode(fd);
    }
    ~RawModeScope()
    {
        if (!ok_)
            return;
        tcsetattr(fd_, TCSANOW, &SavedMode);
        RawModeActive = 0;
        for (int i = 0; i < CaughtCount; ++i)
            sigaction(CaughtSignals[i], &PreviousActions[i], nullptr);
    }
    RawModeScope(const RawModeScope &) = delete;
    RawModeScope &operator=(const RawModeScope &) = delete;
    bool Ok() const { return ok_; }

private:
    int fd_;
    bool ok_ = false;
};

// --- keys ---

int PendingCode = -1;   // the second code of a key without a character

// -1: nothing more within the wait (-1: no limit); -2: end of input, a read
// error or an interrupt; otherwise the byte. An interrupt is looked for with
// SIGINT held back, so none comes between the look and the wait.
int ReadByte(int fd, int waitMs)
{
    sigset_t interrupt, previous;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    for (;;) {
        sigprocmask(SIG_BLOCK, &interrupt, &previous);
        if (Interrupted) {
            sigprocmask(SIG_SETMASK, &previous, nullptr);
            return -2;
        }
        struct pollfd p = {fd, POLLIN, 0};
        struct timespec wait = {waitMs / 1000, (waitMs % 1000) * 1000000L};
        int ready = ppoll(&p, 1, waitMs < 0 ? nullptr : &wait, &previous);
        sigprocmask(SIG_SETMASK, &previous, nullptr);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return -1;
        unsigned char byte;
        ssize_t got = ready > 0 ? read(fd, &byte, 1) : -1;
        if (got == 1)
            return byte;
        if (got < 0 && errno == EINTR)
            continue;
        return -2;
    }
}

// Scan codes of the keys a terminal sends as escape sequences.
int ScanCodeOf(char final, int number)
{
    switch (final) {
    case 'A': return 0x48;   // up
    case 'B': return 0x50;   // down
    case 'C': return 0x4D;   // right
    case 'D': return 0x4B;   // left
    case 'H': return 0x47;   // home
    case 'F': return 0x4F;   // end
    case 'P': return 0x3B;   // F1
    case 'Q': return 0x3C;
    case 'R': return 0x3D;
    case 'S': return 0x3E;   // F4
    case '~':
        switch (number) {
        case 1: case 7: return 0x47;
        case 4: case 8: return 0x4F;
        case 2: return 0x52;    // insert
        case 3: return 0x53;    // delete
        case 5: return 0x49;    // page up
        case 6: return 0x51;    // page down
        case 11: return 0x3B; case 12: return 0x3C; case 13: return 0x3D;
        case 14: return 0x3E; case 15: return 0x3F;
        case 17: return 0x40; case 18: return 0x41; case 19: return 0x42;
        case 20: return 0x43; case 21: return 0x44;
        case 23: return 0x85; case 24: return 0x86;   // F11, F12
        default: return 0;
        }
    default:
        return 0;
    }
}

constexpr int SequenceWaitMs = 40;

}  // namespace

void CatchConsoleInterrupt()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    InterruptCaught = 1;
    sigaction(SIGINT, &action, nullptr);
}

bool ConsoleInterrupted()
{
    return Interrupted != 0;
}

void ConsoleWriteRaw(const char *text, std::size_t length)
{
    int fd = Terminal();
    if (fd >= 0)
        WriteAll(fd, text, length);
}

int ConsoleReadKey()
{
    if (PendingCode >= 0) {
        int code = PendingCode;
        PendingCode = -1;
        return code;
    }
    int fd = Terminal();
    if (fd < 0)
        return -1;
    RawModeScope raw(fd);
    if (!raw.Ok())
        return -1;
    int first = ReadByte(fd, -1);
    if (first < 0)
        return -1;
    if (first != 0x1B)
        return first;
    int second = ReadByte(fd, SequenceWaitMs);
    if (second < 0)
        return 0x1B;   // the Escape key alone
    if (second != '[' && second != 'O') {
        PendingCode = second;   // Alt with a key: two codes
        return 0x1B;
    }
    int number = 0;
    bool firstParameter = true;
    for (int count = 0; count < 16; ++count) {
        int byte = ReadByte(fd, SequenceWaitMs);
        if (byte < 0)
            break;
        if (byte >= '0' && byte <= '9') {
            if (firstParameter)
                number = number * 10 + (byte - '0');
            continue;
        }
        if (byte == ';') {
            firstParameter = false;
            continue;
        }
        if (byte >= 0x40 && byte <= 0x7E) {
            PendingCode = ScanCodeOf(static_cast<char>(byte), number);
            return 0;
        }
    }
    PendingCode = 0;
    return 0;
}

bool StandardOutputIsConsole()
{
    static const bool isConsole = isatty(STDOUT_FILENO) != 0;   // asked once per run
    return isConsole;
}

int QueryConsoleRows()
{
    struct winsize size;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0)
        return 25;
    return size.ws_row;
}

void ClearConsole()
{
    if (!StandardOutputIsConsole())
        return;
    std::fflush(stdout);
    static const char clear[] = "\033[H\033[2J";
    ConsoleWriteRaw(clear, sizeof clear - 1);
}

void RunLineCountCommand(int)
{
    // A terminal emulator's size belongs to its user: the viewer pages by
    // ScreenLines and leaves the window as it is.
}

static bool Utf8Locale()
{
    const char *names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    for (const char *name : names) {
        const char *value = std::getenv(name);
        if (value && *value)
            return std::strstr(value, "UTF-8") || std::strstr(value, "utf8") ||
                   std::strstr(value, "UTF8") || std::strstr(value, "utf-8");
    }
    return false;
}

const char *DumpSeparator()
{
    // Files get the byte 0xB3 as on the Windows console; a UTF-8 terminal
    // gets the same line drawing character in its own encoding.
    static const char *separator =
        (StandardOutputIsConsole() && Utf8Locale()) ? "\xE2\x94\x82" : "\xB3";
    return separator;
}
