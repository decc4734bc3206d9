#include "ldap_directory.h"

#include <algorithm>
#include <set>

#include "dircli32.h"

namespace dirstore::ldap {

namespace {

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool PercentDecoded(std::string_view text, std::string &out)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
        if (hi < 0 || lo < 0)
            return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

bool ParseOneUrl(std::string_view url, Server &server, std::string &error)
{
    constexpr std::string_view scheme = "ldap://";
    if (url.size() < scheme.size() || Lower(url.substr(0, scheme.size())) != scheme) {
        error = std::string(url) + ": only ldap:// addresses are understood";
        return false;
    }
    std::string_view rest = url.substr(scheme.size());
    size_t slash = rest.find('/');
    std::string_view hostPort = rest.substr(0, slash);
    std::string_view dn = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    size_t q = dn.find('?');   // no attributes, scope or filter parts are used
    if (q != std::string_view::npos)
        dn = dn.substr(0, q);
    size_t colon = hostPort.rfind(':');
    server.url = std::string(url);
    server.endpoint.host = std::string(hostPort.substr(0, colon));
    server.endpoint.port = 389;
    if (colon != std::string_view::npos) {
        std::string_view port = hostPort.substr(colon + 1);
        int value = 0;
        if (port.empty() || port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            (value = std::stoi(std::string(port))) <= 0 || value > 65535) {
            error = std::string(url) + ": bad port";
            return false;
        }
        server.endpoint.port = value;
    }
    if (server.endpoint.host.empty())
        server.endpoint.host = "localhost";
    if (!PercentDecoded(dn, server.rootDn) || server.rootDn.empty()) {
        error = std::string(url) + ": the address names no root (ldap://HOST:PORT/o=...)";
        return false;
    }
    return true;
}

bool IsConnectionFailure(int code)
{
    return code == kServerDown || code == kConnectError || code == kTimeout || code == kUnavailable ||
           code == kBusy;
}

// Bytes of a value as the server holds it.
Bytes ServerValue(uint32_t syntax, const dirstore::Bytes &value)
{
    return BytesOf(LdapValue(syntax, value));
}

constexpr char kProbeValue[] = "rax rights probe: a value no object holds";

}  // namespace

bool ParseServerList(std::string_view text, std::vector<Server> &servers, std::string &error)
{
    servers.clear();
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        size_t end = i;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t')
            ++end;
        if (end > i) {
            Server server;
            if (!ParseOneUrl(text.substr(i, end - i), server, error))
                return false;
            servers.push_back(std::move(server));
        }
        i = end;
    }
    if (servers.empty()) {
        error = "no server is named";
        return false;
    }
    return true;
}

Settings SettingsFromEnvironment(const EnvironmentReader &env, const FileReader &readFile)
{
    Settings settings;
    if (!ParseServerList(env("RAX_DIRECTORY_URL"), settings.servers, settings.error))
        return settings;
    settings.bindDn = env("RAX_DIRECTORY_BIND_DN");
    std::string passwordFile = env("RAX_DIRECTORY_PASSWORD_FILE");
    if (!passwordFile.empty()) {
        std::string text;
        if (!readFile(passwordFile, text)) {
            settings.error = "the password file " + passwordFile + " cannot be read";
            settings.servers.clear();
            return settings;
        }
        settings.password = text.substr(0, text.find_first_of("\r\n"));
    }
    std::string timeout = env("RAX_DIRECTORY_TIMEOUT");
    if (!timeout.empty()) {
        int seconds = 0;
        for (char c : timeout)
            seconds = (c >= '0' && c <= '9' && seconds < 1000) ? seconds * 10 + (c - '0') : 100000;
        if (seconds < 1 || seconds > 300) {
            settings.error = "RAX_DIRECTORY_TIMEOUT must be a number of seconds from 1 to 300";
            settings.servers.clear();
            return settings;
        }
        settings.timeoutSeconds = seconds;
    }
    return settings;
}

Settings SettingsForServers(const std::string &url, const std::string &bindDn, const std::string &passwordFile,
                            const EnvironmentReader &env, const FileReader &readFile)
{
    auto named = [&](const char *name) {
        std::string_view key = name;
        if (key == "RAX_DIRECTORY_URL")
            return url;
        if (key == "RAX_DIRECTORY_BIND_DN")
            return bindDn;
        if (key == "RAX_DIRECTORY_PASSWORD_FILE")
            return passwordFile;
        return env(name);
    };
    return SettingsFromEnvironment(named, readFile);
}

