// The directory on LDAP servers: the remote directory behind the engine when
// RAX_DIRECTORY_URL names one or more servers. Servers are tried in the order
// given when connecting; a server that stops answering is replaced by the next
// one for the operations that follow (a read is tried once more there, a change
// never). Every request is bounded by the time limit.
#ifndef RAX_STANDINS_LDAP_DIRECTORY_H
#define RAX_STANDINS_LDAP_DIRECTORY_H

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ldap_connection.h"
#include "ldap_map.h"
#include "remote_directory.h"

namespace dirstore::ldap {

struct Server {
    std::string url;      // as given, for messages
    Endpoint endpoint;
    std::string rootDn;   // the directory's root: "[Root]"
};

struct Settings {
    std::vector<Server> servers;
    std::string bindDn;
    std::string password;
    int timeoutSeconds = 10;
    std::string error;    // why the settings cannot be used (then no server is tried)
};

// The settings from the environment: RAX_DIRECTORY_URL, RAX_DIRECTORY_BIND_DN,
// RAX_DIRECTORY_PASSWORD_FILE (the file's first line is the password) and
// RAX_DIRECTORY_TIMEOUT (seconds for connecting and for each request, 1 to 300).
using EnvironmentReader = std::function<std::string(const char *name)>;
using FileReader = std::function<bool(const std::string &path, std::string &text)>;
Settings SettingsFromEnvironment(const EnvironmentReader &env, const FileReader &readFile);
// The same for a server list, identity and password file the caller names (a host
// switch, a test control); the rest still comes from the environment.
Settings SettingsForServers(const std::string &url, const std::string &bindDn, const std::string &passwordFile,
                            const EnvironmentReader &env, const FileReader &readFile);

// "ldap://HOST[:PORT]/ROOT-DN [ldap://...]": space-separated; the DN may be
// %-escaped. False, with `error`, for anything else.
bool ParseServerList(std::string_view text, std::vector<Server> &servers, std::string &error);

// The library code for an LDAP result (one table for every operation).
int32_t LibraryCode(int ldapCode);

class LdapDirectory final : public RemoteDirectory {
public:
    using ConnectionFactory = std::function<std::unique_ptr<Connection>()>;
    using Reporter = std::function<void(const std::string &)>;

    LdapDirectory(Settings settings, ConnectionFactory factory, Reporter reporter);

    int32_t Connect() override;
    int32_t ReadObject(std::string_view name, Object &object) override;
    int32_t AttributeDefs(const std::vector<std::string> &names, std::vector<AttributeDef> &defs) override;
    int32_t WriteObject(const Object &before, const Object &after) override;
    int32_t ReadClass(std::string_view name, ClassDef &def) override;
    int32_t ReadAllClasses(std::vector<ClassDef> &defs) override;
    int32_t DefineAttribute(const AttributeDef &def) override;
    int32_t AddOptionalAttributes(std::string_view className, const std::vector<std::string> &attrs) override;
    int32_t Rights(std::string_view subject, std::string_view object, uint32_t &rights) override;
    int32_t Identity(std::string &name) override;
    int32_t FindObjectOfClass(std::string_view className, uint32_t index, std::string &name) override;
    int32_t ListObjects(std::vector<std::pair<std::string, std::string>> &objects) override;

private:
    struct Schema {
        bool loaded = false;
        std::map<std::string, AttributeTypeDesc> attributes;   // by lower-cased name and OID
        std::map<std::string, ObjectClassDesc> classes;
    };
    enum class Kind { Read, Write };

    // Runs `request` on a connected server with the fail-over rules; reports a failure.
    int32_t Run(Kind kind, const std::string &what, const std::function<Result(Connection &)> &request,
                int *ldapCode = nullptr);
    void Report(const std::string &what, const Result &result);
    bool Dn(std::string_view name, std::string &dn);
    int32_t LoadSchema(bool again);
    const AttributeTypeDesc *FindAttributeType(std::string_view ldapName) const;
    const ObjectClassDesc *FindObjectClass(std::string_view ldapName) const;
    bool ResolvedAttributeDef(const AttributeTypeDesc &desc, AttributeDef &def) const;
    int32_t ClassOf(std::string_view name, ClassDef &def) const;   // from the schema as read
    bool HasEquality(std::string_view ldapName) const;
    bool ClassAllows(const std::vector<std::string> &objectClasses, std::string_view ldapAttr) const;
    int32_t OwnSchemaEntry(std::string &dn, std::vector<std::string> &classValues);

    Settings settings_;
    ConnectionFactory factory_;
    Reporter reporter_;
    std::unique_ptr<Connection> connection_;
    size_t current_ = 0;    // the server in use, or the one to try first
    bool connected_ = false;
    Schema schema_;
    std::string subschemaDn_;
    // The object classes of the object read last, for writing it back.
    std::string lastDn_;
    std::vector<std::string> lastClasses_;
};

}  // namespace dirstore::ldap

#endif
