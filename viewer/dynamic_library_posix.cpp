#include "dynamic_library.h"

#include <dlfcn.h>

LibraryHandle OpenLibrary(const char *name)
{
    // RTLD_NOW: a plug-in with unresolved symbols fails here, where it is
    // reported, rather than in the middle of browsing.
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

LibraryEntry FindLibraryEntry(LibraryHandle library, const char *name)
{
    if (library == nullptr)
        return nullptr;
    return reinterpret_cast<LibraryEntry>(dlsym(library, name));
}

void CloseLibrary(LibraryHandle library)
{
    if (library != nullptr)
        dlclose(library);
}
