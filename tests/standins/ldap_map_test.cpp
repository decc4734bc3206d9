// The mapping of the directory onto an LDAP server: names both ways, the
// schema description texts (ours read back, the server's standard ones read),
// values and LDIF.
#include <gtest/gtest.h>

#include <string>

#include "ldap_map.h"

namespace {

using namespace dirstore;
using namespace dirstore::ldap;

struct NamePair {
    const char *dir;
    const char *dn;
};

class ObjectNames : public testing::TestWithParam<NamePair> {};

TEST_P(ObjectNames, MapBothWays)
{
    std::string dn, name;
    ASSERT_TRUE(DirNameToDn(GetParam().dir, dn));
    EXPECT_EQ(GetParam().dn, dn);
    ASSERT_TRUE(DnToDirName(dn, name));
    EXPECT_EQ(GetParam().dir, name);
}

INSTANTIATE_TEST_SUITE_P(
    Escaping, ObjectNames,
    testing::Values(NamePair{"CN=Ann.OU=Sales.O=Kestrel", "cn=Ann,ou=Sales,o=Kestrel"},
                    NamePair{"O=Kestrel", "o=Kestrel"},
                    NamePair{"CN=J\\. Smith.O=K", "cn=J. Smith,o=K"},
                    NamePair{"CN=a\\\\b.O=K", "cn=a\\\\b,o=K"},
                    NamePair{"CN=Smith, Ann+1;x.O=K", "cn=Smith\\, Ann\\+1\\;x,o=K"},
                    NamePair{"CN=<a=b> \"q\".O=K", "cn=\\<a\\=b\\> \\\"q\\\",o=K"},
                    NamePair{"CN=#1 .O=K", "cn=\\#1\\ ,o=K"},
                    NamePair{"CN= lead.O=K", "cn=\\ lead,o=K"},
                    NamePair{"CN=caf\xC3\xA9.O=K", "cn=caf\xC3\xA9,o=K"}));

TEST(ObjectNameForms, AreReadInEveryForm)
{
    std::string out;
    ASSERT_TRUE(DirNameToDn(".CN=Ann.O=Kestrel", out)) << "leading dot";
    EXPECT_EQ("cn=Ann,o=Kestrel", out);
    ASSERT_TRUE(DnToDirName("CN = Ann , O=Kestrel", out)) << "blanks around separators";
    EXPECT_EQ("CN=Ann.O=Kestrel", out);
    ASSERT_TRUE(DnToDirName("cn=\\41nn\\2c x,o=K", out)) << "hex pairs";
    EXPECT_EQ("CN=Ann, x.O=K", out);
}

TEST(ObjectNameForms, RefuseWhatDoesNotMap)
{
    std::string out = "untouched";
    for (const char *dir :
         {"", ".", "Ann", "CN=", "CN=Ann.", "CN=Ann..O=K", "=Ann", "C N=Ann", "CN=Ann\\", "CN=a\x01"})
        EXPECT_FALSE(DirNameToDn(dir, out)) << dir;
    for (const char *dn : {"", "cn", "cn=", "cn=a+sn=b,o=K", "cn=#04024869,o=K", "cn=a,", "1.2=a", "cn=a\\00b",
                           "cn=a\\", "cn=a\\01"})
        EXPECT_FALSE(DnToDirName(dn, out)) << dn;
    EXPECT_EQ("untouched", out);
    EXPECT_TRUE(DirNameToDn("CN=" + std::string(252, 'a'), out)) << "255 characters";
    EXPECT_FALSE(DirNameToDn("CN=" + std::string(253, 'a'), out)) << "256 characters";
    EXPECT_FALSE(DirNameToDn("CN=" + std::string(240, ','), out)) << "fits as a name, too long as a DN";
    EXPECT_FALSE(DnToDirName("cn=" + std::string(130, '.') + ",o=K", out)) << "fits as a DN, too long as a name";
}

struct ElementPair {
    const char *dir;
    const char *ldap;
};

class ElementNames : public testing::TestWithParam<ElementPair> {};

TEST_P(ElementNames, MapBothWays)
{
    std::string ldapName, dirName;
    ASSERT_TRUE(ElementToLdap(GetParam().dir, ldapName));
    EXPECT_EQ(GetParam().ldap, ldapName);
    ASSERT_TRUE(LdapToElement(ldapName, dirName));
    EXPECT_EQ(GetParam().dir, dirName);
}

INSTANTIATE_TEST_SUITE_P(
    TableAndRule, ElementNames,
    testing::Values(ElementPair{"user", "inetOrgPerson"}, ElementPair{"organizational unit", "organizationalUnit"},
                    ElementPair{"Top", "top"}, ElementPair{"Surname", "sn"}, ElementPair{"CN", "cn"},
                    ElementPair{"Dravon Idle Timeout", "Dravon-Idle-Timeout"},
                    ElementPair{"Dravon DialbackFlag", "Dravon-DialbackFlag"},
                    ElementPair{"Dravon Server", "Dravon-Server"},
                    ElementPair{"Password Minimum Length", "Password-Minimum-Length"}));

TEST(ElementNameForms, AliasesAndCaseReadBack)
{
    std::string out;
    for (auto [ldapName, dirName] : {std::pair{"commonName", "CN"}, std::pair{"SURNAME", "Surname"},
                                     std::pair{"INETORGPERSON", "user"}, std::pair{"countryName", "C"}}) {
        ASSERT_TRUE(LdapToElement(ldapName, out)) << ldapName;
        EXPECT_EQ(dirName, out);
    }
}

TEST(ElementNameForms, RefuseWhatWouldNotComeBack)
{
    std::string out = "untouched";
    for (const char *dir : {"", "Dravon  Idle", "Dravon Idle ", " Dravon", "1Dravon", "Dravon-Idle", "Dravon_Idle",
                            "sn", "inetOrgPerson", "rax user"})
        EXPECT_FALSE(ElementToLdap(dir, out)) << dir;
    for (const char *ldap : {"", "a--b", "a-", "-a", "a b", "user", "rax-user", "a_b"})
        EXPECT_FALSE(LdapToElement(ldap, out)) << ldap;
    EXPECT_EQ("untouched", out);
    EXPECT_EQ("rax-organizational-unit", AuxiliaryClassName("organizational unit"));
    EXPECT_EQ("rax-user", AuxiliaryClassName("User"));
}

TEST(ElementOids, AreOursStableAndDistinct)
{
    std::string attr = ElementOid('a', "Dravon Idle Timeout");
    EXPECT_EQ(attr, ElementOid('a', "DRAVON idle timeout")) << "the name's case does not count";
    EXPECT_NE(attr, ElementOid('c', "Dravon Idle Timeout"));
    EXPECT_NE(attr, ElementOid('a', "Dravon IP Filters"));
    EXPECT_NE(ElementOid('c', "user"), ElementOid('x', "user"));
    EXPECT_TRUE(IsOwnOid(attr));
    EXPECT_FALSE(IsOwnOid("2.5.4.3"));
    EXPECT_EQ("", ElementOid('q', "user"));
    // The OID is part of what servers already hold: it must never change.
    EXPECT_EQ("2.25.80642108135273820077733820468764317663.1.", attr.substr(0, attr.rfind('.') + 1));
}

class AttributeTexts : public testing::TestWithParam<AttributeDef> {};

TEST_P(AttributeTexts, ReadBackAsWritten)
{
    std::string text = AttributeTypeText(GetParam());
    AttributeTypeDesc desc;
    ASSERT_TRUE(ParseAttributeTypeText(text, desc)) << text;
    EXPECT_EQ(ElementOid('a', GetParam().name), desc.oid);
    EXPECT_EQ(GetParam().syntax == kSyntaxInteger || GetParam().syntax == kSyntaxOctetString ||
                  GetParam().syntax == kSyntaxTelephoneNumber || GetParam().syntax == 3,
              SyntaxOfLdap(desc.syntax) == GetParam().syntax)
        << text;
    EXPECT_EQ((GetParam().flags & 1) != 0, desc.singleValue);
    AttributeDef back;
    ASSERT_TRUE(AttributeDefOf(desc, back));
    EXPECT_EQ(GetParam().name, back.name);
    EXPECT_EQ(GetParam().syntax, back.syntax);
    EXPECT_EQ(GetParam().flags, back.flags);
}

INSTANTIATE_TEST_SUITE_P(EverySyntax, AttributeTexts,
                         testing::Values(AttributeDef{"Dravon Idle Timeout", kSyntaxInteger, 0x41},
                                         AttributeDef{"Dravon ARAS Zone", kSyntaxOctetString, 0x40},
                                         AttributeDef{"Dravon DialbackNumber", kSyntaxTelephoneNumber, 0x41},
                                         AttributeDef{"Home Town", 3, 0},
                                         AttributeDef{"Odd Syntax", 27, 0x1}));

TEST(AttributeTexts, NamesItByTheRuleWithTheDirectoryNameInDesc)
{
    EXPECT_EQ("( " + ElementOid('a', "Dravon Idle Timeout") +
                  " NAME 'Dravon-Idle-Timeout' DESC 'Dravon Idle Timeout' EQUALITY integerMatch"
                  " SYNTAX 1.3.6.1.4.1.1466.115.121.1.27 SINGLE-VALUE X-RAX-FLAGS '0x41' )",
              AttributeTypeText({"Dravon Idle Timeout", kSyntaxInteger, 0x41}));
    EXPECT_EQ("", AttributeTypeText({"Bad_Name", kSyntaxInteger, 0}));
}

TEST(AttributeTexts, ServerDescriptionsAreRead)
{
    AttributeTypeDesc desc;
    ASSERT_TRUE(ParseAttributeTypeText(
        "{3}( 2.5.4.3 NAME ( 'cn' 'commonName' ) DESC 'RFC4519: common name(s) for which the entity is known by' "
        "SUP name )",
        desc));
    EXPECT_EQ("2.5.4.3", desc.oid);
    EXPECT_EQ((std::vector<std::string>{"cn", "commonName"}), desc.names);
    EXPECT_EQ("name", desc.sup);
    ASSERT_TRUE(ParseAttributeTypeText("( 2.5.4.6 NAME ( 'c' 'countryName' ) DESC 'a \\27q\\5C' SUP name "
                                       "SYNTAX 1.3.6.1.4.1.1466.115.121.1.11{2} SINGLE-VALUE )",
                                       desc));
    EXPECT_EQ("1.3.6.1.4.1.1466.115.121.1.11", desc.syntax);
    AttributeDef def;
    ASSERT_TRUE(AttributeDefOf(desc, def));
    EXPECT_EQ("C", def.name);
    EXPECT_EQ(3u, def.syntax);
    EXPECT_EQ(1u, def.flags);
    for (const char *bad : {"", "(", "( 1.2 NAME", "2.5 NAME 'a' )", "( 1.2 DESC 'open )", "( 1.2 DESC '\\2' )",
                            "( 1.2 NAME 'a' ) x"})
        EXPECT_FALSE(ParseAttributeTypeText(bad, desc)) << bad;
}

ClassDef Class(std::string name, std::vector<std::string> sup, std::vector<std::string> contain,
               std::vector<std::string> naming, std::vector<std::string> must, std::vector<std::string> may)
{
    ClassDef def;
    def.name = std::move(name);
    def.lists = {std::move(sup), std::move(contain), std::move(naming), std::move(must), std::move(may)};
    return def;
}

class ClassTexts : public testing::TestWithParam<ClassDef> {};

TEST_P(ClassTexts, ReadBackAsWritten)
{
    std::string text = ObjectClassText(GetParam());
    ObjectClassDesc desc;
    ASSERT_TRUE(ParseObjectClassText(text, desc)) << text;
    ClassDef back;
    ASSERT_TRUE(ClassDefOf(desc, back)) << text;
    EXPECT_EQ(GetParam().name, back.name);
    EXPECT_EQ(GetParam().flags, back.flags);
    for (size_t list = 0; list < kClassListCount; ++list)
        EXPECT_EQ(GetParam().lists[list], back.lists[list]) << "list " << list << " of " << text;
}

INSTANTIATE_TEST_SUITE_P(
    OwnAndExtended, ClassTexts,
    testing::Values(Class("Dravon Server", {"Top"}, {"organization", "organizational unit"}, {"CN"}, {"CN"},
                          {"Description", "L"}),
                    Class("user", {"Top"}, {"organization", "[Root]"}, {"CN"}, {"CN", "Surname"},
                          {"Description", "L", "Password Minimum Length", "Dravon Idle Timeout"}),
                    Class("country", {}, {}, {}, {}, {}), Class("Top", {}, {}, {}, {}, {}),
                    Class("Gateway", {"Dravon Server"}, {}, {}, {}, {"Dravon IP Filters"})));

TEST(ClassTexts, StandardClassesBecomeAuxiliaryClasses)
{
    ClassDef user = Class("user", {"Top"}, {}, {"CN"}, {}, {"Description", "Dravon Idle Timeout", "Dravon IP Filters"});
    ObjectClassDesc desc;
    ASSERT_TRUE(ParseObjectClassText(ObjectClassText(user), desc));
    EXPECT_EQ(ClassKind::Auxiliary, desc.kind);
    EXPECT_EQ(ElementOid('x', "user"), desc.oid);
    EXPECT_EQ(std::vector<std::string>{"rax-user"}, desc.names);
    EXPECT_EQ((std::vector<std::string>{"Dravon-Idle-Timeout", "Dravon-IP-Filters"}), desc.may);
    std::string extended;
    ASSERT_TRUE(ExtendedClassOf(desc, extended));
    EXPECT_EQ("user", extended);
    EXPECT_EQ("", ObjectClassText(Class("Bad_Class", {}, {}, {}, {}, {})));
    EXPECT_EQ("", ObjectClassText(Class("user", {}, {}, {}, {}, {"Bad_Attribute"})));
}

TEST(ClassTexts, ServerClassesReadWithMappedNames)
{
    ObjectClassDesc desc;
    ASSERT_TRUE(ParseObjectClassText("( 2.16.840.1.113730.3.2.2 NAME 'inetOrgPerson' DESC 'RFC2798' "
                                     "SUP organizationalPerson STRUCTURAL MAY ( audio $ businessCategory $ o ) )",
                                     desc));
    ClassDef def;
    ASSERT_TRUE(ClassDefOf(desc, def));
    EXPECT_EQ("user", def.name);
    EXPECT_EQ(std::vector<std::string>{"organizationalPerson"}, def.lists[kSuperClasses]);
    EXPECT_EQ((std::vector<std::string>{"audio", "businessCategory", "O"}), def.lists[kOptional]);
}

TEST(Values, IntegersAreDecimalTextOthersTheirBytes)
{
    EXPECT_EQ("-1", LdapValue(kSyntaxInteger, IntegerBytes(-1)));
    Bytes binary{0, 0xFF, '\n', 1};
    EXPECT_EQ(std::string("\0\xFF\n\1", 4), LdapValue(kSyntaxOctetString, binary));
    Bytes back;
    ASSERT_TRUE(DirValue(kSyntaxInteger, "-2147483648", back));
    EXPECT_EQ(INT32_MIN, IntegerOf(back));
    ASSERT_TRUE(DirValue(kSyntaxOctetString, std::string("\0\xFF\n\1", 4), back));
    EXPECT_EQ(binary, back);
    for (const char *bad : {"", "2147483648", "1.5", "+1", "0x10", " 1"})
        EXPECT_FALSE(DirValue(kSyntaxInteger, bad, back)) << bad;
    EXPECT_FALSE(DirValue(kSyntaxTelephoneNumber, std::string("5\0", 2), back));
}

TEST(Ldif, WrittenRecordsReadBack)
{
    LdifRecord record{"cn=Ann,o=K",
                      {{"objectClass", "inetOrgPerson"},
                       {"description", " leading blank"},
                       {"Dravon-IP-Profile", std::string("\0\x80\r\n", 4)},
                       {"description", std::string(200, 'x')},
                       {"l", ""},
                       {"sn", "caf\xC3\xA9"}}};
    std::string text = LdifText(record) + LdifText({"o=K", {{"o", "K"}}});
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 76u) << "lines are folded";
    EXPECT_NE(std::string::npos, text.find("\ndescription:: IGxlYWRpbmcgYmxhbms=\n"));
    std::vector<LdifRecord> records;
    size_t line = 0;
    std::string message;
    ASSERT_TRUE(ParseLdif("version: 1\n" + text, records, line, message)) << line << ": " << message;
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(record.dn, records[0].dn);
    EXPECT_EQ(record.values, records[0].values);
}

