// One connection to an LDAP server, as the directory client's LDAP backend needs
// it: connect and bind with time limits, search, modify and add. Portable types
// only; implemented over wldap32 (ldap_connection_win32.cpp) and over libldap
// (ldap_connection_posix.cpp). Every call is bounded by the connection's time
// limit; none waits for ever on a server that does not answer.
#ifndef RAX_STANDINS_LDAP_CONNECTION_H
#define RAX_STANDINS_LDAP_CONNECTION_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dirstore::ldap {

using Bytes = std::vector<uint8_t>;

// Result codes: the protocol's own (RFC 4511), and the client-side ones with
// the numbers both client libraries give them on Windows.
enum ResultCode : int {
    kSuccess = 0,
    kNoSuchAttribute = 16,
    kUndefinedAttributeType = 17,
    kAttributeOrValueExists = 20,
    kInvalidAttributeSyntax = 21,
    kNoSuchObject = 32,
    kInvalidDnSyntax = 34,
    kInvalidCredentials = 49,
    kInsufficientAccess = 50,
    kBusy = 51,
    kUnavailable = 52,
    kUnwillingToPerform = 53,
    kObjectClassViolation = 65,
    kConstraintViolation = 19,
    kEntryAlreadyExists = 68,
    kServerDown = 81,
    kLocalError = 82,
    kTimeout = 85,
    kConnectError = 91,
    kNoMemory = 90,
};

struct Result {
    int code = kSuccess;
    std::string message;   // the server's diagnostic message, or the client library's text
    bool Ok() const { return code == kSuccess; }
};

struct EntryAttribute {
    std::string type;
    std::vector<Bytes> values;
};

struct Entry {
    std::string dn;
    std::vector<EntryAttribute> attributes;
};

enum class Scope { Base, OneLevel, Subtree };

struct Modification {
    enum Op { Add, Delete, Replace } op = Replace;
    std::string type;
    std::vector<Bytes> values;   // Delete with none removes the attribute
};

struct Endpoint {
    std::string host;
    int port = 389;
};

class Connection {
public:
    virtual ~Connection() = default;
    // Opens the connection and binds (simple bind; an empty DN binds anonymously).
    virtual Result Open(const Endpoint &server, const std::string &bindDn, const std::string &password,
                        int timeoutSeconds) = 0;
    virtual Result Search(const std::string &base, Scope scope, const std::string &filter,
                          const std::vector<std::string> &attributes, std::vector<Entry> &entries) = 0;
    virtual Result Modify(const std::string &dn, const std::vector<Modification> &changes) = 0;
    virtual Result Add(const std::string &dn, const std::vector<Modification> &attributes) = 0;
};

// The connection of this platform's client library.
std::unique_ptr<Connection> MakeConnection();

inline Bytes BytesOf(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

inline std::string TextOf(const Bytes &bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace dirstore::ldap

#endif
