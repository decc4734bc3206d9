// dircli32.dll on Windows: the directory servers named by RAX_DIRECTORY_URL, or
// else where the store file is (RAX_DIRECTORY_STORE, or directory.ldif beside
// the DLL), the identity override, and diagnostics on stderr and the
// debugger's output.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "dircli32_platform.h"
#include "ldap_directory.h"
#include "store_file.h"

namespace {

HMODULE g_module = nullptr;

std::string DefaultStorePath()
{
    char buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("RAX_DIRECTORY_STORE", buf, sizeof buf);
    if (n > 0 && n < sizeof buf)
        return buf;
    n = GetModuleFileNameA(g_module, buf, sizeof buf);
    std::string path = (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
    size_t slash = path.find_last_of("\\/");
    path = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    return path + "directory.ldif";
}

void ReportDiagnostic(const std::string &message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
    OutputDebugStringA((message + "\n").c_str());
}

std::string Environment(const char *name)
{
    char buf[4096];
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
}

bool ReadWholeFile(const std::string &path, std::string &text)
{
    std::ifstream in(path, std::ios::binary);
    // Under Wine a POSIX path is found on the drive that maps the root.
    if (!in && !path.empty() && path.front() == '/')
        in.open("Z:" + path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace

void InstallPlatform(dirstore::Engine &engine)
{
    engine.SetReporter(ReportDiagnostic);
    char identity[512];
    DWORD n = GetEnvironmentVariableA("RAX_DIRECTORY_IDENTITY", identity, sizeof identity);
    if (n > 0 && n < sizeof identity)
        engine.SetIdentityOverride(identity);
    engine.SetBackendFactory([](const char *path) -> std::unique_ptr<dirstore::StoreBackend> {
        return dirstore::MakeStoreFile(path ? std::string(path) : DefaultStorePath());
    });
    if (std::string url = Environment("RAX_DIRECTORY_URL"); !url.empty())
        engine.SetRemote(MakeDirectoryServers(url, Environment("RAX_DIRECTORY_BIND_DN"),
                                              Environment("RAX_DIRECTORY_PASSWORD_FILE")));
}

std::unique_ptr<dirstore::RemoteDirectory> MakeDirectoryServers(const std::string &url, const std::string &bindDn,
                                                                const std::string &passwordFile)
{
    auto env = [&](const char *name) {
        std::string key = name;
        if (key == "RAX_DIRECTORY_URL")
            return url;
        if (key == "RAX_DIRECTORY_BIND_DN")
            return bindDn;
        if (key == "RAX_DIRECTORY_PASSWORD_FILE")
            return passwordFile;
        return Environment(name);
    };
    return std::make_unique<dirstore::ldap::LdapDirectory>(dirstore::ldap::SettingsFromEnvironment(env, ReadWholeFile),
                                                           dirstore::ldap::MakeConnection, ReportDiagnostic);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
