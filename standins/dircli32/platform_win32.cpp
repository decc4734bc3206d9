// dircli32.dll on Windows: where the store file is (RAX_DIRECTORY_STORE, or
// directory.ldif beside the DLL), the identity override, and diagnostics on
// stderr and the debugger's output.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "dircli32_platform.h"
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
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
