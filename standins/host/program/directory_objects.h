// The objects of the directory the host administers, for its object list.
#ifndef RAX_HOST_DIRECTORY_OBJECTS_H
#define RAX_HOST_DIRECTORY_OBJECTS_H

#include <string>
#include <vector>

namespace host {

struct DirectoryObject {
    std::string name;        // full directory name
    std::string className;   // as the schema names it ("user", "Dravon Server", ...)
};

// Every object of the directory behind the directory client (the store, in
// store order, or the server's objects under its root). Empty, with *error
// set, when the directory cannot be read.
std::vector<DirectoryObject> ListDirectoryObjects(std::string *error);
// One object by its full name, without listing the others.
bool FindDirectoryObject(const std::string &name, DirectoryObject &object, std::string *error);

} // namespace host

#endif