int32_t LibraryCode(int ldapCode)
{
    switch (ldapCode) {
    case kSuccess:
        return DIR_OK;
    case kNoSuchObject:
        return DIR_ERR_NO_SUCH_OBJECT;
    case kNoSuchAttribute:
        return DIR_ERR_NO_SUCH_VALUE;
    case kUndefinedAttributeType:
    case kObjectClassViolation:
        return DIR_ERR_ILLEGAL_ATTRIBUTE;
    case kAttributeOrValueExists:
        return DIR_ERR_DUPLICATE_VALUE;
    case kInvalidAttributeSyntax:
        return DIR_ERR_SYNTAX_VIOLATION;
    case kConstraintViolation:
        return DIR_ERR_SINGLE_VALUED;
    case kInvalidDnSyntax:
        return DIR_ERR_INVALID_REQUEST;
    case kEntryAlreadyExists:
        return DIR_ERR_ENTRY_EXISTS;
    case kInvalidCredentials:
    case 48:   // inappropriate authentication
        return DIR_ERR_BAD_CREDENTIALS;
    case kInsufficientAccess:
        return DIR_ERR_NO_ACCESS;
    case kServerDown:
    case kConnectError:
    case kUnavailable:
    case kBusy:
        return DIR_ERR_STORE_UNAVAILABLE;
    case kTimeout:
    case 3:    // time limit exceeded
        return DIR_ERR_TIMEOUT;
    case kNoMemory:
        return DIR_ERR_NOT_ENOUGH_MEMORY;
    default:
        return DIR_ERR_SERVER_FAILURE;
    }
}

LdapDirectory::LdapDirectory(Settings settings, ConnectionFactory factory, Reporter reporter)
    : settings_(std::move(settings)), factory_(std::move(factory)), reporter_(std::move(reporter))
{
}

void LdapDirectory::Report(const std::string &what, const Result &result)
{
    if (!reporter_)
        return;
    std::string url = settings_.servers.empty() ? std::string() : settings_.servers[current_].url;
    reporter_("dircli32: " + url + ": " + what + ": LDAP result " + std::to_string(result.code) +
              (result.message.empty() ? std::string() : " (" + result.message + ")"));
}

int32_t LdapDirectory::Connect()
{
    if (connected_ && connection_)
        return DIR_OK;
    if (settings_.servers.empty()) {
        if (reporter_)
            reporter_("dircli32: the directory server settings cannot be used: " + settings_.error);
        return DIR_ERR_STORE_UNAVAILABLE;
    }
    int32_t code = DIR_ERR_STORE_UNAVAILABLE;
    size_t count = settings_.servers.size();
    for (size_t i = 0; i < count; ++i) {
        size_t index = (current_ + i) % count;
        if (!connection_)
            connection_ = factory_();
        if (!connection_)
            return DIR_ERR_NOT_ENOUGH_MEMORY;
        Result result = connection_->Open(settings_.servers[index].endpoint, settings_.bindDn, settings_.password,
                                          settings_.timeoutSeconds);
        if (result.Ok()) {
            current_ = index;
            connected_ = true;
            schema_ = Schema{};
            subschemaDn_.clear();
            return DIR_OK;
        }
        size_t was = current_;
        current_ = index;
        Report("connect and bind as \"" + settings_.bindDn + "\"", result);
        current_ = was;
        code = LibraryCode(result.code);
    }
    return code;
}

int32_t LdapDirectory::Run(Kind kind, const std::string &what, const std::function<Result(Connection &)> &request,
                           int *ldapCode)
{
    for (int attempt = 0;; ++attempt) {
        if (int32_t rc = Connect(); rc != DIR_OK)
            return rc;
        Result result = request(*connection_);
        if (ldapCode)
            *ldapCode = result.code;
        if (result.Ok())
            return DIR_OK;
        if (!IsConnectionFailure(result.code)) {
            // A caller that takes the LDAP result reports what it did not expect itself.
            if (!ldapCode && result.code != kNoSuchObject && result.code != kNoSuchAttribute)
                Report(what, result);
            return LibraryCode(result.code);
        }
        // The server stopped answering: the next one takes over from the next request.
        Report(what, result);
        connected_ = false;
        connection_.reset();
        current_ = (current_ + 1) % settings_.servers.size();
        // A read may be asked again of the next server; a change may have been
        // done already and is never repeated.
        if (kind == Kind::Write || attempt > 0)
            return LibraryCode(result.code);
    }
}

