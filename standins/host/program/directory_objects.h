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

// Every object of the store behind the directory client, in store order.
// Empty, with *error set, when the store cannot be read.
std::vector<DirectoryObject> ListDirectoryObjects(std::string *error);

} // namespace host

#endif
