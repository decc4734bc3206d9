#include "directory_objects.h"

#include "dircli32.h"
#include "dircli32_test.h"
#include "store_text.h"

namespace host {

std::vector<DirectoryObject> ListDirectoryObjects(std::string *error)
{
    std::vector<DirectoryObject> objects;
    // A context loads the store file; the listing comes from the store's text.
    DirContextHandle context = DirCreateContext();
    if (context == DIR_ERR_NO_CONTEXT) {
        if (error)
            *error = "the directory store could not be opened";
        return objects;
    }
    DirFreeContext(context);

    int32_t needed = DirTestSaveText(nullptr, 0);
    if (needed < 0) {
        if (error)
            *error = "the directory store could not be read";
        return objects;
    }
    std::string text(static_cast<size_t>(needed) + 1, '\0');
    DirTestSaveText(text.data(), static_cast<uint32_t>(text.size()));
    text.resize(static_cast<size_t>(needed));

    dirstore::Store store;
    dirstore::ParseError parseError;
    if (!dirstore::ParseStoreText(text, store, parseError)) {
        if (error)
            *error = "the directory store is damaged: " + parseError.message;
        return objects;
    }
    for (const auto &object : store.objects)
        objects.push_back({object.name, object.className});
    return objects;
}

} // namespace host
