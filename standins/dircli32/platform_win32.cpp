// dircli32.dll on Windows: the directory servers named by RAX_DIRECTORY_URL, or
// else where the store file is (RAX_DIRECTORY_STORE, or directory.ldif beside
// the DLL), the identity override, and diagnostics on stderr and the
// debugger's output.
#include <windows.h>

#include <cstdio>
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

std::wstring WideOf(const std::string &utf8)
{
    int n = utf8.empty() ? 0
                         : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

// A setting as UTF-8, the encoding of names and DNs in the directory client (the
// narrow environment would give them in the ANSI code page), whatever its length.
std::string Environment(const char *name)
{
    std::wstring wname = WideOf(name);
    std::wstring value(GetEnvironmentVariableW(wname.c_str(), nullptr, 0), L'\0');
    DWORD n = value.empty() ? 0 : GetEnvironmentVariableW(wname.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0 || n >= value.size())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, value.data(), static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, value.data(), static_cast<int>(n), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

// `path` is UTF-8, as Environment gives it.
bool ReadWholeFile(const std::string &path, std::string &text)
{
    FILE *file = path.empty() ? nullptr : _wfopen(WideOf(path).c_str(), L"rb");
    // Under Wine a POSIX path is found on the drive that maps the root.
    if (!file && !path.empty() && path.front() == '/')
        file = _wfopen(WideOf("Z:" + path).c_str(), L"rb");
    if (!file)
        return false;
    std::unique_ptr<FILE, int (*)(FILE *)> closer(file, std::fclose);
    text.clear();
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, file)) > 0;)
        text.append(buf, n);
    return !std::ferror(file);
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
    using namespace dirstore::ldap;
    return std::make_unique<LdapDirectory>(SettingsForServers(url, bindDn, passwordFile, Environment, ReadWholeFile),
                                           MakeConnection, ReportDiagnostic);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