bool LdapDirectory::Dn(std::string_view name, std::string &dn)
{
    if (NamesEqual(name, "[Root]")) {
        dn = settings_.servers[current_].rootDn;
        return true;
    }
    return DirNameToDn(name, dn);
}

// --- schema -----------------------------------------------------------------------

int32_t LdapDirectory::LoadSchema(bool again)
{
    if (schema_.loaded && !again)
        return DIR_OK;
    std::vector<Entry> entries;
    if (subschemaDn_.empty()) {
        int32_t rc = Run(Kind::Read, "read the root DSE", [&](Connection &c) {
            entries.clear();
            return c.Search("", Scope::Base, "(objectClass=*)", {"subschemaSubentry"}, entries);
        });
        if (rc != DIR_OK)
            return rc;
        subschemaDn_ = "cn=Subschema";
        for (const auto &e : entries)
            for (const auto &a : e.attributes)
                if (NamesEqual(a.type, "subschemaSubentry") && !a.values.empty())
                    subschemaDn_ = TextOf(a.values.front());
    }
    int32_t rc = Run(Kind::Read, "read the schema", [&](Connection &c) {
        entries.clear();
        return c.Search(subschemaDn_, Scope::Base, "(objectClass=subschema)", {"attributeTypes", "objectClasses"},
                        entries);
    });
    if (rc != DIR_OK)
        return rc;
    Schema schema;
    for (const auto &e : entries) {
        for (const auto &a : e.attributes) {
            bool types = NamesEqual(a.type, "attributeTypes");
            if (!types && !NamesEqual(a.type, "objectClasses"))
                continue;
            for (const auto &v : a.values) {
                std::string text = TextOf(v);
                if (types) {
                    AttributeTypeDesc desc;
                    if (!ParseAttributeTypeText(text, desc))
                        continue;
                    for (const auto &n : desc.names)
                        schema.attributes[Lower(n)] = desc;
                    schema.attributes[desc.oid] = desc;
                } else {
                    ObjectClassDesc desc;
                    if (!ParseObjectClassText(text, desc))
                        continue;
                    for (const auto &n : desc.names)
                        schema.classes[Lower(n)] = desc;
                    schema.classes[desc.oid] = desc;
                }
            }
        }
    }
    schema.loaded = true;
    schema_ = std::move(schema);
    return DIR_OK;
}

const AttributeTypeDesc *LdapDirectory::FindAttributeType(std::string_view ldapName) const
{
    auto found = schema_.attributes.find(Lower(ldapName));
    return found == schema_.attributes.end() ? nullptr : &found->second;
}

const ObjectClassDesc *LdapDirectory::FindObjectClass(std::string_view ldapName) const
{
    auto found = schema_.classes.find(Lower(ldapName));
    return found == schema_.classes.end() ? nullptr : &found->second;
}

// The definition of an attribute type, its syntax taken from its super type when it names none.
bool LdapDirectory::ResolvedAttributeDef(const AttributeTypeDesc &desc, AttributeDef &def) const
{
    AttributeTypeDesc resolved = desc;
    const AttributeTypeDesc *at = &desc;
    for (int depth = 0; resolved.syntax.empty() && !at->sup.empty() && depth < 8; ++depth) {
        at = FindAttributeType(at->sup);
        if (!at)
            break;
        resolved.syntax = at->syntax;
        if (resolved.equality.empty())
            resolved.equality = at->equality;
    }
    return AttributeDefOf(resolved, def);
}

// Whether values of the attribute type can be named in a change (it has an equality rule).
bool LdapDirectory::HasEquality(std::string_view ldapName) const
{
    const AttributeTypeDesc *at = FindAttributeType(ldapName);
    for (int depth = 0; at && depth < 8; ++depth) {
        if (!at->equality.empty())
            return true;
        at = at->sup.empty() ? nullptr : FindAttributeType(at->sup);
    }
    return false;
}

