// Loading shared libraries at run time (DLLs on Windows, shared objects on
// POSIX) and finding their exported functions.
#ifndef KAVELIN_DYNAMIC_LIBRARY_H
#define KAVELIN_DYNAMIC_LIBRARY_H

// An opaque handle to a loaded library; nullptr means none.
using LibraryHandle = void *;

// The generic shape of an exported function; cast it to the real type.
using LibraryEntry = void (*)();

// Loads the library by `name`, passed unchanged to the platform's loader
// (LoadLibraryA; dlopen with immediate binding). nullptr on failure.
LibraryHandle OpenLibrary(const char *name);

// The export called exactly `name`, or nullptr when the library has none.
LibraryEntry FindLibraryEntry(LibraryHandle library, const char *name);

// Releases a library from OpenLibrary. nullptr is ignored.
void CloseLibrary(LibraryHandle library);

#endif
