// The store file's text: what it reads, what it refuses (with the line), and
// that printing and reading back give the same store.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "base64.h"
#include "store_model.h"
#include "store_text.h"

namespace {

using dirstore::ParseError;
using dirstore::Store;

const char kSample[] =
    "# a comment\n"
    "version: 1\n"
    "identity: CN=Admin.O=Kestrel\n"
    "\n"
    "attributetype: Dravon Idle Timeout\n"
    "syntax: integer\n"
    "flags: 0x41\n"
    "\n"
    "objectclass: user\n"
    "superclass: Top\n"
    "containment: organizational unit\n"
    "naming: CN\n"
    "mandatory: Surname\n"
    "optional: Dravon Idle Timeout\n"
    "optional: Password Minimum Length\n"
    "\n"
    "object: CN=Ann.OU=Sales.O=Kestrel\n"
    "class: user\n"
    "attribute: Dravon Idle Timeout\n"
    "integer: -1\n"
    "attribute: Dravon ARAS Zone\n"
    "octets:: Wm9uZSBBAA==\n"
    "octets: plain bytes\n"
    "attribute: Dravon DialbackNumber\n"
    "telephone: 555-0100\n"
    "\n"
    "rights: CN=Admin.O=Kestrel\n"
    "grant: 0x20 [Root]\n"
    "grant: 0x6 OU=Sales.O=Kestrel\n";

Store Parse(const std::string &text)
{
    Store store;
    ParseError error;
    EXPECT_TRUE(dirstore::ParseStoreText(text, store, error)) << "line " << error.line << ": " << error.message;
    return store;
}

ParseError ParseFails(const std::string &text)
{
    Store store;
    store.identity = "untouched";
    ParseError error;
    EXPECT_FALSE(dirstore::ParseStoreText(text, store, error)) << text;
    EXPECT_EQ("untouched", store.identity) << "a refused text must leave the store alone";
    return error;
}

TEST(StoreText, ReadsEveryKindOfRecord)
{
    Store store = Parse(kSample);
    EXPECT_EQ("CN=Admin.O=Kestrel", store.identity);
    ASSERT_EQ(1u, store.attributeDefs.size());
    EXPECT_EQ(8u, store.attributeDefs[0].syntax);
    EXPECT_EQ(0x41u, store.attributeDefs[0].flags);
    ASSERT_EQ(1u, store.classDefs.size());
    EXPECT_EQ((std::vector<std::string>{"Dravon Idle Timeout", "Password Minimum Length"}),
              store.classDefs[0].lists[dirstore::kOptional]);
    ASSERT_EQ(1u, store.objects.size());
    const auto &ann = store.objects[0];
    ASSERT_EQ(3u, ann.attributes.size());
    EXPECT_EQ(-1, dirstore::IntegerOf(ann.attributes[0].values[0]));
    EXPECT_EQ(std::string("Zone A", 7), std::string(ann.attributes[1].values[0].begin(), ann.attributes[1].values[0].end()));
    EXPECT_EQ("plain bytes", std::string(ann.attributes[1].values[1].begin(), ann.attributes[1].values[1].end()));
    EXPECT_EQ(10u, ann.attributes[2].syntax);
    ASSERT_EQ(2u, store.grants.size());
    EXPECT_EQ(0x6u, store.grants[1].rights);
    EXPECT_EQ("OU=Sales.O=Kestrel", store.grants[1].object);
}

TEST(StoreText, PrintedTextReadsBackToTheSameStore)
{
    Store store = Parse(kSample);
    std::string printed = dirstore::PrintStoreText(store);
    Store again = Parse(printed);
    EXPECT_EQ(printed, dirstore::PrintStoreText(again));
    // Binary values and names that are not plain text go out in base64.
    EXPECT_NE(std::string::npos, printed.find("octets:: Wm9uZSBBAA==\n"));
    EXPECT_NE(std::string::npos, printed.find("octets: plain bytes\n"));
}

TEST(StoreText, GrantsPrintGroupedBySubjectInTheOrderSubjectsFirstAppear)
{
    Store store;
    dirstore::SetGrant(store, "CN=B.O=K", "[Root]", 0x3);
    dirstore::SetGrant(store, "CN=A.O=K", "[Root]", 0x20);
    dirstore::SetGrant(store, ".cn=b.o=k", "CN=B.O=K", 0x6);   // the same subject, spelt otherwise
    dirstore::SetGrant(store, "CN=A.O=K", "[Root]", 0);         // removed
    dirstore::SetGrant(store, "CN=A.O=K", "O=K", 0x4);
    std::string printed = dirstore::PrintStoreText(store);
    EXPECT_NE(std::string::npos, printed.find("rights: CN=B.O=K\ngrant: 0x3 [Root]\ngrant: 0x6 CN=B.O=K\n\n"
                                              "rights: CN=A.O=K\ngrant: 0x4 O=K\n")) << printed;
    EXPECT_EQ(0x7u, dirstore::EffectiveRights(Parse(printed), "CN=B.O=K", "CN=B.O=K"));
}

TEST(StoreText, UnsafeNamesAndValuesSurviveThroughBase64)
{
    Store store;
    store.identity = " leading space";
    dirstore::Object object{"CN=Odd\xE9.O=K", "user", {}};
    dirstore::Attribute attr{"Dravon IP Filters", 9, {{0, 1, 2, 0xFF}, {}, {'a', ' '}}};
    object.attributes.push_back(attr);
    store.objects.push_back(object);
    store.grants.push_back({"CN=x", "CN=Odd\xE9.O=K", 0x20});
    Store again = Parse(dirstore::PrintStoreText(store));
    EXPECT_EQ(" leading space", again.identity);
    ASSERT_EQ(1u, again.objects.size());
    EXPECT_EQ("CN=Odd\xE9.O=K", again.objects[0].name);
    EXPECT_EQ(attr.values, again.objects[0].attributes[0].values);
    EXPECT_EQ("CN=Odd\xE9.O=K", again.grants[0].object);
}

TEST(StoreText, ToleratesCarriageReturnsAndExtraBlankLines)
{
    Store store = Parse("version: 1\r\n\r\n\r\nobject: O=K\r\nclass: organization\r\n\r\n");
    ASSERT_EQ(1u, store.objects.size());
    EXPECT_EQ("organization", store.objects[0].className);
}

TEST(StoreText, ToleratesWhatEditorsLeaveBehind)
{
    // A byte-order mark, and blanks after numbers; blanks after names are part of them.
    Store store = Parse("\xEF\xBB\xBFversion: 1 \n\nattributetype: a\nsyntax: integer \nflags: 0x41\t\n\n"
                        "object: O=K\nclass: c \nattribute: a\ninteger: 30 \n\nrights: CN=x\ngrant: 0x20 [Root]\n");
    ASSERT_EQ(1u, store.objects.size());
    EXPECT_EQ("c ", store.objects[0].className);
    EXPECT_EQ(30, dirstore::IntegerOf(store.objects[0].attributes[0].values[0]));
    EXPECT_EQ(0x41u, store.attributeDefs[0].flags);
    EXPECT_EQ(8u, store.attributeDefs[0].syntax);
}

TEST(StoreText, RefusesBadTextWithTheLineAtFault)
{
    struct Case {
        const char *text;
        size_t line;
    } cases[] = {
        {"", 0},
        {"object: O=K\nclass: organization\n", 1},                                      // no version first
        {"version: 2\n", 1},
        {"version: 1\n\nobject: O=K\n", 3},                                             // no class
        {"version: 1\n\nobject: O=K\nclass: c\nattribute: a\n", 5},                     // attribute without value
        {"version: 1\n\nobject: O=K\nclass: c\ninteger: 5\n", 5},                       // value without attribute
        {"version: 1\n\nobject: O=K\nclass: c\nattribute: a\ninteger: 99999999999\n", 6},
        {"version: 1\n\nobject: O=K\nclass: c\nattribute: a\ninteger: 1\noctets: x\n", 7},
        {"version: 1\n\nobject: O=K\nclass: c\nattribute: a\noctets:: !!!!\n", 6},
        {"version: 1\n\nobject: O=K\nclass: c\nattribute: a\ntelephone:: AA==\n", 6},   // NUL inside a text
        {"version: 1\n\nobject: O=K\nclass: c\nattribute: a\noctets: x\noctets: x\n", 7},
        {"version: 1\n\nobject: O=K\nclass: c\n\nobject: o=k\nclass: c\n", 6},        // same name, other case
        {"version: 1\n\nattributetype: a\nflags: 1\n", 3},                               // no syntax
        {"version: 1\n\nattributetype: a\nsyntax: banana\n", 4},
        {"version: 1\n\nobjectclass: c\nsuperclass:\n", 4},                              // empty name
        {"version: 1\n\nrights: CN=x\ngrant: 0x20\n", 4},
        {"version: 1\n\nrights: CN=x\ngrant: 0x20 O=K\ngrant: 0x4 o=k\n", 5},
        {"version: 1\n\nwidget: x\n", 3},
        {"version: 1\nno colon here\n", 2},
        {"version: 1\n\nobject: O=K\nclass: c\ncolour: red\n", 5},
    };
    for (const auto &c : cases) {
        ParseError error = ParseFails(c.text);
        EXPECT_EQ(c.line, error.line) << c.text << "\n" << error.message;
        EXPECT_FALSE(error.message.empty());
    }
}

TEST(StoreText, RefusesAValueOverTheLimit)
{
    std::string big(dirstore::kMaxValueSize + 1, 'x');
    ParseFails("version: 1\n\nobject: O=K\nclass: c\nattribute: a\noctets: " + big + "\n");
}

TEST(Base64, EncodesAndDecodesWithPadding)
{
    const uint8_t bytes[] = {'Z', 'o', 'n', 'e', ' ', 'A', 0};
    EXPECT_EQ("Wm9uZSBBAA==", dirstore::Base64Encode(bytes, sizeof bytes));
    EXPECT_EQ("", dirstore::Base64Encode(bytes, 0));
    auto decoded = dirstore::Base64Decode("Wm9u ZSBBAA==");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + sizeof bytes), *decoded);
    EXPECT_FALSE(dirstore::Base64Decode("Wm9"));
    EXPECT_FALSE(dirstore::Base64Decode("W=9u"));
    EXPECT_FALSE(dirstore::Base64Decode("Wm9u=AAA"));
    EXPECT_FALSE(dirstore::Base64Decode("Wm*u"));
}

}  // namespace