// Whether one of the object's classes (or a class above it) names the attribute.
bool LdapDirectory::ClassAllows(const std::vector<std::string> &objectClasses, std::string_view ldapAttr) const
{
    const AttributeTypeDesc *wanted = FindAttributeType(ldapAttr);
    auto same = [&](const std::string &name) {
        if (NamesEqual(name, ldapAttr))
            return true;
        const AttributeTypeDesc *other = FindAttributeType(name);
        return wanted && other && other->oid == wanted->oid;
    };
    std::vector<std::string> pending = objectClasses;
    std::set<std::string> seen;
    while (!pending.empty()) {
        std::string name = Lower(pending.back());
        pending.pop_back();
        if (!seen.insert(name).second)
            continue;
        const ObjectClassDesc *oc = FindObjectClass(name);
        if (!oc)
            continue;
        if (std::any_of(oc->must.begin(), oc->must.end(), same) || std::any_of(oc->may.begin(), oc->may.end(), same))
            return true;
        pending.insert(pending.end(), oc->sup.begin(), oc->sup.end());
    }
    return false;
}

// --- objects ----------------------------------------------------------------------

int32_t LdapDirectory::ReadObject(std::string_view name, Object &object)
{
    if (int32_t rc = Connect(); rc != DIR_OK)
        return rc;
    std::string dn;
    if (!Dn(name, dn))
        return DIR_ERR_INVALID_REQUEST;
    if (int32_t rc = LoadSchema(false); rc != DIR_OK)
        return rc;
    std::vector<Entry> entries;
    int32_t rc = Run(Kind::Read, "read " + dn, [&](Connection &c) {
        entries.clear();
        return c.Search(dn, Scope::Base, "(objectClass=*)", {"*", "structuralObjectClass"}, entries);
    });
    if (rc != DIR_OK)
        return rc;
    if (entries.empty())
        return DIR_ERR_NO_SUCH_OBJECT;
    const Entry &entry = entries.front();
    // An attribute type the cached schema does not know was defined meanwhile: read the schema again.
    for (const auto &a : entry.attributes)
        if (!FindAttributeType(a.type)) {
            if (int32_t again = LoadSchema(true); again != DIR_OK)
                return again;
            break;
        }
    object = Object{};
    object.name = std::string(name);
    lastDn_ = dn;
    lastClasses_.clear();
    for (const auto &a : entry.attributes) {
        if (NamesEqual(a.type, "objectClass")) {
            for (const auto &v : a.values)
                lastClasses_.push_back(TextOf(v));
            continue;
        }
        if (NamesEqual(a.type, "structuralObjectClass")) {
            if (!a.values.empty())
                LdapToElement(TextOf(a.values.front()), object.className);
            continue;
        }
        const AttributeTypeDesc *desc = FindAttributeType(a.type);
        AttributeDef def;
        if (!desc || !ResolvedAttributeDef(*desc, def))
            continue;   // a name the directory cannot spell
        Attribute attr{def.name, def.syntax, {}};
        for (const auto &v : a.values) {
            dirstore::Bytes value;
            if (DirValue(def.syntax, TextOf(v), value))
                attr.values.push_back(std::move(value));
        }
        if (!attr.values.empty())
            object.attributes.push_back(std::move(attr));
    }
    return DIR_OK;
}

int32_t LdapDirectory::AttributeDefs(const std::vector<std::string> &names, std::vector<AttributeDef> &defs)
{
    if (int32_t rc = LoadSchema(false); rc != DIR_OK)
        return rc;
    for (bool again : {false, true}) {
        if (again) {
            // A name the cached schema lacks may have been defined since it was read.
            if (defs.size() == names.size())
                break;
            if (int32_t rc = LoadSchema(true); rc != DIR_OK)
                return rc;
        }
        defs.clear();
        for (const auto &name : names) {
            std::string ldapName;
            AttributeDef def;
            const AttributeTypeDesc *desc = ElementToLdap(name, ldapName) ? FindAttributeType(ldapName) : nullptr;
            if (desc && ResolvedAttributeDef(*desc, def))
                defs.push_back(def);
        }
    }
    return DIR_OK;
}

