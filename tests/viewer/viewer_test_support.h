// Shared pieces of the viewer's tests and its plug-in loader's: scratch
// folders, file bytes, the environment, captured output channels, a clean
// viewer state, where the programs and plug-ins are, and running a program.
#ifndef VIEWER_TEST_SUPPORT_H
#define VIEWER_TEST_SUPPORT_H

#include "output.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &Path() const { return path_; }
    std::string File(const std::string &name) const;   // path of a file inside

private:
    std::string path_;
};

std::string ReadBytes(const std::string &path);
void WriteBytes(const std::string &path, const std::string &bytes);
void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes);
std::string AsString(const std::vector<uint8_t> &bytes);
bool FileExists(const std::string &path);

// Everything the viewer keeps process-wide, back to its defaults.
void ResetViewerState();

// Standard output into a file and the console into a string while it lives.
class CapturedOutput {
public:
    explicit CapturedOutput(const std::string &keys = "");
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput &) = delete;
    CapturedOutput &operator=(const CapturedOutput &) = delete;
    std::string Listing();                        // everything written so far
    const std::string &Console() const { return console_.Written; }
    ConsoleStandIn &ConsoleState() { return console_; }

private:
    std::string path_;
    FILE *file_;
    ConsoleStandIn console_;
};

// A golden file from tests/viewer/golden.
std::string Golden(const std::string &name);

// The folder of the running test program, which holds the viewer and the
// plug-ins too; the viewer program there; a plug-in module there by its base
// name.
std::filesystem::path ProgramDirectory();
std::string ViewerProgram();
std::string PluginPath(const std::string &baseName);

// Runs a program with standard input empty, standard output into
// `stdoutPath` and standard error discarded, in `workingDir` when given, and
// (on POSIX) without a controlling terminal; its exit status (128 and the
// signal's number for a POSIX program that a signal ended), or -1 when it
// could not be started or (on Win32) did not end within a minute.
int RunProgram(const std::string &program, const std::vector<std::string> &args,
               const std::string &stdoutPath, const std::string &workingDir = "");

// Copies the viewer into `dir` with an INI file beside it that names the
// test plug-in (tag A, claiming the sources in KAVELIN_TESTPLUG_A_IDS, which
// this sets to "255"). Returns the copy's path.
std::string InstallViewerCopy(const TempDir &dir);

// Sets (or with nullptr removes) a variable of this process's environment,
// seen by getenv here, in the plug-ins and in child processes.
void SetEnvironment(const std::string &name, const char *value);

// Win32 writes standard output in text mode: "\n" becomes "\r\n".
std::string AsTextModeOutput(const std::string &bytes);

#endif