TEST(Ldif, SearchOutputIsReadAndChangeRecordsRefused)
{
    const char *search = "# extended LDIF\n#\n# LDAPv3\n# base <o=K> with scope subtree\n"
                         "#  a folded\n  comment\n\n# K\ndn: o=K\r\nobjectClass: organization\r\no: K\r\n\r\n"
                         "# search result\nsearch: 2\nresult: 0 Success\n\n# numResponses: 2\n";
    std::vector<LdifRecord> records;
    size_t line = 0;
    std::string message;
    ASSERT_TRUE(ParseLdif(search, records, line, message)) << line << ": " << message;
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("o=K", records[0].dn);
    EXPECT_EQ(2u, records[0].values.size());
    struct Bad {
        const char *text;
        size_t line;
    };
    for (Bad bad : {Bad{"dn: o=K\nchangetype: modify\n", 2}, Bad{"dn: o=K\njpegPhoto:< file:///x\n", 2},
                    Bad{"o: K\n", 1}, Bad{"dn: o=K\n\n dangling\n", 3}, Bad{"dn: o=K\no:: ***\n", 2},
                    Bad{"dn: o=K\nnocolon\n", 2}}) {
        records.clear();
        EXPECT_FALSE(ParseLdif(bad.text, records, line, message)) << bad.text;
        EXPECT_EQ(bad.line, line) << bad.text;
        EXPECT_TRUE(records.empty());
    }
}

}  // namespace
