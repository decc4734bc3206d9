#include "directory_objects.h"

#include "dircli32.h"
#include "dircli32_standin.h"

namespace host {

namespace {

bool CanConnect(std::string *error)
{
    // A context loads the store file or connects to the server.
    DirContextHandle context = DirCreateContext();
    if (context == DIR_ERR_NO_CONTEXT) {
        if (error)
            *error = "the directory could not be opened";
        return false;
    }
    DirFreeContext(context);
    return true;
}

} // namespace

std::vector<DirectoryObject> ListDirectoryObjects(std::string *error)
{
    std::vector<DirectoryObject> objects;
    if (!CanConnect(error))
        return objects;
    // A server's directory may grow between asking the size and reading: ask
    // again until the listing fits, and never take more than was copied.
    int32_t needed = DirStandinListObjects(nullptr, 0);
    std::string text;
    for (int attempt = 0; needed >= 0 && attempt < 3; ++attempt) {
        text.assign(static_cast<size_t>(needed) + 1, '\0');
        needed = DirStandinListObjects(text.data(), static_cast<uint32_t>(text.size()));
        if (needed >= 0 && static_cast<size_t>(needed) < text.size())
            break;
    }
    if (needed >= 0 && static_cast<size_t>(needed) >= text.size())
        needed = DIR_ERR_INSUFFICIENT_BUFFER;
    if (needed < 0) {
        if (error)
            *error = "the directory could not be read (" + std::to_string(needed) + ")";
        return objects;
    }
    text.resize(static_cast<size_t>(needed));
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        size_t tab = line.find('\t');
        if (tab != std::string::npos)
            objects.push_back({line.substr(0, tab), line.substr(tab + 1)});
        at = end + 1;
    }
    return objects;
}

bool FindDirectoryObject(const std::string &name, DirectoryObject &object, std::string *error)
{
    if (!CanConnect(error))
        return false;
    char className[DIR_MAX_NAME];
    int32_t rc = DirStandinObjectClass(name.c_str(), className, sizeof className);
    if (rc != DIR_OK) {
        if (error)
            *error = rc == DIR_ERR_NO_SUCH_OBJECT ? name + ": no such object"
                                                 : name + ": the directory could not be read (" +
                                                       std::to_string(rc) + ")";
        return false;
    }
    object = {name, className};
    return true;
}

} // namespace host
