#include "module_win32.h"

namespace rax {

namespace {
HINSTANCE g_moduleInstance = nullptr;
} // namespace

HINSTANCE ModuleInstance() { return g_moduleInstance; }

void SetModuleInstance(HINSTANCE instance) { g_moduleInstance = instance; }

} // namespace rax

// The library's entry point: keeps the module instance on process attach and
// does nothing else, for any reason.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH)
        rax::SetModuleInstance(instance);
    return TRUE;
}
