// A snap-in whose one user page names a template it does not carry, so the
// host cannot create the page.
#include "admhost95.h"

namespace {

HINSTANCE g_module = nullptr;

INT_PTR WINAPI PageProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

int32_t WINAPI UserProc(const char *, uint32_t message, uint32_t, HostPageInfo *info)
{
    switch (message & 0xFFFF) {
    case HostClassMsgLoad:
        return 1;
    case HostClassMsgPageInfo:
        *info = {PageProc, g_module, "NoSuchTemplate", "Missing", 0};
        return 0;
    default:
        return 0;
    }
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = module;
    return TRUE;
}

extern "C" int32_t WINAPI InitSnapin()
{
    HostRegisterClass("DS", "User", "", g_module, UserProc, 0x01010000);
    return 0;
}

extern "C" void WINAPI ShutDown() {}
