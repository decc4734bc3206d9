#include "store_model.h"

#include <algorithm>
#include <cstddef>

namespace dirstore {

namespace {

char Fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view WithoutLeadingDot(std::string_view name)
{
    return (!name.empty() && name.front() == '.') ? name.substr(1) : name;
}

// Position of the first '.' that separates components, or npos.
size_t FirstSeparator(std::string_view name)
{
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\') {
            ++i;
            continue;
        }
        if (name[i] == '.')
            return i;
    }
    return std::string_view::npos;
}

// Names hold no control characters, so a line feed cannot be part of either.
std::string GrantKey(std::string_view subject, std::string_view object)
{
    return ObjectKey(subject) + '\n' + ObjectKey(object);
}

// The position of the item whose key is `key`, or npos. The index takes in the
// items appended since the last lookup; an entry that no longer names its item
// (the list changed without a Reset) has the index built afresh.
template <typename Vec, typename KeyOf>
size_t Lookup(PositionIndex &index, const Vec &items, const std::string &key, KeyOf keyOf)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (index.indexed > items.size())
            index.Reset();
        for (; index.indexed < items.size(); ++index.indexed)
            index.positions.emplace(keyOf(items[index.indexed]), index.indexed);   // the first of equal names wins
        auto found = index.positions.find(key);
        if (found == index.positions.end())
            return std::string::npos;
        if (found->second < items.size() && keyOf(items[found->second]) == key)
            return found->second;
        index.Reset();
    }
    return std::string::npos;
}

size_t ObjectPosition(const Store &store, std::string_view name)
{
    return Lookup(store.objectIndex, store.objects, ObjectKey(name),
                  [](const Object &o) { return ObjectKey(o.name); });
}

size_t GrantPosition(const Store &store, std::string_view subject, std::string_view object)
{
    return Lookup(store.grantIndex, store.grants, GrantKey(subject, object),
                  [](const Grant &g) { return GrantKey(g.subject, g.object); });
}

template <typename Vec, typename Name>
auto FindByName(Vec &items, std::string_view name, Name nameOf) -> decltype(&items[0])
{
    for (auto &item : items)
        if (NamesEqual(nameOf(item), name))
            return &item;
    return nullptr;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}

std::string ObjectKey(std::string_view name)
{
    name = WithoutLeadingDot(name);
    std::string key(name);
    for (char &c : key)
        c = Fold(c);
    return key;
}

bool ObjectNamesEqual(std::string_view a, std::string_view b)
{
    return NamesEqual(WithoutLeadingDot(a), WithoutLeadingDot(b));
}

