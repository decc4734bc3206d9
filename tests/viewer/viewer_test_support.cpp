#include "viewer_test_support.h"

#include "console_lines.h"
#include "program_path.h"
#include "settings.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

int ProcessId()
{
#ifdef _WIN32
    return _getpid();
#else
    return getpid();
#endif
}

}  // namespace

TempDir::TempDir()
{
    static std::atomic<int> counter{0};
    fs::path base = fs::temp_directory_path();
    for (;;) {
        fs::path candidate =
            base / ("kavelin-test-" + std::to_string(ProcessId()) + "-" + std::to_string(counter++));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate.string();
            return;
        }
        if (ec)
            throw std::runtime_error("cannot create " + candidate.string());
    }
}

TempDir::~TempDir()
{
    std::error_code ec;
#ifndef _WIN32
    // Tests take rights away from files and folders; give them back first.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
#endif
    fs::remove_all(path_, ec);
}

std::string TempDir::File(const std::string &name) const
{
    return (fs::path(path_) / name).string();
}

std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes)
{
    WriteBytes(path, AsString(bytes));
}

std::string AsString(const std::vector<uint8_t> &bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

bool FileExists(const std::string &path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

void ResetViewerState()
{
    std::memset(TraceNameBuffer, 0, sizeof TraceNameBuffer);
    Settings.TraceFileName = TraceNameBuffer;
    Settings.NoPause = 0;
    Settings.ScreenLines = 25;
    Settings.DecodeLevel = 0;
    Verbose = 0;
    ResetConsoleLines();
    ResetSpinner();
    SetListingStream(nullptr);
    SetConsoleStandIn(nullptr);
}

CapturedOutput::CapturedOutput(const std::string &keys)
{
    static std::atomic<int> counter{0};
    path_ = (fs::temp_directory_path() /
             ("kavelin-out-" + std::to_string(ProcessId()) + "-" + std::to_string(counter++)))
                .string();
    file_ = std::fopen(path_.c_str(), "w+b");
    if (!file_)
        throw std::runtime_error("cannot create " + path_);
    console_.Keys = keys;
    SetListingStream(file_);
    SetConsoleStandIn(&console_);
}

CapturedOutput::~CapturedOutput()
{
    SetListingStream(nullptr);
    SetConsoleStandIn(nullptr);
    std::fclose(file_);
    std::error_code ec;
    fs::remove(path_, ec);
}

std::string CapturedOutput::Listing()
{
    std::fflush(file_);
    return ReadBytes(path_);
}

std::string Golden(const std::string &name)
{
    std::string bytes = ReadBytes(std::string(VIEWER_GOLDEN_DIR) + "/" + name);
    if (bytes.empty())
        throw std::runtime_error("missing golden file " + name);
    return bytes;
}

fs::path ProgramDirectory()
{
    std::string path;
    if (!GetProgramPath(path))
        throw std::runtime_error("the test program's path is unknown");
    return fs::path(path).parent_path();
}

std::string ViewerProgram()
{
#ifdef _WIN32
    return (ProgramDirectory() / "KAVELIN.exe").string();
#else
    return (ProgramDirectory() / "kavelin").string();
#endif
}

std::string PluginPath(const std::string &baseName)
{
    return (ProgramDirectory() / (baseName + PLUGIN_SUFFIX)).string();
}

void SetEnvironment(const std::string &name, const char *value)
{
#ifdef _WIN32
    // _putenv keeps the C library's copy and the process's own in step.
    _putenv((name + "=" + (value ? value : "")).c_str());
#else
    if (value)
        setenv(name.c_str(), value, 1);
    else
        unsetenv(name.c_str());
#endif
}

std::string InstallViewerCopy(const TempDir &dir)
{
#ifdef _WIN32
    std::string program = dir.File("KAVELIN.EXE");
    std::string ini = dir.File("KAVELIN.INI");
#else
    std::string program = dir.File("kavelin");
    std::string ini = dir.File("kavelin.ini");
#endif
    fs::copy_file(ViewerProgram(), program);
    std::string plugin = PluginPath("testplug_a");
    if (!FileExists(plugin))
        throw std::runtime_error("missing test plug-in " + plugin);
    WriteBytes(ini, "[TraceHandlers]\nCount=1\nHandler.1=" + plugin + "\n");
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "255");
    SetEnvironment("KAVELIN_TESTPLUG_A_RECORD", "");
    return program;
}

#ifdef _WIN32

namespace {

// One argument quoted for the command line the way the C library splits it.
std::string QuoteArgument(const std::string &arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

}  // namespace

int RunProgram(const std::string &program, const std::vector<std::string> &args,
               const std::string &stdoutPath, const std::string &workingDir)
{
    std::string command = QuoteArgument(program);
    for (const std::string &arg : args)
        command += " " + QuoteArgument(arg);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(stdoutPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                            0, nullptr);
    HANDLE err = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                             0, nullptr);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process;
    BOOL started = out != INVALID_HANDLE_VALUE && in != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
                   CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  workingDir.empty() ? nullptr : workingDir.c_str(), &startup, &process);
    for (HANDLE h : {out, in, err}) {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    if (!started)
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<int>(code);
}

std::string AsTextModeOutput(const std::string &bytes)
{
    std::string out;
    for (char c : bytes) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

#else

int RunProgram(const std::string &program, const std::vector<std::string> &args,
               const std::string &stdoutPath, const std::string &workingDir)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        int out = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = open("/dev/null", O_RDONLY);
        int err = open("/dev/null", O_WRONLY);
        if (out < 0 || in < 0 || err < 0)
            _exit(126);
        dup2(out, 1);
        dup2(in, 0);
        dup2(err, 2);
        // No controlling terminal: the console channel goes nowhere.
        setsid();
        if (!workingDir.empty() && chdir(workingDir.c_str()) != 0)
            _exit(126);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string AsTextModeOutput(const std::string &bytes)
{
    return bytes;
}

#endif