int32_t LdapDirectory::WriteObject(const Object &before, const Object &after)
{
    std::string dn;
    if (!Dn(after.name, dn))
        return DIR_ERR_INVALID_REQUEST;
    std::vector<Modification> changes;
    std::vector<std::string> gaining;   // LDAP names of attributes that get their first value
    std::vector<std::string> names;
    for (const auto &a : before.attributes)
        names.push_back(a.name);
    for (const auto &a : after.attributes)
        if (!FindAttribute(before, a.name))
            names.push_back(a.name);
    for (const auto &name : names) {
        const Attribute *was = FindAttribute(before, name);
        const Attribute *now = FindAttribute(after, name);
        if (was && now && was->values == now->values)
            continue;
        std::string type;
        if (!ElementToLdap(name, type))
            return DIR_ERR_INVALID_REQUEST;
        if (!was && now)
            gaining.push_back(type);
        // Everything goes in the one request, which the server applies whole. The
        // values that went are named, so a value another program changed since it
        // was read makes the request fail ("no such value") instead of being lost;
        // an attribute without an equality rule has its whole list replaced.
        if (!HasEquality(type)) {
            Modification change{Modification::Replace, type, {}};
            if (now)
                for (const auto &v : now->values)
                    change.values.push_back(ServerValue(now->syntax, v));
            changes.push_back(std::move(change));
            continue;
        }
        Modification gone{Modification::Delete, type, {}}, came{Modification::Add, type, {}};
        if (was)
            for (const auto &v : was->values)
                if (!now || std::find(now->values.begin(), now->values.end(), v) == now->values.end())
                    gone.values.push_back(ServerValue(was->syntax, v));
        if (now)
            for (const auto &v : now->values)
                if (!was || std::find(was->values.begin(), was->values.end(), v) == was->values.end())
                    came.values.push_back(ServerValue(now->syntax, v));
        if (!gone.values.empty())
            changes.push_back(std::move(gone));
        if (!came.values.empty())
            changes.push_back(std::move(came));
    }
    if (changes.empty())
        return DIR_OK;
    // An attribute that the object's classes do not name but the auxiliary class of
    // its class does: the auxiliary class is added in the same request.
    if (NamesEqual(lastDn_, dn)) {
        std::string aux = AuxiliaryClassName(after.className);
        bool hasAux = std::any_of(lastClasses_.begin(), lastClasses_.end(),
                                  [&](const std::string &c) { return NamesEqual(c, aux); });
        if (!aux.empty() && !hasAux && FindObjectClass(aux)) {
            bool needed = std::any_of(gaining.begin(), gaining.end(),
                                      [&](const std::string &a) { return !ClassAllows(lastClasses_, a); });
            if (needed)
                changes.insert(changes.begin(), Modification{Modification::Add, "objectClass", {BytesOf(aux)}});
        }
    }
    return Run(Kind::Write, "modify " + dn, [&](Connection &c) { return c.Modify(dn, changes); });
}

// --- class definitions ------------------------------------------------------------

int32_t LdapDirectory::ReadClass(std::string_view name, ClassDef &def)
{
    std::string ldapName;
    if (!ElementToLdap(name, ldapName))
        return DIR_ERR_NO_SUCH_CLASS;
    // Read afresh: another program may have extended the schema since (these reads are few).
    if (int32_t rc = LoadSchema(true); rc != DIR_OK)
        return rc;
    return ClassOf(name, def);
}

int32_t LdapDirectory::ClassOf(std::string_view name, ClassDef &def) const
{
    std::string ldapName;
    ElementToLdap(name, ldapName);
    const ObjectClassDesc *desc = FindObjectClass(ldapName);
    if (!desc || desc->kind == ClassKind::Auxiliary)
        return DIR_ERR_NO_SUCH_CLASS;
    // A standard class extended by us is described whole by its auxiliary class
    // (what we added as its MAY, the directory's own lists beside).
    const ObjectClassDesc *aux = IsStandardClass(name) ? FindObjectClass(AuxiliaryClassName(name)) : nullptr;
    if (aux && ClassDefOf(*aux, def))
        return DIR_OK;
    return ClassDefOf(*desc, def) ? DIR_OK : DIR_ERR_NO_SUCH_CLASS;
}

int32_t LdapDirectory::ReadAllClasses(std::vector<ClassDef> &defs)
{
    if (int32_t rc = LoadSchema(true); rc != DIR_OK)
        return rc;
    std::set<std::string> seen;
    for (const auto &[key, desc] : schema_.classes) {
        if (desc.kind == ClassKind::Auxiliary || desc.names.empty() || !seen.insert(desc.oid).second)
            continue;
        std::string dirName;
        ClassDef def;
        if (LdapToElement(desc.names.front(), dirName) && ClassOf(dirName, def) == DIR_OK)
            defs.push_back(std::move(def));
    }
    return DIR_OK;
}

