// The snap-in library as the host loads it: InitSnapin after loading,
// ShutDown before unloading.
#ifndef RAX_HOST_SNAPIN_LIBRARY_H
#define RAX_HOST_SNAPIN_LIBRARY_H

#include <windows.h>

#include <string>

namespace host {

class SnapinLibrary {
public:
    SnapinLibrary() = default;
    ~SnapinLibrary();
    SnapinLibrary(const SnapinLibrary &) = delete;
    SnapinLibrary &operator=(const SnapinLibrary &) = delete;

    // Loads the library and runs its InitSnapin; false with a reason otherwise.
    bool Load(const char *path, std::string *error);
    void Unload();

private:
    HMODULE m_module = nullptr;
    void(WINAPI *m_shutDown)() = nullptr;
};

} // namespace host

#endif
