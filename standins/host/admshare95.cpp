// Stand-in for the host's shared services: the help directory and the class
// pictures.
#include "admshare95.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct ClassBitmaps {
    std::string className;
    HBITMAP bitmap;
    HBITMAP alias;
    HBITMAP readOnly;
};

struct ShareState {
    std::vector<ClassBitmaps> bitmaps;
    uint32_t calls398 = 0, calls399 = 0, calls400 = 0;
    std::string lastHelpFileName;
};

ShareState &State()
{
    static ShareState state;
    return state;
}

ClassBitmaps *Find(const char *className)
{
    for (auto &entry : State().bitmaps)
        if (className && lstrcmpiA(entry.className.c_str(), className) == 0)
            return &entry;
    return nullptr;
}

// The folder of the running program, without a trailing backslash.
std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return ".";
    std::string folder(path, n);
    size_t cut = folder.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".") : folder.substr(0, cut);
}

} // namespace

extern "C" int32_t WINAPI HostGetHelpDirectory(const char *helpFileName, char *directory)
{
    ShareState &state = State();
    ++state.calls400;
    state.lastHelpFileName = helpFileName ? helpFileName : "";
    if (!directory)
        return -1;
    const char *configured = std::getenv("RAX_HOST_HELP_DIR");
    std::string folder = configured && *configured ? configured : ProgramFolder();
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    if (folder.size() > HOST_HELP_DIRECTORY_MAX)
        folder.resize(HOST_HELP_DIRECTORY_MAX);
    std::memcpy(directory, folder.c_str(), folder.size() + 1);
    return 0;
}

extern "C" int32_t WINAPI HostRegisterClassBitmaps(const char *className, const char *, HBITMAP bitmap,
                                                   HBITMAP aliasBitmap, HBITMAP readOnlyBitmap)
{
    ShareState &state = State();
    ++state.calls399;
    if (!className)
        return -1;
    if (ClassBitmaps *entry = Find(className)) {
        entry->bitmap = bitmap;
        entry->alias = aliasBitmap;
        entry->readOnly = readOnlyBitmap;
    } else {
        state.bitmaps.push_back({className, bitmap, aliasBitmap, readOnlyBitmap});
    }
    return 0;
}

extern "C" int32_t WINAPI HostReleaseClassBitmaps(const char *className, HBITMAP *, HBITMAP *, HBITMAP *)
{
    ShareState &state = State();
    ++state.calls398;
    // The host stops using the pictures; the handles stay the caller's to delete.
    for (size_t i = 0; i < state.bitmaps.size(); ++i) {
        if (className && lstrcmpiA(state.bitmaps[i].className.c_str(), className) == 0) {
            state.bitmaps.erase(state.bitmaps.begin() + static_cast<long>(i));
            break;
        }
    }
    return 0;
}

extern "C" int32_t ShareGetClassBitmaps(const char *className, HBITMAP *bitmap, HBITMAP *aliasBitmap,
                                        HBITMAP *readOnlyBitmap)
{
    const ClassBitmaps *entry = Find(className);
    if (!entry)
        return 0;
    if (bitmap)
        *bitmap = entry->bitmap;
    if (aliasBitmap)
        *aliasBitmap = entry->alias;
    if (readOnlyBitmap)
        *readOnlyBitmap = entry->readOnly;
    return 1;
}

extern "C" uint32_t ShareCallCount(uint32_t ordinal)
{
    const ShareState &state = State();
    switch (ordinal) {
    case 398: return state.calls398;
    case 399: return state.calls399;
    case 400: return state.calls400;
    default: return 0;
    }
}

extern "C" const char *ShareLastHelpFileName(void)
{
    return State().lastHelpFileName.c_str();
}

extern "C" void ShareReset(void)
{
    State() = ShareState{};
}