// The entry of cn=config that holds the schema elements we define, and its classes.
int32_t LdapDirectory::OwnSchemaEntry(std::string &dn, std::vector<std::string> &classValues)
{
    std::vector<Entry> entries;
    int32_t rc = Run(Kind::Read, "find the schema entry", [&](Connection &c) {
        entries.clear();
        return c.Search("cn=schema,cn=config", Scope::OneLevel, "(cn=*rax)", {"cn", "olcObjectClasses"}, entries);
    });
    // The configuration is hidden from an identity that may not see it.
    if (rc != DIR_OK)
        return rc == DIR_ERR_NO_SUCH_OBJECT ? DIR_ERR_NO_ACCESS : rc;
    dn.clear();
    classValues.clear();
    for (const auto &e : entries) {
        dn = e.dn;
        for (const auto &a : e.attributes)
            if (NamesEqual(a.type, "olcObjectClasses"))
                for (const auto &v : a.values)
                    classValues.push_back(TextOf(v));
    }
    return DIR_OK;
}

int32_t LdapDirectory::DefineAttribute(const AttributeDef &def)
{
    std::vector<AttributeDef> known;
    if (int32_t rc = AttributeDefs({def.name}, known); rc != DIR_OK)
        return rc;
    if (!known.empty())
        return DIR_ERR_ATTR_EXISTS;
    std::string text = AttributeTypeText(def);
    if (text.empty())
        return DIR_ERR_INVALID_REQUEST;
    std::string dn;
    std::vector<std::string> classValues;
    if (int32_t rc = OwnSchemaEntry(dn, classValues); rc != DIR_OK)
        return rc;
    int32_t rc;
    if (dn.empty()) {
        dn = "cn=rax,cn=schema,cn=config";
        rc = Run(Kind::Write, "add " + dn, [&](Connection &c) {
            return c.Add(dn, {{Modification::Add, "objectClass", {BytesOf("olcSchemaConfig")}},
                              {Modification::Add, "cn", {BytesOf("rax")}},
                              {Modification::Add, "olcAttributeTypes", {BytesOf(text)}}});
        });
    } else {
        rc = Run(Kind::Write, "define " + def.name + " in " + dn, [&](Connection &c) {
            return c.Modify(dn, {{Modification::Add, "olcAttributeTypes", {BytesOf(text)}}});
        });
    }
    schema_.loaded = false;
    return rc == DIR_ERR_DUPLICATE_VALUE ? DIR_ERR_ATTR_EXISTS : rc;
}

int32_t LdapDirectory::AddOptionalAttributes(std::string_view className, const std::vector<std::string> &attrs)
{
    ClassDef def;
    if (int32_t rc = ReadClass(className, def); rc != DIR_OK)
        return rc;
    std::vector<AttributeDef> known;
    if (int32_t rc = AttributeDefs(attrs, known); rc != DIR_OK)
        return rc;
    if (known.size() != attrs.size())
        return DIR_ERR_NO_SUCH_VALUE;   // no such attribute
    for (const auto &attr : attrs)
        if (ClassNamesAttribute(def, attr))
            return DIR_ERR_ATTR_IN_CLASS;

    // A standard class is extended through its auxiliary class; a class of ours directly.
    ClassDef changed = def;
    std::string ldapName;
    if (IsStandardClass(className))
        ldapName = AuxiliaryClassName(className);
    else
        ElementToLdap(className, ldapName);
    for (const auto &attr : known)
        changed.lists[kOptional].push_back(attr.name);
    std::string text = ObjectClassText(changed);
    if (text.empty())
        return DIR_ERR_INVALID_REQUEST;

    std::string dn;
    std::vector<std::string> classValues;
    if (int32_t rc = OwnSchemaEntry(dn, classValues); rc != DIR_OK)
        return rc;
    if (dn.empty())
        return DIR_ERR_NO_SUCH_CLASS;
    // The old definition (as the configuration holds it, with its "{n}" place) is
    // replaced by the new one in one request.
    std::vector<Modification> changes;
    for (const auto &value : classValues) {
        std::string_view body = value;
        if (!body.empty() && body.front() == '{')
            body = body.substr(std::min(body.find('}') + 1, body.size()));
        ObjectClassDesc desc;
        if (ParseObjectClassText(body, desc) &&
            std::any_of(desc.names.begin(), desc.names.end(),
                        [&](const std::string &n) { return NamesEqual(n, ldapName); }))
            changes.push_back({Modification::Delete, "olcObjectClasses", {BytesOf(value)}});
    }
    changes.push_back({Modification::Add, "olcObjectClasses", {BytesOf(text)}});
    int32_t rc = Run(Kind::Write, "add to class " + std::string(className) + " in " + dn,
                     [&](Connection &c) { return c.Modify(dn, changes); });
    schema_.loaded = false;
    return rc;
}

