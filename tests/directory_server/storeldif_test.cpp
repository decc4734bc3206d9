// The store to LDIF and back: the samples and a store with escaped names, odd
// syntaxes and nested rights come back as they were; what a server database
// cannot hold is refused with the reason.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "passwords.h"
#include "store_ldif.h"
#include "store_text.h"

namespace {

using dirstore::ldap::LdifRecord;

dirstore::Store Parse(const std::string &text)
{
    dirstore::Store store;
    dirstore::ParseError error;
    EXPECT_TRUE(dirstore::ParseStoreText(text, store, error)) << error.line << ": " << error.message;
    return store;
}

std::string ReadSample(const std::string &name)
{
    std::ifstream in(std::string(RAX_SAMPLE_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<LdifRecord> Records(const std::string &text)
{
    std::vector<LdifRecord> records;
    size_t line = 0;
    std::string message;
    EXPECT_TRUE(dirstore::ldap::ParseLdif(text, records, line, message)) << line << ": " << message;
    return records;
}

// The records a server started from the parts would give back.
std::vector<LdifRecord> AsServed(const storeldif::LdifParts &parts)
{
    std::vector<LdifRecord> records = Records(parts.schema);
    LdifRecord database{"olcDatabase={1}mdb,cn=config", {{"olcSuffix", parts.suffix}}};
    for (size_t i = 0; i < parts.dataAccess.size(); ++i)
        database.values.emplace_back("olcAccess", "{" + std::to_string(i) + "}" + parts.dataAccess[i]);
    records.push_back(database);
    for (auto &record : Records(parts.entries))
        records.push_back(std::move(record));
    return records;
}

const char kNested[] =
    "version: 1\nidentity: CN=Boss.O=K\n\n"
    "attributetype: CN\nsyntax: syntax-3\n\nattributetype: Surname\nsyntax: syntax-3\n\n"
    "attributetype: O\nsyntax: syntax-3\n\nattributetype: OU\nsyntax: syntax-3\n\n"
    "attributetype: Home Phone\nsyntax: telephone\n\nattributetype: Odd Text\nsyntax: syntax-27\nflags: 0x1\n\n"
    "objectclass: organization\nnaming: O\nmandatory: O\noptional: Home Phone\n\n"
    "objectclass: organizational unit\nnaming: OU\nmandatory: OU\n\n"
    "objectclass: user\ncontainment: [Root]\nnaming: CN\nmandatory: CN\nmandatory: Surname\noptional: Odd Text\n\n"
    "objectclass: Gate Way\nsuperclass: Top\nnaming: CN\nmandatory: CN\noptional: Odd Text\n\n"
    "object: O=K\nclass: organization\nattribute: O\nsyntax-3: K\nattribute: Home Phone\ntelephone: +1 555\n\n"
    "object: OU=A\\.B.O=K\nclass: organizational unit\nattribute: OU\nsyntax-3: A.B\n\n"
    "object: CN=Boss.O=K\nclass: user\nattribute: CN\nsyntax-3: Boss\nattribute: Surname\nsyntax-3::IGxlYWQ=\n"
    "attribute: Odd Text\nsyntax-27: x\n\n"
    "object: CN=G, 1.OU=A\\.B.O=K\nclass: Gate Way\nattribute: CN\nsyntax-3: G, 1\n\n"
    "rights: CN=Boss.O=K\ngrant: 0x20 [Root]\n\n"
    "rights: CN=Reader.O=K\ngrant: 0x3 [Root]\ngrant: 0x6 OU=A\\.B.O=K\n";

class RoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(RoundTrip, GivesTheSameStoreBack)
{
    std::string text = GetParam().find('\n') == std::string::npos ? ReadSample(GetParam()) : GetParam();
    dirstore::Store store = Parse(text);
    storeldif::LdifParts parts;
    std::string error;
    ASSERT_TRUE(storeldif::StoreToLdif(store, {}, parts, error)) << error;
    dirstore::Store back;
    std::vector<std::string> notes;
    ASSERT_TRUE(storeldif::LdifToStore(AsServed(parts), "", back, error, notes)) << error;
    EXPECT_TRUE(notes.empty()) << notes.front();
    EXPECT_EQ(dirstore::PrintStoreText(store), dirstore::PrintStoreText(back));
}

INSTANTIATE_TEST_SUITE_P(Stores, RoundTrip, testing::Values("kestrel.ldif", "kestrel-fresh.ldif", kNested));

TEST(StoreToLdif, SeedsWhatTheServerNeeds)
{
    dirstore::Store store = Parse(ReadSample("kestrel.ldif"));
    std::vector<storeldif::Identity> identities;
    std::string error;
    ASSERT_TRUE(storeldif::Identities(store, identities, error));
    ASSERT_EQ(3u, identities.size());
    EXPECT_EQ("cn=Admin,o=Kestrel", identities[0].dn) << "the logged-in identity comes first";
    storeldif::LdifParts parts;
    ASSERT_TRUE(storeldif::StoreToLdif(store, {{"cn=Bob,ou=Sales,o=Kestrel", "{SSHA}x"}}, parts, error));
    EXPECT_EQ("o=Kestrel", parts.suffix);
    EXPECT_NE(std::string::npos, parts.entries.find("cn=Bob,ou=Sales,o=Kestrel\nobjectClass: inetOrgPerson\n"
                                                    "objectClass: rax-user\n"))
        << "an entry holding attributes we add carries the auxiliary class";
    EXPECT_NE(std::string::npos, parts.entries.find("userPassword: {SSHA}x\n"));
    EXPECT_EQ(1u, parts.configAccess.size());
    EXPECT_NE(std::string::npos, parts.configAccess[0].find("cn=Admin,o=Kestrel\" manage"))
        << "supervisor on [Root] may change the schema";
    EXPECT_EQ(std::string::npos, parts.configAccess[0].find("Bob"));
}

TEST(StoreToLdif, PutsContainersFirstAndNamesEveryEntryByItsValue)
{
    dirstore::Store store = Parse("version: 1\n\nobject: CN=Ann.O=K\nclass: user\nattribute: Surname\n"
                                  "syntax-3: A\n\nobject: O=K\nclass: organization\n");
    storeldif::LdifParts parts;
    std::string error;
    ASSERT_TRUE(storeldif::StoreToLdif(store, {}, parts, error)) << error;
    EXPECT_EQ("dn: o=K\nobjectClass: organization\no: K\n\ndn: cn=Ann,o=K\nobjectClass: inetOrgPerson\nsn: A\n"
              "cn: Ann\n\n",
              parts.entries);
}

TEST(StoreToLdif, RefusesWhatAServerDatabaseCannotHold)
{
    struct Bad {
        const char *store;
        const char *why;
    };
    for (Bad bad : {Bad{"version: 1\n\nobject: O=A\nclass: organization\n\nobject: O=B\nclass: organization\n",
                        "more than one top-level object"},
                    Bad{"version: 1\n\nobject: O=A\nclass: Widget\n", "class \"Widget\""},
                    Bad{"version: 1\n\nobject: O=A\nclass: organization\nattribute: Bad_Name\nsyntax-3: x\n",
                        "\"Bad_Name\""},
                    Bad{"version: 1\n\nobjectclass: A\nsuperclass: B\n\nobjectclass: B\nsuperclass: A\n\n"
                        "object: O=A\nclass: organization\n",
                        "loop"},
                    Bad{"version: 1\n\nobject: O=A\nclass: organization\n\nrights: CN=\"Q\".O=A\ngrant: 0x2 [Root]\n",
                        "quotation mark"}}) {
        storeldif::LdifParts parts;
        std::string error;
        EXPECT_FALSE(storeldif::StoreToLdif(Parse(bad.store), {}, parts, error)) << bad.store;
        EXPECT_NE(std::string::npos, error.find(bad.why)) << error;
    }
}

TEST(Identities, GetDistinctPasswordFiles)
{
    dirstore::Store store = Parse("version: 1\nidentity: CN=Bob.O=K\n\nrights: CN=Bob.OU=X.O=K\ngrant: 0x3 [Root]\n\n"
                                  "rights: CN=bob.O=K\ngrant: 0x3 [Root]\n\n"
                                  "rights: CN=B\\.o b.O=K\ngrant: 0x3 [Root]\n");
    std::vector<storeldif::Identity> identities;
    std::string error;
    ASSERT_TRUE(storeldif::Identities(store, identities, error)) << error;
    ASSERT_EQ(3u, identities.size()) << "names differing in case are one identity";
    EXPECT_EQ("bob.pw", identities[0].passwordFile);
    EXPECT_EQ("bob-2.pw", identities[1].passwordFile);
    EXPECT_EQ("b_o_b.pw", identities[2].passwordFile);
}

TEST(LdifToStore, SkipsWhatTheSchemaDoesNotDefine)
{
    std::vector<LdifRecord> records = Records(
        "dn: o=K\nobjectClass: top\nobjectClass: organization\no: K\nentryUUID: 1\nuserPassword: x\n"
        "description: a\ndescription: b\n"
        "telephoneNumber: 1\n\n");
    dirstore::Store store;
    std::string error;
    std::vector<std::string> notes;
    ASSERT_TRUE(storeldif::LdifToStore(records, "CN=Me.O=K", store, error, notes)) << error;
    EXPECT_EQ("CN=Me.O=K", store.identity);
    ASSERT_EQ(1u, store.objects.size());
    EXPECT_EQ("organization", store.objects[0].className);
    ASSERT_EQ(2u, store.objects[0].attributes.size()) << "standard attributes are read without a schema";
    EXPECT_EQ(2u, store.objects[0].attributes[1].values.size());
    ASSERT_EQ(1u, notes.size()) << "operational attributes and passwords are left out silently";
    EXPECT_NE(std::string::npos, notes[0].find("telephoneNumber"));
    EXPECT_FALSE(storeldif::LdifToStore(Records("dn: o=K\nobjectClass: top\n\n"), "", store, error, notes));
    EXPECT_NE(std::string::npos, error.find("no class"));
}

std::string Hex(const std::string &bytes)
{
    std::string out;
    char buf[3];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02x", c);
        out += buf;
    }
    return out;
}

TEST(Passwords, HashedAsTheServerChecksThem)
{
    EXPECT_EQ("da39a3ee5e6b4b0d3255bfef95601890afd80709", Hex(storeldif::Sha1("")));
    EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", Hex(storeldif::Sha1("abc")));
    EXPECT_EQ("84983e441c3bd26ebaae4aa1f95129e5e54670f1",
              Hex(storeldif::Sha1("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")))
        << "a message that needs a second block for its length";
    EXPECT_EQ("{SSHA}9DgilxbKtDVpSW86NjCzcnUkuBtzYWx0", storeldif::SaltedSha1("test", "salt"));
}

TEST(Passwords, FilesAreMadePrivateAndReadBack)
{
    std::string path = testing::TempDir() + "storeldif-password-" + std::to_string(::getpid());
    std::remove(path.c_str());
    std::string made, read;
    ASSERT_TRUE(storeldif::PasswordOfFile(path, made));
    EXPECT_EQ(24u, made.size());
    struct stat info {};
    ASSERT_EQ(0, ::stat(path.c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777u);
    std::ofstream(path, std::ios::app) << "\n";
    ASSERT_TRUE(storeldif::PasswordOfFile(path, read));
    EXPECT_EQ(made, read) << "a trailing line end is not part of the password";
    std::remove(path.c_str());
}

}  // namespace
