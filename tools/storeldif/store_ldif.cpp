#include "store_ldif.h"

#include <algorithm>
#include <set>

namespace storeldif {

using namespace dirstore;
using namespace dirstore::ldap;

namespace {

constexpr std::string_view kRoot = "[Root]";
constexpr std::string_view kSchemaDn = "cn=rax,cn=schema,cn=config";

// Rights masks and the access levels of the server, strongest first; a level
// read back gives the mask in the same row.
struct Level {
    uint32_t anyOf;
    const char *level;
    uint32_t mask;
};
constexpr Level kLevels[] = {{0x20, "manage", 0x20}, {0x04, "write", 0x06}, {0x02, "read", 0x03},
                             {0x01, "compare", 0x01}};

const char *LevelOf(uint32_t rights)
{
    for (const auto &row : kLevels)
        if (rights & row.anyOf)
            return row.level;
    return nullptr;
}

uint32_t MaskOf(std::string_view level)
{
    for (const auto &row : kLevels)
        if (level == row.level)
            return row.mask;
    return 0;
}

bool IsRoot(std::string_view name)
{
    return ObjectNamesEqual(name, kRoot);
}

size_t Depth(std::string_view name)
{
    size_t depth = 0;
    for (std::string current(name); !current.empty(); current = ParentName(current))
        ++depth;
    return depth;
}

// Whether `above` is `name` or one of its containers ([Root] is above everything).
bool Covers(std::string_view above, std::string_view name)
{
    if (IsRoot(above))
        return true;
    for (std::string current(name); !current.empty(); current = ParentName(current))
        if (ObjectNamesEqual(current, above))
            return true;
    return false;
}

std::string Lowered(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string FileNameOf(std::string_view name)
{
    std::string out;
    for (char c : Lowered(LeafName(name)))
        out += ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') ? c : '_';
    return out.empty() ? "identity" : out;
}

bool Dn(std::string_view name, std::string &dn, std::string &error)
{
    if (DirNameToDn(name, dn))
        return true;
    error = "the name \"" + std::string(name) + "\" cannot be written as an LDAP name";
    return false;
}

bool Suffix(const Store &store, std::string &suffix, std::string &error)
{
    const Object *top = nullptr;
    for (const auto &object : store.objects) {
        if (!ParentName(object.name).empty())
            continue;
        if (top) {
            error = "the directory has more than one top-level object (\"" + top->name + "\", \"" + object.name +
                    "\"); a server database holds one";
            return false;
        }
        top = &object;
    }
    if (!top) {
        error = "the directory has no top-level object";
        return false;
    }
    return Dn(top->name, suffix, error);
}

std::string Quote(std::string_view dn)
{
    return "\"" + std::string(dn) + "\"";
}

// --- schema ---------------------------------------------------------------

bool SchemaRecord(const Store &store, std::string &text, std::string &error)
{
    LdifRecord record{std::string(kSchemaDn), {{"objectClass", "olcSchemaConfig"}, {"cn", "rax"}}};
    for (const auto &def : store.attributeDefs) {
        if (IsStandardAttribute(def.name))
            continue;
        std::string value = AttributeTypeText(def);
        if (value.empty()) {
            error = "the attribute name \"" + def.name + "\" does not map to an LDAP name";
            return false;
        }
        record.values.emplace_back("olcAttributeTypes", std::move(value));
    }
    // A class we define must follow the classes it names as superclasses.
    std::vector<const ClassDef *> pending;
    for (const auto &def : store.classDefs)
        pending.push_back(&def);
    std::vector<const ClassDef *> done;
    while (!pending.empty()) {
        auto ready = std::find_if(pending.begin(), pending.end(), [&](const ClassDef *def) {
            return std::all_of(def->lists[kSuperClasses].begin(), def->lists[kSuperClasses].end(),
                               [&](const std::string &sup) {
                                   const ClassDef *supDef = FindClassDef(store, sup);
                                   return !supDef || IsStandardClass(sup) ||
                                          std::find(done.begin(), done.end(), supDef) != done.end();
                               });
        });
        if (ready == pending.end()) {
            error = "the superclasses of \"" + pending.front()->name + "\" form a loop";
            return false;
        }
        std::string value = ObjectClassText(**ready);
        if (value.empty()) {
            error = "the class \"" + (*ready)->name + "\" or a name it lists does not map to an LDAP name";
            return false;
        }
        record.values.emplace_back("olcObjectClasses", std::move(value));
        done.push_back(*ready);
        pending.erase(ready);
    }
    text = LdifText(record);
    return true;
}

// --- entries --------------------------------------------------------------

bool Entry(const Store &store, const Object &object, const std::map<std::string, std::string> &passwordHashes,
           std::string &text, std::string &error)
{
    LdifRecord record;
    if (!Dn(object.name, record.dn, error))
        return false;
    std::string className;
    const ClassDef *classDef = FindClassDef(store, object.className);
    if ((!classDef && !IsStandardClass(object.className)) || !ElementToLdap(object.className, className)) {
        error = "the class \"" + object.className + "\" of \"" + object.name + "\" is not in the schema";
        return false;
    }
    record.values.emplace_back("objectClass", className);
    bool needsAux = false;
    for (const auto &attribute : object.attributes) {
        std::string name;
        if (!ElementToLdap(attribute.name, name)) {
            error = "the attribute name \"" + attribute.name + "\" does not map to an LDAP name";
            return false;
        }
        needsAux = needsAux || (IsStandardClass(object.className) && !IsStandardAttribute(attribute.name));
        for (const auto &value : attribute.values)
            record.values.emplace_back(name, LdapValue(attribute.syntax, value));
    }
    if (needsAux)
        record.values.insert(record.values.begin() + 1, {"objectClass", AuxiliaryClassName(object.className)});
    // The server wants the value the entry is named by among its values.
    std::string leafType = record.dn.substr(0, record.dn.find('='));
    std::string leafValue = LeafName(object.name);
    bool named = std::any_of(record.values.begin(), record.values.end(), [&](const auto &value) {
        return NamesEqual(value.first, leafType) && NamesEqual(value.second, leafValue);
    });
    if (!named)
        record.values.emplace_back(leafType, leafValue);
    auto hash = passwordHashes.find(record.dn);
    if (hash != passwordHashes.end())
        record.values.emplace_back("userPassword", hash->second);
    text += LdifText(record);
    return true;
}

bool Entries(const Store &store, const std::map<std::string, std::string> &passwordHashes, std::string &text,
             std::string &error)
{
    // In the store's order, but never before the container.
    std::vector<const Object *> pending;
    for (const auto &object : store.objects)
        pending.push_back(&object);
    std::vector<const Object *> done;
    while (!pending.empty()) {
        auto ready = std::find_if(pending.begin(), pending.end(), [&](const Object *object) {
            std::string parent = ParentName(object->name);
            return parent.empty() || std::none_of(pending.begin(), pending.end(), [&](const Object *other) {
                       return ObjectNamesEqual(other->name, parent);
                   });
        });
        if (!Entry(store, **ready, passwordHashes, text, error))
            return false;
        pending.erase(ready);
    }
    return true;
}

// --- access rules ---------------------------------------------------------

bool AccessRules(const Store &store, const std::string &suffix, LdifParts &parts, std::string &error)
{
    std::vector<std::string> subjects, objects;
    for (const auto &grant : store.grants) {
        auto has = [](const std::vector<std::string> &names, const std::string &name) {
            return std::any_of(names.begin(), names.end(),
                               [&](const std::string &n) { return ObjectNamesEqual(n, name); });
        };
        if (!has(subjects, grant.subject))
            subjects.push_back(grant.subject);
        if (!has(objects, grant.object))
            objects.push_back(grant.object);
    }
    std::stable_sort(objects.begin(), objects.end(), [](const std::string &a, const std::string &b) {
        return (IsRoot(a) ? 0 : Depth(a)) > (IsRoot(b) ? 0 : Depth(b));
    });
    std::string managers, configManagers;
    std::vector<std::string> rules;
    for (const auto &object : objects) {
        std::string objectDn = suffix;
        if (!IsRoot(object) && !Dn(object, objectDn, error))
            return false;
        std::string rule = "to dn.subtree=" + Quote(objectDn);
        for (const auto &subject : subjects) {
            uint32_t rights = 0;
            for (const auto &grant : store.grants)
                if (ObjectNamesEqual(grant.subject, subject) && Covers(grant.object, object))
                    rights |= grant.rights;
            const char *level = LevelOf(rights);
            std::string subjectDn;
            if (!level)
                continue;
            if (!Dn(subject, subjectDn, error))
                return false;
            rule += " by dn.exact=" + Quote(subjectDn) + " " + level;
            if (IsRoot(object) && (rights & 0x20)) {
                managers += " by dn.exact=" + Quote(subjectDn) + " manage";
                configManagers += " by dn.exact=" + Quote(subjectDn) + " manage";
            }
        }
        rules.push_back(rule + " by * none");
    }
    // Passwords: checked for anyone binding, changed by those who manage everything.
    parts.dataAccess.push_back("to attrs=userPassword" + managers + " by anonymous auth by * none");
    parts.dataAccess.insert(parts.dataAccess.end(), rules.begin(), rules.end());
    parts.configAccess.push_back("to *" + configManagers + " by * none");
    return true;
}

// --- from LDIF --------------------------------------------------------------

std::string StripOrder(std::string_view value)
{
    if (!value.empty() && value.front() == '{') {
        size_t close = value.find('}');
        if (close != std::string_view::npos)
            value.remove_prefix(close + 1);
    }
    return std::string(value);
}

// Splits an access rule at blanks, keeping quoted DNs whole (without the quotes).
std::vector<std::string> Words(std::string_view rule)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    for (char c : rule) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

struct Rule {
    std::string object;                                       // directory name or [Root]
    std::vector<std::pair<std::string, uint32_t>> subjects;   // directory name, mask
};

bool ReadRule(std::string_view text, const std::string &suffix, Rule &rule)
{
    std::vector<std::string> words = Words(StripOrder(text));
    constexpr std::string_view kTo = "dn.subtree=";
    if (words.size() < 2 || words[0] != "to" || words[1].substr(0, kTo.size()) != kTo)
        return false;
    std::string objectDn = words[1].substr(kTo.size());
    if (NamesEqual(objectDn, suffix))
        rule.object = kRoot;
    else if (!DnToDirName(objectDn, rule.object))
        return false;
    constexpr std::string_view kBy = "dn.exact=";
    for (size_t i = 2; i + 2 < words.size(); i += 3) {
        std::string subject;
        if (words[i] != "by" || words[i + 1].substr(0, kBy.size()) != kBy ||
            !DnToDirName(words[i + 1].substr(kBy.size()), subject))
            continue;
        rule.subjects.emplace_back(subject, MaskOf(words[i + 2]));
    }
    return true;
}

// Rules were written deepest first, each with everything its subjects hold there;
// a grant is what a rule gives beyond the nearest rule above it.
void GrantsOf(const std::vector<Rule> &rules, Store &store)
{
    for (size_t i = rules.size(); i-- > 0;) {
        const Rule &rule = rules[i];
        for (const auto &[subject, mask] : rule.subjects) {
            uint32_t inherited = 0;
            for (size_t j = i + 1; j < rules.size(); ++j) {
                if (!Covers(rules[j].object, rule.object))
                    continue;
                for (const auto &[other, otherMask] : rules[j].subjects)
                    if (ObjectNamesEqual(other, subject))
                        inherited = otherMask;
                break;
            }
            if (mask != inherited && mask != 0)
                store.grants.push_back({subject, rule.object, mask});
        }
    }
    // Read back in the order the store keeps them: by subject as first met, then object.
    std::vector<std::string> order;
    for (auto it = rules.rbegin(); it != rules.rend(); ++it)
        for (const auto &subject : it->subjects)
            if (std::none_of(order.begin(), order.end(), [&](const std::string &s) { return NamesEqual(s, subject.first); }))
                order.push_back(subject.first);
    std::stable_sort(store.grants.begin(), store.grants.end(), [&](const Grant &a, const Grant &b) {
        auto rank = [&](const Grant &g) {
            return std::find_if(order.begin(), order.end(), [&](const std::string &s) { return NamesEqual(s, g.subject); }) -
                   order.begin();
        };
        return rank(a) < rank(b);
    });
    store.grantIndex.Reset();
}

bool IsAttributeTypeKey(std::string_view key)
{
    return NamesEqual(key, "olcAttributeTypes") || NamesEqual(key, "attributeTypes");
}

bool IsObjectClassKey(std::string_view key)
{
    return NamesEqual(key, "olcObjectClasses") || NamesEqual(key, "objectClasses");
}

bool IsConfigDn(std::string_view dn)
{
    constexpr std::string_view kConfig = "cn=config";
    return dn.size() >= kConfig.size() && NamesEqual(dn.substr(dn.size() - kConfig.size()), kConfig);
}

// Standard attributes come back as the server defines them: texts, C single-valued.
void AddStandardAttributes(Store &store)
{
    std::vector<AttributeDef> standard;
    for (const char *name : {"CN", "Surname", "O", "OU", "L", "C", "Description"}) {
        bool named = std::any_of(store.classDefs.begin(), store.classDefs.end(),
                                 [&](const ClassDef &def) { return ClassNamesAttribute(def, name); }) ||
                     std::any_of(store.objects.begin(), store.objects.end(),
                                 [&](const Object &object) { return FindAttribute(object, name) != nullptr; });
        if (named && !FindAttributeDef(store, name))
            standard.push_back({name, kSyntaxCaseIgnoreString, NamesEqual(name, "C") ? kAttrSingleValued : 0u});
    }
    store.attributeDefs.insert(store.attributeDefs.begin(), standard.begin(), standard.end());
}

bool ObjectOf(const LdifRecord &record, const Store &store, Object &object, std::string &error,
              std::vector<std::string> &notes)
{
    static const std::set<std::string> kOperational = {
        "userpassword", "entryuuid",   "entrycsn",      "creatorsname",          "createtimestamp",
        "modifiersname", "modifytimestamp", "contextcsn", "structuralobjectclass", "hassubordinates",
        "subschemasubentry", "entrydn"};
    if (!DnToDirName(record.dn, object.name)) {
        error = "the entry \"" + record.dn + "\" has a name the directory cannot hold";
        return false;
    }
    for (const auto &[key, value] : record.values) {
        if (NamesEqual(key, "structuralObjectClass"))
            LdapToElement(value, object.className);
    }
    for (const auto &[key, value] : record.values) {
        if (!NamesEqual(key, "objectClass") || !object.className.empty())
            continue;
        std::string name;
        if (NamesEqual(value, "top") || NamesEqual(value, "person") || NamesEqual(value, "organizationalPerson") ||
            !LdapToElement(value, name))
            continue;
        object.className = name;
    }
    if (object.className.empty()) {
        error = "the entry \"" + record.dn + "\" has no class the directory knows";
        return false;
    }
    for (const auto &[key, value] : record.values) {
        if (NamesEqual(key, "objectClass") || kOperational.count(Lowered(key)))
            continue;
        std::string name;
        const AttributeDef *def = LdapToElement(key, name) ? FindAttributeDef(store, name) : nullptr;
        static const AttributeDef kText{"", kSyntaxCaseIgnoreString, 0};
        if (!def && IsStandardAttribute(name))
            def = &kText;
        if (!def) {
            notes.push_back("\"" + record.dn + "\": the attribute \"" + key + "\" is not in the schema; left out");
            continue;
        }
        const std::string &attributeName = def->name.empty() ? name : def->name;
        Attribute *attribute = FindAttribute(object, attributeName);
        if (!attribute) {
            object.attributes.push_back({attributeName, def->syntax, {}});
            attribute = &object.attributes.back();
        }
        Bytes bytes;
        if (!DirValue(def->syntax, value, bytes)) {
            error = "\"" + record.dn + "\": a value of \"" + key + "\" does not fit its syntax";
            return false;
        }
        if (std::find(attribute->values.begin(), attribute->values.end(), bytes) == attribute->values.end())
            attribute->values.push_back(std::move(bytes));
    }
    return true;
}

}  // namespace

bool Identities(const Store &store, std::vector<Identity> &identities, std::string &error)
{
    std::vector<Identity> out;
    auto add = [&](const std::string &name) {
        if (name.empty() || std::any_of(out.begin(), out.end(), [&](const Identity &i) { return ObjectNamesEqual(i.name, name); }))
            return true;
        Identity identity{name, {}, FileNameOf(name)};
        if (!Dn(name, identity.dn, error))
            return false;
        std::string base = identity.passwordFile;
        for (int n = 2; std::any_of(out.begin(), out.end(),
                                    [&](const Identity &i) { return i.passwordFile == identity.passwordFile + ".pw"; });
             ++n)
            identity.passwordFile = base + "-" + std::to_string(n);
        identity.passwordFile += ".pw";
        out.push_back(std::move(identity));
        return true;
    };
    if (!add(store.identity))
        return false;
    for (const auto &grant : store.grants)
        if (!add(grant.subject))
            return false;
    identities = std::move(out);
    return true;
}

bool StoreToLdif(const Store &store, const std::map<std::string, std::string> &passwordHashes, LdifParts &parts,
                 std::string &error)
{
    LdifParts out;
    if (!Suffix(store, out.suffix, error) || !SchemaRecord(store, out.schema, error) ||
        !Entries(store, passwordHashes, out.entries, error) || !AccessRules(store, out.suffix, out, error))
        return false;
    parts = std::move(out);
    return true;
}

bool LdifToStore(const std::vector<LdifRecord> &records, const std::string &identity, Store &store,
                 std::string &error, std::vector<std::string> &notes)
{
    Store out;
    std::string suffix;
    std::vector<std::string> accessRules;
    for (const auto &record : records) {
        auto hasSuffix = std::find_if(record.values.begin(), record.values.end(),
                                      [](const auto &value) { return NamesEqual(value.first, "olcSuffix"); });
        if (suffix.empty() && hasSuffix != record.values.end()) {
            suffix = hasSuffix->second;
            for (const auto &[key, value] : record.values)
                if (NamesEqual(key, "olcAccess"))
                    accessRules.push_back(value);
        }
        for (const auto &[key, value] : record.values) {
            if (IsAttributeTypeKey(key)) {
                AttributeTypeDesc desc;
                AttributeDef def;
                if (ParseAttributeTypeText(value, desc) && IsOwnOid(desc.oid) && AttributeDefOf(desc, def) &&
                    !FindAttributeDef(out, def.name))
                    out.attributeDefs.push_back(std::move(def));
            } else if (IsObjectClassKey(key)) {
                ObjectClassDesc desc;
                ClassDef def;
                if (ParseObjectClassText(value, desc) && IsOwnOid(desc.oid) && ClassDefOf(desc, def) &&
                    !FindClassDef(out, def.name))
                    out.classDefs.push_back(std::move(def));
            }
        }
    }
    for (const auto &record : records) {
        if (IsConfigDn(record.dn) || NamesEqual(record.dn, "cn=Subschema"))
            continue;
        Object object;
        if (!ObjectOf(record, out, object, error, notes))
            return false;
        if (FindObject(out, object.name)) {
            error = "the entry \"" + record.dn + "\" appears twice";
            return false;
        }
        out.objects.push_back(std::move(object));
    }
    AddStandardAttributes(out);
    std::vector<Rule> rules;
    for (const auto &text : accessRules) {
        Rule rule;
        if (ReadRule(text, suffix, rule))
            rules.push_back(std::move(rule));
    }
    GrantsOf(rules, out);
    out.identity = identity;
    for (const auto &grant : out.grants)
        if (out.identity.empty() && IsRoot(grant.object) && (grant.rights & 0x20))
            out.identity = grant.subject;
    if (!out.identity.empty() && !IsValidName(out.identity)) {
        error = "the identity \"" + out.identity + "\" is not a name";
        return false;
    }
    store = std::move(out);
    return true;
}

}  // namespace storeldif
