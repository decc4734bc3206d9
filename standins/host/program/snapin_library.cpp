#include "snapin_library.h"

namespace host {

SnapinLibrary::~SnapinLibrary()
{
    Unload();
}

bool SnapinLibrary::Load(const char *path, std::string *error)
{
    Unload();
    m_module = LoadLibraryA(path);
    if (!m_module) {
        if (error)
            *error = std::string(path) + ": the library could not be loaded (error " +
                     std::to_string(GetLastError()) + ")";
        return false;
    }
    auto init = reinterpret_cast<int32_t(WINAPI *)()>(GetProcAddress(m_module, "InitSnapin"));
    m_shutDown = reinterpret_cast<void(WINAPI *)()>(GetProcAddress(m_module, "ShutDown"));
    if (!init || !m_shutDown) {
        if (error)
            *error = std::string(path) + ": InitSnapin or ShutDown is not exported";
        Unload();
        return false;
    }
    init();
    return true;
}

void SnapinLibrary::Unload()
{
    if (!m_module)
        return;
    if (m_shutDown)
        m_shutDown();
    FreeLibrary(m_module);
    m_module = nullptr;
    m_shutDown = nullptr;
}

} // namespace host
