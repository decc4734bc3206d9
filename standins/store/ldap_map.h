// How the directory maps onto an LDAP server: object names to distinguished
// names, class and attribute names to LDAP schema names, the schema elements we
// define (their OIDs and description texts), value texts, and LDIF. Portable;
// the rules are described in docs/directory-ldap.md.
#ifndef RAX_STANDINS_LDAP_MAP_H
#define RAX_STANDINS_LDAP_MAP_H

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store_model.h"

namespace dirstore::ldap {

// --- object names ---------------------------------------------------------

// "CN=Ann.OU=Sales.O=Kestrel" (leading '.' optional, "\." a dot inside a value,
// "\x" the character x) <-> "cn=Ann,ou=Sales,o=Kestrel" (RFC 4514 escaping).
// Types are lower-cased on the LDAP side and upper-cased on the way back. Both
// refuse (false) a malformed name, a multi-valued or hex-encoded component, and
// a name of more than 255 characters on either side.
bool DirNameToDn(std::string_view name, std::string &dn);
bool DnToDirName(std::string_view dn, std::string &name);

// --- class and attribute names --------------------------------------------

// The few names with a standard LDAP counterpart come from a table; every other
// name is an ASCII letter followed by letters, digits and single spaces and maps
// with each space as '-' ("Dravon Idle Timeout" <-> "Dravon-Idle-Timeout").
// Names outside that set, or that the rule would turn into a table's LDAP name or
// into an auxiliary class's name, are refused.
bool ElementToLdap(std::string_view dirName, std::string &ldapName);
bool LdapToElement(std::string_view ldapName, std::string &dirName);
// Whether the name is one of the table's classes (which the server defines).
bool IsStandardClass(std::string_view dirName);
bool IsStandardAttribute(std::string_view dirName);
// The auxiliary class that carries what we add to a standard class: "rax-user",
// "rax-organizational-unit". Empty for a name the rule refuses.
std::string AuxiliaryClassName(std::string_view dirClassName);

// OID of an element we define: kind 'a' attribute, 'c' class, 'x' auxiliary
// class (of the named directory class); under our own arc, from the CRC-32 of
// the lower-cased directory name, so every program computes the same one.
std::string ElementOid(char kind, std::string_view dirName);
bool IsOwnOid(std::string_view oid);

// --- syntaxes and values --------------------------------------------------

constexpr uint32_t kSyntaxCaseIgnoreString = 3;
// The LDAP syntax OID for a directory syntax id (texts other than the telephone
// number are Directory Strings) and back (a syntax we do not know holds a text).
std::string_view LdapSyntaxOf(uint32_t syntax);
uint32_t SyntaxOfLdap(std::string_view syntaxOid);
// A value as the server holds it: an integer as decimal text, everything else as
// its bytes. DirValue refuses an integer that is not a 32-bit decimal number.
std::string LdapValue(uint32_t syntax, const Bytes &value);
bool DirValue(uint32_t syntax, std::string_view ldapValue, Bytes &value);

// --- schema description texts (RFC 4512) ----------------------------------

struct Extension {
    std::string name;                  // "X-RAX-FLAGS"
    std::vector<std::string> values;
};

struct AttributeTypeDesc {
    std::string oid;
    std::vector<std::string> names;
    std::string desc;
    std::string sup;
    std::string equality;
    std::string syntax;                // without a length bound
    bool singleValue = false;
    std::vector<Extension> extensions;
};

enum class ClassKind { Structural, Auxiliary, Abstract };

struct ObjectClassDesc {
    std::string oid;
    std::vector<std::string> names;
    std::string desc;
    std::vector<std::string> sup;
    ClassKind kind = ClassKind::Structural;
    std::vector<std::string> must;
    std::vector<std::string> may;
    std::vector<Extension> extensions;
};

// The description of an attribute we define:
// ( oid NAME 'Dravon-Idle-Timeout' DESC 'Dravon Idle Timeout' EQUALITY integerMatch
//   SYNTAX 1.3.6.1.4.1.1466.115.121.1.27 SINGLE-VALUE X-RAX-FLAGS '0x41' )
// Empty when the name cannot be mapped.
std::string AttributeTypeText(const AttributeDef &def);
// A class we define (STRUCTURAL, named by the rule) or, for a standard class, its
// auxiliary class holding the attributes we add (MAY); what LDAP has no place for
// (containment, naming, flags, the standard class's own lists) rides in X-RAX-
// extensions. Empty when a name cannot be mapped.
std::string ObjectClassText(const ClassDef &def);

bool ParseAttributeTypeText(std::string_view text, AttributeTypeDesc &desc);
bool ParseObjectClassText(std::string_view text, ObjectClassDesc &desc);
const Extension *FindExtension(const std::vector<Extension> &extensions, std::string_view name);

// The directory's definitions from the server's descriptions. For an element we
// define the name is its DESC; for others the table or the rule. The syntax is
// the description's own (resolve SUP before calling). A class description of an
// auxiliary class gives the standard class it extends (its MAY as optional
// names). Names that cannot be mapped back are left out of the lists.
bool AttributeDefOf(const AttributeTypeDesc &desc, AttributeDef &def);
bool ClassDefOf(const ObjectClassDesc &desc, ClassDef &def);
// For an auxiliary class we define: the directory class it extends.
bool ExtendedClassOf(const ObjectClassDesc &desc, std::string &dirClassName);

// --- LDIF (RFC 2849): content records -------------------------------------

struct LdifRecord {
    std::string dn;
    std::vector<std::pair<std::string, std::string>> values;   // attribute, value; in order
};

// One record: "dn:" line, then a line per value; base64 where a value is not
// safe; lines folded at 76 columns; ends with a blank line.
std::string LdifText(const LdifRecord &record);
// Reads content records (comments, folded lines, "::" base64, a "version:" line);
// refuses change records and "<" URLs. `line` is the line at fault.
bool ParseLdif(std::string_view text, std::vector<LdifRecord> &records, size_t &line, std::string &message);

}  // namespace dirstore::ldap

#endif