bool IsValidName(std::string_view name)
{
    if (name.empty() || name.size() > kMaxNameLength)
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string ParentName(std::string_view name)
{
    name = WithoutLeadingDot(name);
    size_t dot = FirstSeparator(name);
    if (dot == std::string_view::npos)
        return {};
    return std::string(name.substr(dot + 1));
}

std::string LeafName(std::string_view name)
{
    name = WithoutLeadingDot(name);
    std::string_view leaf = name.substr(0, FirstSeparator(name));
    size_t eq = leaf.find('=');
    if (eq != std::string_view::npos)
        leaf = leaf.substr(eq + 1);
    std::string out;
    for (size_t i = 0; i < leaf.size(); ++i) {
        if (leaf[i] == '\\' && i + 1 < leaf.size())
            ++i;
        out += leaf[i];
    }
    return out;
}

Object *FindObject(Store &store, std::string_view name)
{
    size_t at = ObjectPosition(store, name);
    return at == std::string::npos ? nullptr : &store.objects[at];
}

bool RemoveObject(Store &store, std::string_view name)
{
    size_t at = ObjectPosition(store, name);
    if (at == std::string::npos)
        return false;
    store.objects.erase(store.objects.begin() + static_cast<std::ptrdiff_t>(at));
    store.objectIndex.Reset();
    return true;
}

const Grant *FindGrant(const Store &store, std::string_view subject, std::string_view object)
{
    size_t at = GrantPosition(store, subject, object);
    return at == std::string::npos ? nullptr : &store.grants[at];
}

const Object *FindObject(const Store &store, std::string_view name)
{
    return FindObject(const_cast<Store &>(store), name);
}

Attribute *FindAttribute(Object &object, std::string_view name)
{
    return FindByName(object.attributes, name, [](const Attribute &a) -> const std::string & { return a.name; });
}

const Attribute *FindAttribute(const Object &object, std::string_view name)
{
    return FindAttribute(const_cast<Object &>(object), name);
}

AttributeDef *FindAttributeDef(Store &store, std::string_view name)
{
    return FindByName(store.attributeDefs, name, [](const AttributeDef &d) -> const std::string & { return d.name; });
}

const AttributeDef *FindAttributeDef(const Store &store, std::string_view name)
{
    return FindAttributeDef(const_cast<Store &>(store), name);
}

ClassDef *FindClassDef(Store &store, std::string_view name)
{
    return FindByName(store.classDefs, name, [](const ClassDef &d) -> const std::string & { return d.name; });
}

const ClassDef *FindClassDef(const Store &store, std::string_view name)
{
    return FindClassDef(const_cast<Store &>(store), name);
}

bool ClassNamesAttribute(const ClassDef &def, std::string_view attrName)
{
    for (const auto &list : def.lists)
        for (const auto &name : list)
            if (NamesEqual(name, attrName))
                return true;
    return false;
}

bool ClassAllowsAttribute(const Store &store, const ClassDef &def, std::string_view attrName)
{
    std::vector<const ClassDef *> seen;
    std::vector<const ClassDef *> pending{&def};
    while (!pending.empty()) {
        const ClassDef *current = pending.back();
        pending.pop_back();
        if (std::find(seen.begin(), seen.end(), current) != seen.end())
            continue;   // a loop of super classes
        seen.push_back(current);
        for (ClassList list : {kNaming, kMandatory, kOptional})
            for (const auto &name : current->lists[list])
                if (NamesEqual(name, attrName))
                    return true;
        for (const auto &super : current->lists[kSuperClasses])
            if (const ClassDef *superDef = FindClassDef(store, super))
                pending.push_back(superDef);
    }
    return false;
}

uint32_t EffectiveRights(const Store &store, std::string_view subject, std::string_view object)
{
    uint32_t rights = 0;
    auto grantsOn = [&](std::string_view target) {
        if (const Grant *grant = FindGrant(store, subject, target))
            rights |= grant->rights;
    };
    std::string current(WithoutLeadingDot(object));
    while (!current.empty()) {
        grantsOn(current);
        current = ParentName(current);
    }
    if (!NamesEqual(WithoutLeadingDot(object), "[Root]"))
        grantsOn("[Root]");
    return rights;
}

void SetGrant(Store &store, std::string_view subject, std::string_view object, uint32_t rights)
{
    size_t at = GrantPosition(store, subject, object);
    if (rights == 0) {
        if (at != std::string::npos) {
            store.grants.erase(store.grants.begin() + static_cast<std::ptrdiff_t>(at));
            store.grantIndex.Reset();
        }
        return;
    }
    if (at != std::string::npos)
        store.grants[at].rights = rights;
    else
        store.grants.push_back(Grant{std::string(subject), std::string(object), rights});
}

Bytes IntegerBytes(int32_t value)
{
    uint32_t u = static_cast<uint32_t>(value);
    return Bytes{static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                 static_cast<uint8_t>(u >> 24)};
}

int32_t IntegerOf(const Bytes &bytes)
{
    uint32_t u = 0;
    for (size_t i = 0; i < 4 && i < bytes.size(); ++i)
        u |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return static_cast<int32_t>(u);
}

bool IsTextSyntax(uint32_t syntax)
{
    return syntax != kSyntaxInteger && syntax != kSyntaxOctetString;
}

}  // namespace dirstore
