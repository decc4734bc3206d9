// The snap-in's module instance, kept by the entry point and used to load
// strings, dialog templates and bitmaps.
#ifndef RAX_MODULE_WIN32_H
#define RAX_MODULE_WIN32_H

#include <windows.h>

namespace rax {

HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);

} // namespace rax

#endif