// The bundled sample store reads, and holds what its comments promise.
namespace {

std::string ReadSample(const std::string &name)
{
    std::string path = std::string(RAX_SAMPLE_DIR) + "/" + name;
    std::string text;
    std::FILE *file = std::fopen(path.c_str(), "rb");
    EXPECT_NE(nullptr, file) << path;
    if (!file)
        return text;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, n);
    std::fclose(file);
    return text;
}

TEST(SampleStore, ReadsAndHoldsTheDescribedDirectory)
{
    Store store = Parse(ReadSample("kestrel.ldif"));

    EXPECT_EQ("CN=Admin.O=Kestrel", store.identity);
    for (const char *cls : {"user", "organizational unit", "organization", "locality", "country", "Dravon Server"})
        EXPECT_NE(nullptr, dirstore::FindClassDef(store, cls)) << cls;
    const auto *country = dirstore::FindClassDef(store, "country");
    EXPECT_TRUE(dirstore::ClassNamesAttribute(*country, "Dravon Idle Timeout"));
    EXPECT_TRUE(dirstore::ClassNamesAttribute(*country, "Dravon IP Filters"));
    const auto *minimum = dirstore::FindAttributeDef(store, "Password Minimum Length");
    ASSERT_NE(nullptr, minimum);
    EXPECT_EQ(8u, minimum->syntax);

    const auto *ann = dirstore::FindObject(store, "CN=Ann.OU=Sales.O=Kestrel");
    ASSERT_NE(nullptr, ann);
    const auto *ipx = dirstore::FindAttribute(*ann, "Dravon IPX Profile");
    ASSERT_NE(nullptr, ipx);
    const std::vector<uint8_t> address{0x01, 0xC0, 0x0C, 0, 0, 0, 0, 0, 0, 0, 0, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_GE(ipx->values[0].size(), address.size());
    EXPECT_TRUE(std::equal(address.begin(), address.end(), ipx->values[0].begin()));
    const auto *password = dirstore::FindAttribute(*ann, "Dravon Password Parameters");
    ASSERT_NE(nullptr, password);
    EXPECT_EQ(46u, password->values[0].size());
    EXPECT_EQ(2u, dirstore::FindAttribute(*ann, "Dravon ARAS Zone")->values.size());

    const auto *bob = dirstore::FindObject(store, "CN=Bob.OU=Sales.O=Kestrel");
    ASSERT_NE(nullptr, bob);
    for (const auto &attr : bob->attributes)
        EXPECT_NE(0u, attr.name.rfind("Dravon ", 0)) << attr.name;

    EXPECT_EQ(0x20u, dirstore::EffectiveRights(store, "CN=Admin.O=Kestrel", "CN=Bob.OU=Sales.O=Kestrel"));
    EXPECT_EQ(0x3u, dirstore::EffectiveRights(store, "CN=Bob.OU=Sales.O=Kestrel", "CN=Ann.OU=Sales.O=Kestrel"));
    int servers = 0;
    for (const auto &object : store.objects)
        servers += dirstore::NamesEqual(object.className, "Dravon Server");
    EXPECT_EQ(2, servers);
}

// The same directory before the snap-in's first use: nothing of remote access,
// but the server class is there.
TEST(SampleStore, TheFreshSampleHasNoRemoteAccessYet)
{
    Store store = Parse(ReadSample("kestrel-fresh.ldif"));
    EXPECT_NE(nullptr, dirstore::FindClassDef(store, "Dravon Server"));
    EXPECT_NE(nullptr, dirstore::FindAttributeDef(store, "Password Minimum Length"));
    for (const auto &def : store.attributeDefs)
        EXPECT_NE(0u, def.name.rfind("Dravon ", 0)) << def.name;
    for (const auto &def : store.classDefs)
        for (const auto &list : def.lists)
            for (const auto &name : list)
                EXPECT_NE(0u, name.rfind("Dravon ", 0)) << def.name << ": " << name;
    for (const auto &object : store.objects)
        for (const auto &attr : object.attributes)
            EXPECT_NE(0u, attr.name.rfind("Dravon ", 0)) << object.name << ": " << attr.name;
    EXPECT_EQ(Parse(ReadSample("kestrel.ldif")).objects.size(), store.objects.size());
}

}  // namespace
