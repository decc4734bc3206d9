// The directory store of the directory client stand-in: objects with their
// attributes and values, the schema, the rights granted, and the identity that
// is logged in. Plain records; names are compared without regard to case.
#ifndef RAX_STANDINS_STORE_MODEL_H
#define RAX_STANDINS_STORE_MODEL_H

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dirstore {

using Bytes = std::vector<uint8_t>;

// Syntax ids with a fixed value shape. Every other id holds a text.
constexpr uint32_t kSyntaxInteger = 8;
constexpr uint32_t kSyntaxOctetString = 9;
constexpr uint32_t kSyntaxTelephoneNumber = 10;

constexpr size_t kMaxNameLength = 255;      // without the NUL
constexpr size_t kMaxValueSize = 65536;     // bytes of one stored value

// A value is held as its bytes: 4 little-endian bytes for an integer, the
// characters without NUL for a text, the raw bytes for an octet string.
struct Attribute {
    std::string name;
    uint32_t syntax = 0;
    std::vector<Bytes> values;   // never empty inside a store
};

struct Object {
    std::string name;        // full directory name, e.g. "CN=Ann.OU=Sales.O=Kestrel"
    std::string className;
    std::vector<Attribute> attributes;
};

struct AttributeDef {
    std::string name;
    uint32_t syntax = 0;
    uint32_t flags = 0;      // 0x01 single-valued
};

constexpr uint32_t kAttrSingleValued = 0x01;

// The five name lists of a class definition, in the order they are handed out.
enum ClassList : size_t { kSuperClasses, kContainment, kNaming, kMandatory, kOptional, kClassListCount };

struct ClassDef {
    std::string name;
    uint32_t flags = 0;
    std::array<std::vector<std::string>, kClassListCount> lists;
};

struct Grant {
    std::string subject;     // identity the rights are granted to
    std::string object;      // object (and everything below it) they apply to
    uint32_t rights = 0;
};

// Where items of a list are, by a key made from their names. Kept up to date
// on lookup: items appended to the list since the last lookup are taken in
// then. Whoever removes, reorders or renames items calls Reset.
struct PositionIndex {
    std::unordered_map<std::string, size_t> positions;
    size_t indexed = 0;      // items [0, indexed) are in `positions`
    void Reset()
    {
        positions.clear();
        indexed = 0;
    }
};

struct Store {
    std::string identity;    // the identity logged in to the directory
    std::vector<AttributeDef> attributeDefs;
    std::vector<ClassDef> classDefs;
    std::vector<Object> objects;    // append freely; remove through RemoveObject
    std::vector<Grant> grants;      // append freely; remove through SetGrant
    // Lookups of objects by name and of grants by subject and object.
    mutable PositionIndex objectIndex;
    mutable PositionIndex grantIndex;
};

// Case-blind comparison of names (ASCII letters fold; other bytes compare as they are).
bool NamesEqual(std::string_view a, std::string_view b);
// Full names compare equal with or without a leading '.'.
bool ObjectNamesEqual(std::string_view a, std::string_view b);
// The same key for every spelling of a name that ObjectNamesEqual takes as equal.
std::string ObjectKey(std::string_view name);
// A name is 1..255 bytes with no control characters.
bool IsValidName(std::string_view name);
// The container of a full name ("OU=Sales.O=Kestrel" for "CN=Ann.OU=Sales.O=Kestrel"),
// or empty for a top-level name. A '.' preceded by a backslash does not separate.
std::string ParentName(std::string_view name);
// The leftmost component without its type: "Ann" for "CN=Ann.OU=Sales".
std::string LeafName(std::string_view name);

Object *FindObject(Store &store, std::string_view name);
const Object *FindObject(const Store &store, std::string_view name);
// Removes the object of that name; false when there is none.
bool RemoveObject(Store &store, std::string_view name);
// The grant of `subject` on `object` itself, or null.
const Grant *FindGrant(const Store &store, std::string_view subject, std::string_view object);
Attribute *FindAttribute(Object &object, std::string_view name);
const Attribute *FindAttribute(const Object &object, std::string_view name);
AttributeDef *FindAttributeDef(Store &store, std::string_view name);
const AttributeDef *FindAttributeDef(const Store &store, std::string_view name);
ClassDef *FindClassDef(Store &store, std::string_view name);
const ClassDef *FindClassDef(const Store &store, std::string_view name);
bool ClassNamesAttribute(const ClassDef &def, std::string_view attrName);
// Whether objects of the class may hold the attribute: it is a naming, mandatory or
// optional attribute of the class or of one of its super classes.
bool ClassAllowsAttribute(const Store &store, const ClassDef &def, std::string_view attrName);

// The rights of `subject` on `object`: the union of the grants on the object,
// on each container above it, and on "[Root]".
uint32_t EffectiveRights(const Store &store, std::string_view subject, std::string_view object);
void SetGrant(Store &store, std::string_view subject, std::string_view object, uint32_t rights);

// Values: integers are 4 bytes; texts are checked to hold no NUL.
Bytes IntegerBytes(int32_t value);
int32_t IntegerOf(const Bytes &bytes);   // bytes must hold 4
bool IsTextSyntax(uint32_t syntax);      // neither integer nor octet string

}  // namespace dirstore

#endif
