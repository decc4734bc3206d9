// The embedded directory store as what an LDAP server is seeded with, and back:
// entries, the schema entry of the configuration tree, access rules and the
// identities that bind. The rules are described in docs/directory-ldap.md.
#ifndef RAX_TOOLS_STORE_LDIF_H
#define RAX_TOOLS_STORE_LDIF_H

#include <map>
#include <string>
#include <vector>

#include "ldap_map.h"
#include "store_model.h"

namespace storeldif {

struct Identity {
    std::string name;           // directory name
    std::string dn;
    std::string passwordFile;   // file name (no folder), unique per identity
};

// The identities of a store: the logged-in one, then every subject of its rights.
bool Identities(const dirstore::Store &store, std::vector<Identity> &identities, std::string &error);

struct LdifParts {
    std::string suffix;                        // DN of the one top-level object
    std::string entries;                       // LDIF content records, parents first
    std::string schema;                        // the record of cn=rax,cn=schema,cn=config
    std::vector<std::string> dataAccess;       // olcAccess values of the database
    std::vector<std::string> configAccess;     // olcAccess values of the configuration database
};

// `passwordHashes`: userPassword value by identity DN (as Identities gives it).
bool StoreToLdif(const dirstore::Store &store, const std::map<std::string, std::string> &passwordHashes,
                 LdifParts &parts, std::string &error);

// From records as slapcat or ldapsearch print them: the database's configuration
// entry (olcSuffix, olcAccess) gives the rights, our schema entry (or the
// subschema entry) the schema, every other entry below the suffix an object.
// `identity` is the store's logged-in identity; empty: the first identity with
// supervisor rights on [Root]. Attributes the schema does not define are skipped
// and named in `notes`.
bool LdifToStore(const std::vector<dirstore::ldap::LdifRecord> &records, const std::string &identity,
                 dirstore::Store &store, std::string &error, std::vector<std::string> &notes);

}  // namespace storeldif

#endif
