// The module instance of a test program that carries its own string table.
#include "core/module_win32.h"

namespace rax {

namespace {
HINSTANCE g_instance = nullptr;
} // namespace

HINSTANCE ModuleInstance() { return g_instance ? g_instance : GetModuleHandleA(nullptr); }
void SetModuleInstance(HINSTANCE instance) { g_instance = instance; }

} // namespace rax
