#include "dynamic_library.h"

#include <windows.h>

LibraryHandle OpenLibrary(const char *name)
{
    // A damaged or unreadable file must fail quietly, not stop the run with
    // a system error box.
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(name);
    SetErrorMode(previous);
    return reinterpret_cast<LibraryHandle>(module);
}

LibraryEntry FindLibraryEntry(LibraryHandle library, const char *name)
{
    if (library == nullptr)
        return nullptr;
    FARPROC entry = GetProcAddress(static_cast<HMODULE>(library), name);
    return reinterpret_cast<LibraryEntry>(reinterpret_cast<void (*)()>(entry));
}

void CloseLibrary(LibraryHandle library)
{
    if (library != nullptr)
        FreeLibrary(static_cast<HMODULE>(library));
}
