#include "store_ldif.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace storeldif {

using namespace dirstore;
using namespace dirstore::ldap;

namespace {

constexpr std::string_view kRoot = "[Root]";
constexpr std::string_view kSchemaDn = "cn=rax,cn=schema,cn=config";

// Rights masks and the access privileges of the server, strongest first; the
// privileges read back give the mask in the same row.
struct Level {
    uint32_t anyOf;
    const char *privileges;
    char mark;
    uint32_t mask;
};
constexpr Level kLevels[] = {{0x20, "mwrscxd", 'm', 0x20}, {0x04, "wrscxd", 'w', 0x06}, {0x02, "rscxd", 'r', 0x03},
                             {0x01, "cxd", 'c', 0x01}};

const char *PrivilegesOf(uint32_t rights)
{
    for (const auto &row : kLevels)
        if (rights & row.anyOf)
            return row.privileges;
    return nullptr;
}

uint32_t MaskOf(std::string_view privileges)
{
    for (const auto &row : kLevels)
        if (privileges.find(row.mark) != std::string_view::npos)
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

// A DN for an access rule, in quotes; one that holds a quote cannot be written there.
bool RuleDn(std::string_view name, std::string &quoted, std::string &error)
{
    std::string dn;
    if (!Dn(name, dn, error))
        return false;
    if (dn.find('"') != std::string::npos) {
        error = "the name \"" + std::string(name) + "\" holds a quotation mark, which access rules cannot name";
        return false;
    }
    quoted = "\"" + dn + "\"";
    return true;
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
    // In the store's order, but each container before what it holds.
    std::vector<bool> written(store.objects.size(), false);
    std::unordered_map<std::string, size_t> positions;
    for (size_t i = 0; i < store.objects.size(); ++i)
        positions.emplace(ObjectKey(store.objects[i].name), i);
    for (size_t i = 0; i < store.objects.size(); ++i) {
        std::vector<size_t> chain;   // the object and its containers not yet written, innermost first
        for (size_t at = i; !written[at];) {
            chain.push_back(at);
            written[at] = true;
            auto parent = positions.find(ObjectKey(ParentName(store.objects[at].name)));
            if (parent == positions.end())
                break;
            at = parent->second;
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it)
            if (!Entry(store, store.objects[*it], passwordHashes, text, error))
                return false;
    }
    return true;
}

// --- access rules ---------------------------------------------------------

// One rule per object that has grants, deepest first, adding each subject's
// privileges and going on to the rules above it: the rights on an object are
// the union of the grants on it and on its containers, as in the store.
bool AccessRules(const Store &store, const std::string &suffix, LdifParts &parts, std::string &error)
{
    if (suffix.find('"') != std::string::npos) {
        error = "the top-level object's name holds a quotation mark, which access rules cannot name";
        return false;
    }
    std::vector<std::string> objects;
    std::unordered_map<std::string, std::vector<const Grant *>> grantsOn;
    for (const auto &grant : store.grants) {
        auto &list = grantsOn[ObjectKey(grant.object)];
        if (list.empty())
            objects.push_back(grant.object);
        list.push_back(&grant);
    }
    std::stable_sort(objects.begin(), objects.end(), [](const std::string &a, const std::string &b) {
        return (IsRoot(a) ? 0 : Depth(a)) > (IsRoot(b) ? 0 : Depth(b));
    });
    std::string managers;
    std::vector<std::string> rules;
    for (const auto &object : objects) {
        std::string objectDn = "\"" + suffix + "\"";
        if (!IsRoot(object) && !RuleDn(object, objectDn, error))
            return false;
        std::string rule = "to dn.subtree=" + objectDn;
        for (const Grant *grant : grantsOn[ObjectKey(object)]) {
            const char *privileges = PrivilegesOf(grant->rights);
            std::string subjectDn;
            if (!privileges)
                continue;
            if (!RuleDn(grant->subject, subjectDn, error))
                return false;
            rule += " by dn.exact=" + subjectDn + " +" + privileges + " break";
            if (IsRoot(object) && (grant->rights & 0x20))
                managers += " by dn.exact=" + subjectDn + " manage";
        }
        rules.push_back(rule + " by * break");
    }
    // Passwords: checked for anyone binding, changed by those who manage everything.
    parts.dataAccess.push_back("to attrs=userPassword" + managers + " by anonymous auth by * none");
    parts.dataAccess.insert(parts.dataAccess.end(), rules.begin(), rules.end());
    parts.dataAccess.push_back("to * by * +0 stop");
    parts.configAccess.push_back("to *" + managers + " by * none");
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
    for (size_t i = 2; i + 2 < words.size(); ++i) {
        std::string subject;
        if (words[i] != "by" || words[i + 1].substr(0, kBy.size()) != kBy || words[i + 2].empty() ||
            words[i + 2].front() != '+' || !DnToDirName(words[i + 1].substr(kBy.size()), subject))
            continue;
        rule.subjects.emplace_back(subject, MaskOf(words[i + 2]));
    }
    return true;
}

// Rules were written deepest first; the store keeps grants by subject in the
// order subjects were first met, from [Root] down.
void GrantsOf(const std::vector<Rule> &rules, Store &store)
{
    for (auto rule = rules.rbegin(); rule != rules.rend(); ++rule)
        for (const auto &[subject, mask] : rule->subjects)
            if (mask != 0)
                store.grants.push_back({subject, rule->object, mask});
    std::unordered_map<std::string, size_t> rank;
    for (const auto &grant : store.grants)
        rank.emplace(ObjectKey(grant.subject), rank.size());
    std::stable_sort(store.grants.begin(), store.grants.end(), [&](const Grant &a, const Grant &b) {
        return rank[ObjectKey(a.subject)] < rank[ObjectKey(b.subject)];
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
        auto same = [&](const Identity &i) { return ObjectNamesEqual(i.name, name); };
        if (name.empty() || std::any_of(out.begin(), out.end(), same))
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
