#include "test_support.h"

#include "program_path.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace testing_support {

std::filesystem::path ProgramDirectory()
{
    std::string path;
    if (!GetProgramPath(path))
        return std::filesystem::current_path();
    return std::filesystem::path(path).parent_path();
}

std::string PluginPath(const std::string &baseName)
{
    return (ProgramDirectory() / (baseName + PLUGIN_SUFFIX)).string();
}

TempDir::TempDir()
{
    std::random_device random;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("kvplug-" + std::to_string(random()));
        if (std::filesystem::create_directory(path_))
            break;
    }
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void SetEnvironment(const std::string &name, const char *value)
{
#ifdef _WIN32
    // _putenv keeps the C library's copy and the process's own in step.
    std::string assignment = name + "=" + (value ? value : "");
    _putenv(assignment.c_str());
#else
    if (value)
        setenv(name.c_str(), value, 1);
    else
        unsetenv(name.c_str());
#endif
}

int RunCommand(const std::string &commandLine)
{
    std::fflush(nullptr);
#ifdef _WIN32
    // cmd.exe /c drops the first and last quote of a line that starts with one.
    return std::system(("\"" + commandLine + "\"").c_str());
#else
    int status = std::system(commandLine.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

std::string Quoted(const std::string &path)
{
    return "\"" + path + "\"";
}

}  // namespace testing_support
