// Helpers shared by the plug-in loader's tests: temporary folders, files,
// environment variables, and where the test program and plug-ins live.
#ifndef VIEWER_PLUGINS_TEST_SUPPORT_H
#define VIEWER_PLUGINS_TEST_SUPPORT_H

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// The folder of the running test program (also that of the plug-ins).
std::filesystem::path ProgramDirectory();

// The full path of a plug-in module built beside the test program.
std::string PluginPath(const std::string &baseName);

// A new, empty folder under the system's temporary folder; removed with
// everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::filesystem::path &Path() const { return path_; }
    std::string File(const std::string &name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::string &path, const std::string &bytes);
std::string ReadFile(const std::string &path);  // "" when missing

// Sets (or with nullptr removes) a variable of this process's environment,
// seen by getenv here, in the plug-ins and in child processes.
void SetEnvironment(const std::string &name, const char *value);

// Runs `program` with `args`, standard input empty, standard output into
// `stdoutPath` and standard error discarded; its exit status, or -1 when it
// could not be started.
int RunProgram(const std::string &program, const std::vector<std::string> &args, const std::string &stdoutPath);

}  // namespace testing_support

#endif
