// A directory kept outside the process (a directory server) behind the
// engine's operations. The engine keeps contexts, buffers, replies and
// iterations, and the rules of a change; a remote directory only reads and
// writes whole objects and schema elements, in the store model's terms.
// Every result is DIR_OK or a library code; failures are reported by the
// remote directory itself through the engine's reporter.
#ifndef RAX_STANDINS_REMOTE_DIRECTORY_H
#define RAX_STANDINS_REMOTE_DIRECTORY_H

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store_model.h"

namespace dirstore {

class RemoteDirectory {
public:
    virtual ~RemoteDirectory() = default;

    // Makes sure a server is connected and bound.
    virtual int32_t Connect() = 0;

    // One object with all its attributes (values in the store's shapes).
    virtual int32_t ReadObject(std::string_view name, Object &object) = 0;
    // The definitions of the named attributes that the schema holds (unknown names are left out).
    virtual int32_t AttributeDefs(const std::vector<std::string> &names, std::vector<AttributeDef> &defs) = 0;
    // Writes the difference between two states of one object as one change.
    virtual int32_t WriteObject(const Object &before, const Object &after) = 0;

    // Class definitions by name (DIR_ERR_NO_SUCH_CLASS for an unknown one), or all.
    virtual int32_t ReadClass(std::string_view name, ClassDef &def) = 0;
    virtual int32_t ReadAllClasses(std::vector<ClassDef> &defs) = 0;
    virtual int32_t DefineAttribute(const AttributeDef &def) = 0;
    // Adds optional attributes to a class, with the store's codes (-604, -603, -653).
    virtual int32_t AddOptionalAttributes(std::string_view className, const std::vector<std::string> &attrs) = 0;

    // The rights of the logged-in identity on an object, as the server grants them.
    virtual int32_t Rights(std::string_view subject, std::string_view object, uint32_t &rights) = 0;
    virtual int32_t Identity(std::string &name) = 0;

    // The `index`th object of a class, and every object with its class.
    virtual int32_t FindObjectOfClass(std::string_view className, uint32_t index, std::string &name) = 0;
    virtual int32_t ListObjects(std::vector<std::pair<std::string, std::string>> &objects) = 0;
};

}  // namespace dirstore

#endif