// --- rights and identity ----------------------------------------------------------

int32_t LdapDirectory::Identity(std::string &name)
{
    if (int32_t rc = Connect(); rc != DIR_OK)
        return rc;
    if (settings_.bindDn.empty() || !DnToDirName(settings_.bindDn, name))
        return DIR_ERR_NO_ACCESS;   // nobody is logged in
    return DIR_OK;
}

int32_t LdapDirectory::Rights(std::string_view subject, std::string_view object, uint32_t &rights)
{
    std::string me;
    if (int32_t rc = Identity(me); rc != DIR_OK)
        return rc;
    if (!ObjectNamesEqual(subject, me)) {
        if (reporter_)
            reporter_("dircli32: the server tells the rights of the logged-in identity only, not of " +
                      std::string(subject));
        return DIR_ERR_INVALID_REQUEST;
    }
    std::string dn;
    if (!Dn(object, dn))
        return DIR_ERR_INVALID_REQUEST;
    std::vector<Entry> entries;
    int32_t rc = Run(Kind::Read, "read " + dn, [&](Connection &c) {
        entries.clear();
        return c.Search(dn, Scope::Base, "(objectClass=*)", {"1.1"}, entries);
    });
    if (rc != DIR_OK)
        return rc;
    rights = entries.empty() ? 0 : (DIR_RIGHT_READ | DIR_RIGHT_COMPARE);
    // Removing a value the object does not hold: refused for want of access
    // without the right to write, "no such value" with it; nothing is written either way.
    int code = kSuccess;
    rc = Run(Kind::Write, "test the right to write " + dn, [&](Connection &c) {
        return c.Modify(dn, {{Modification::Delete, "description", {BytesOf(kProbeValue)}}});
    }, &code);
    if (code == kNoSuchAttribute) {
        rights |= DIR_RIGHT_WRITE;
        return DIR_OK;
    }
    if (code == kInsufficientAccess)
        return DIR_OK;
    Report("test the right to write " + dn, Result{code, "unexpected answer to the rights test"});
    return rc == DIR_OK ? DIR_ERR_SERVER_FAILURE : rc;
}

// --- listing -----------------------------------------------------------------------

int32_t LdapDirectory::FindObjectOfClass(std::string_view className, uint32_t index, std::string &name)
{
    std::string ldapName;
    if (!ElementToLdap(className, ldapName))
        return DIR_ERR_NO_SUCH_OBJECT;
    if (int32_t rc = Connect(); rc != DIR_OK)
        return rc;
    std::string root = settings_.servers[current_].rootDn;
    std::vector<Entry> entries;
    int32_t rc = Run(Kind::Read, "find objects of class " + ldapName, [&](Connection &c) {
        entries.clear();
        return c.Search(root, Scope::Subtree, "(objectClass=" + ldapName + ")", {"1.1"}, entries);
    });
    if (rc != DIR_OK)
        return rc;
    for (const auto &e : entries) {
        std::string found;
        if (!DnToDirName(e.dn, found))
            continue;
        if (index-- == 0) {
            name = found;
            return DIR_OK;
        }
    }
    return DIR_ERR_NO_SUCH_OBJECT;
}

int32_t LdapDirectory::ListObjects(std::vector<std::pair<std::string, std::string>> &objects)
{
    if (int32_t rc = Connect(); rc != DIR_OK)
        return rc;
    std::string root = settings_.servers[current_].rootDn;
    std::vector<Entry> entries;
    int32_t rc = Run(Kind::Read, "list " + root, [&](Connection &c) {
        entries.clear();
        return c.Search(root, Scope::Subtree, "(objectClass=*)", {"structuralObjectClass"}, entries);
    });
    if (rc != DIR_OK)
        return rc;
    for (const auto &e : entries) {
        std::string name, className;
        for (const auto &a : e.attributes)
            if (NamesEqual(a.type, "structuralObjectClass") && !a.values.empty())
                LdapToElement(TextOf(a.values.front()), className);
        if (DnToDirName(e.dn, name))
            objects.emplace_back(name, className);
    }
    return DIR_OK;
}

}  // namespace dirstore::ldap
