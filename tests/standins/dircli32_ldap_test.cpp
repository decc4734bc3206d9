// The directory client over LDAP servers, through its C interface, with the
// calls the snap-in makes (reads of one attribute over several replies, value
// writes, list writes, rights, the schema extension, the server scan) against
// private slapd servers; the value and scan tests run unchanged on the store
// file too. What is written to a server is read back with ldapsearch as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dircli32.h"
#include "dircli32_standin.h"
#include "dircli32_test.h"
#include "core/directory_access.h"
#include "directory_server.h"
#include "ldap_directory.h"

namespace {

using testing_ldap::DirectoryServer;
using Value = std::string;   // a value's bytes as the library stores them

const char kAnn[] = "CN=Ann.OU=Sales.O=Kestrel";
const char kBob[] = "CN=Bob.OU=Sales.O=Kestrel";
const char kCarla[] = "CN=Carla.OU=Support.O=Kestrel";
const char kSales[] = "OU=Sales.O=Kestrel";

std::string Sample(const char *name)
{
    return std::string(RAX_SOURCE_DIR) + "/samples/store/" + name;
}

Value Int(int32_t v)
{
    return Value(reinterpret_cast<const char *>(&v), 4);
}

// One context and two buffers, released on every path.
struct Session {
    DirContextHandle ctx = DirCreateContext();
    DirBuffer request = nullptr, reply = nullptr;
    Session()
    {
        DirAllocBuffer(DIR_BUFFER_SIZE, &request);
        DirAllocBuffer(DIR_BUFFER_SIZE, &reply);
    }
    ~Session()
    {
        if (ctx > 0)
            DirFreeContext(ctx);
        DirFreeBuffer(request);
        DirFreeBuffer(reply);
    }
};

// Every value of one attribute, over as many replies as the library hands out.
int32_t Read(const char *object, const char *attr, std::vector<Value> &values, int *replies = nullptr)
{
    Session s;
    if (s.ctx <= 0)
        return s.ctx;
    int32_t rc = DirInitBuffer(s.ctx, DIR_OP_READ_OBJECT, s.request);
    if (rc == 0)
        rc = DirPutAttrName(s.ctx, s.request, attr);
    int32_t handle = DIR_ITERATION_START;
    values.clear();
    int count = 0;
    do {
        if (rc == 0)
            rc = DirReadObject(s.ctx, object, DIR_INFO_NAMES_AND_VALUES, 0, s.request, &handle, s.reply);
        if (rc != 0)
            return rc;
        ++count;
        uint32_t attrs = 0, n = 0, syntax = 0;
        char name[DIR_MAX_NAME];
        DirGetAttrCount(s.ctx, s.reply, &attrs);
        for (uint32_t a = 0; a < attrs && rc == 0; ++a) {
            rc = DirGetAttrName(s.ctx, s.reply, name, &n, &syntax);
            for (uint32_t v = 0; v < n && rc == 0; ++v) {
                uint32_t size = 0;
                rc = DirComputeAttrValueSize(s.ctx, s.reply, syntax, &size);
                std::vector<char> block(size);
                if (rc == 0)
                    rc = DirGetAttrValue(s.ctx, s.reply, syntax, block.data());
                if (syntax == DIR_SYNTAX_OCTET_STRING)
                    values.emplace_back(block.data() + sizeof(DirOctetString), size - sizeof(DirOctetString));
                else if (syntax == DIR_SYNTAX_INTEGER)
                    values.emplace_back(block.data(), 4);
                else
                    values.emplace_back(block.data());
            }
        }
    } while (rc == 0 && handle != DIR_ITERATION_START);
    if (replies)
        *replies = count;
    return rc;
}

std::optional<Value> ReadOne(const char *object, const char *attr)
{
    std::vector<Value> values;
    if (Read(object, attr, values) != 0 || values.empty())
        return std::nullopt;
    return values.front();
}

// The value in the shape the library takes it.
struct CallerValue {
    uint32_t syntax;
    Value bytes;
    DirOctetString record{};
    const void *Address()
    {
        if (syntax == DIR_SYNTAX_OCTET_STRING) {
            record = {static_cast<uint32_t>(bytes.size()), reinterpret_cast<uint8_t *>(bytes.data())};
            return &record;
        }
        return bytes.c_str();
    }
};

// As the snap-in writes one value: add, replace (remove the old value, add the
// new) or remove the attribute, in one request.
int32_t Write(const char *object, const char *attr, uint32_t syntax, std::optional<Value> old,
              std::optional<Value> now)
{
    Session s;
    if (s.ctx <= 0)
        return s.ctx;
    CallerValue was{syntax, old.value_or("")}, is{syntax, now.value_or("")};
    int32_t rc = DirInitBuffer(s.ctx, DIR_OP_MODIFY_OBJECT, s.request);
    if (!now) {
        rc = rc ? rc : DirPutChange(s.ctx, s.request, DIR_CHANGE_REMOVE_ATTRIBUTE, attr);
    } else {
        if (!old) {
            rc = rc ? rc : DirPutChange(s.ctx, s.request, DIR_CHANGE_ADD_ATTRIBUTE, attr);
        } else {
            rc = rc ? rc : DirPutChange(s.ctx, s.request, DIR_CHANGE_REMOVE_VALUE, attr);
            rc = rc ? rc : DirPutAttrValue(s.ctx, s.request, syntax, was.Address());
        }
        rc = rc ? rc : DirPutChange(s.ctx, s.request, DIR_CHANGE_ADD_VALUE, attr);
        rc = rc ? rc : DirPutAttrValue(s.ctx, s.request, syntax, is.Address());
    }
    return rc ? rc : DirModifyObject(s.ctx, object, nullptr, 0, s.request);
}

// As the snap-in writes a list: through its own list writer, in 34-byte slots.
int32_t WriteList(const char *object, const char *attr, const std::vector<Value> &values)
{
    constexpr uint32_t slotSize = 34;
    std::vector<uint8_t> block(rax::StringSlotArrayHeaderSize + values.size() * slotSize);
    auto *array = reinterpret_cast<rax::StringSlotArray *>(block.data());
    array->count = static_cast<uint32_t>(values.size());
    for (size_t i = 0; i < values.size(); ++i)
        std::memcpy(rax::StringSlot(array, i, slotSize), values[i].data(), std::min<size_t>(values[i].size(), slotSize));
    return rax::WriteValueList(object, attr, array, array->count, slotSize, DIR_SYNTAX_OCTET_STRING);
}

// The rights of the logged-in identity on an object, as the snap-in asks for them.
int32_t Rights(const char *object, uint32_t &rights)
{
    Session s;
    char me[DIR_MAX_NAME];
    int32_t rc = DirWhoAmI(s.ctx, me);
    return rc ? rc : DirGetEffectiveRights(s.ctx, me, object, "[All Attributes Rights]", &rights);
}

// Whether a class names an attribute in any of its lists (-604 for no such class).
int32_t ClassHas(const char *className, const char *attr, bool &found)
{
    Session s;
    found = false;
    int32_t rc = DirInitBuffer(s.ctx, DIR_OP_READ_CLASS_DEF, s.request);
    rc = rc ? rc : DirPutClassName(s.ctx, s.request, className);
    int32_t handle = DIR_ITERATION_START;
    rc = rc ? rc : DirReadClassDefs(s.ctx, DIR_INFO_FULL_CLASS_DEFS, 0, s.request, &handle, s.reply);
    uint32_t count = 0;
    rc = rc ? rc : DirGetClassDefCount(s.ctx, s.reply, &count);
    char name[DIR_MAX_NAME];
    DirClassInfo info;
    rc = rc ? rc : DirGetClassDef(s.ctx, s.reply, name, &info);
    uint32_t n = 0;
    while (rc == 0 && DirGetNameListCount(s.ctx, s.reply, &n) == 0)
        for (uint32_t i = 0; i < n && DirGetNextName(s.ctx, s.reply, name) == 0;)
            found |= ++i && strcasecmp(name, attr) == 0;
    if (handle != DIR_ITERATION_START)
        DirCloseIteration(s.ctx, handle, DIR_OP_READ_CLASS_DEF);
    return rc;
}

// The snap-in's schema extension: each attribute defined and added to each class,
// "already defined" and "already in the class" accepted. The first other code.
int32_t ExtendSchema()
{
    struct Def {
        const char *name;
        uint32_t syntax, flags;
    };
    const Def all[] = {{"Dravon Session Parameters", 8, 0x41}, {"Dravon DialbackFlag", 8, 0x41},
                       {"Dravon Password Parameters", 9, 0x41}, {"Dravon DialbackNumber", 10, 0x41},
                       {"Dravon ARAS Zone", 9, 0x40},          {"Dravon IPX Profile", 9, 0x41},
                       {"Dravon IP Profile", 9, 0x41},          {"Dravon Idle Timeout", 8, 0x41},
                       {"Dravon IP Address Pool Flag", 8, 0x41}, {"Dravon IP Filters", 9, 0x41}};
    const char *classes[] = {"user", "organizational unit", "organization", "locality", "country"};
    Session s;
    for (const char *cls : classes) {
        for (size_t i = std::strcmp(cls, "user") == 0 ? 0 : 5; i < std::size(all); ++i) {
            DirAttributeDefinition def{};
            def.flags = all[i].flags;
            def.syntaxId = all[i].syntax;
            int32_t rc = DirDefineAttribute(s.ctx, all[i].name, &def);
            if (rc != 0 && rc != DIR_ERR_ATTR_EXISTS)
                return rc;
            rc = DirInitBuffer(s.ctx, DIR_OP_MODIFY_CLASS_DEF, s.request);
            rc = rc ? rc : DirPutAttrName(s.ctx, s.request, all[i].name);
            rc = rc ? rc : DirModifyClassDef(s.ctx, cls, s.request);
            if (rc != 0 && rc != DIR_ERR_ATTR_IN_CLASS)
                return rc;
        }
    }
    return 0;
}

// Waits up to 10 s for `done`.
template <typename F>
bool Eventually(F done)
{
    for (int i = 0; i < 100; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

class LdapDirectory : public ::testing::Test {
protected:
    void StartServer(DirectoryServer &server, const std::string &store = "")
    {
        std::string error;
        ASSERT_TRUE(server.Start(store, error)) << error;
    }
    void UseServer(const std::string &url, const std::string &dn, const std::string &passwordFile)
    {
        ASSERT_EQ(0, DirTestUseDirectoryServer(url.c_str(), dn.c_str(), passwordFile.c_str()));
    }
    void UseAsAdmin(const DirectoryServer &server)
    {
        UseServer(server.Url(), server.AdminDn(), server.AdminPasswordFile());
    }
    void TearDown() override
    {
        DirTestUseDirectoryServer(nullptr, nullptr, nullptr);
        unsetenv("RAX_DIRECTORY_TIMEOUT");
    }
};

// The same calls and the same expectations on either backend: the sample as a
// store file, and the sample on a directory server.
enum class Backend { Store, Server };

class EitherBackend : public LdapDirectory, public ::testing::WithParamInterface<Backend> {
protected:
    void SetUp() override
    {
        if (GetParam() == Backend::Server) {
            StartServer(server);
            UseAsAdmin(server);
            return;
        }
        char folder[] = "/tmp/rax-store-test-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        folder_ = folder;
        std::string copy = "cp '" + Sample("kestrel.ldif") + "' '" + folder_ + "/store.ldif'";
        ASSERT_EQ(0, std::system(copy.c_str()));
        ASSERT_EQ(0, DirTestUseStoreFile((folder_ + "/store.ldif").c_str()));
    }
    void TearDown() override
    {
        LdapDirectory::TearDown();
        DirTestReset();
        if (!folder_.empty())
            std::system(("rm -rf '" + folder_ + "'").c_str());
    }
    // What the server's own tool shows of an entry (the store has none).
    std::string OnServer(const std::string &dn, const std::string &attributes)
    {
        return GetParam() == Backend::Server ? server.Search(dn, attributes) : std::string();
    }

    DirectoryServer server;
    std::string folder_;
};

INSTANTIATE_TEST_SUITE_P(Backends, EitherBackend, ::testing::Values(Backend::Store, Backend::Server),
                         [](const auto &info) { return info.param == Backend::Store ? "Store" : "Server"; });

TEST_P(EitherBackend, UserAndContainerValuesReadAndSaveWithTheSameShapesAndCodes)
{

    EXPECT_EQ(Int(30), ReadOne(kAnn, "Dravon Idle Timeout"));
    EXPECT_EQ(Value("555-0142"), ReadOne(kAnn, "Dravon DialbackNumber"));
    std::vector<Value> zones;
    ASSERT_EQ(0, Read(kAnn, "Dravon ARAS Zone", zones));
    EXPECT_EQ((std::vector<Value>{Value("Sales Zone", 11), Value("Lobby", 6)}), zones);
    EXPECT_EQ(Int(45), ReadOne(kSales, "Dravon Idle Timeout"));
    EXPECT_EQ(DIR_ERR_NO_SUCH_VALUE, Read(kBob, "Dravon Idle Timeout", zones));
    EXPECT_EQ(DIR_ERR_NO_SUCH_OBJECT, Read("CN=Nobody.O=Kestrel", "CN", zones));

    // Replace, add (Bob's entry gains the auxiliary class in the same request), remove.
    EXPECT_EQ(0, Write(kAnn, "Dravon Idle Timeout", DIR_SYNTAX_INTEGER, Int(30), Int(31)));
    EXPECT_EQ(0, Write(kBob, "Dravon Idle Timeout", DIR_SYNTAX_INTEGER, std::nullopt, Int(-1)));
    EXPECT_EQ(0, Write(kCarla, "Dravon DialbackNumber", DIR_SYNTAX_TELEPHONE_NUMBER, Value("555-0199"),
                       std::nullopt));
    EXPECT_EQ(DIR_ERR_NO_SUCH_VALUE, Write(kCarla, "Dravon DialbackNumber", DIR_SYNTAX_TELEPHONE_NUMBER,
                                           std::nullopt, std::nullopt));
    EXPECT_EQ(DIR_ERR_NO_SUCH_VALUE, Write(kAnn, "Dravon Idle Timeout", DIR_SYNTAX_INTEGER, Int(7), Int(8)))
        << "an old value that is not there refuses the change";
    EXPECT_EQ(Int(31), ReadOne(kAnn, "Dravon Idle Timeout"));
    EXPECT_EQ(Int(-1), ReadOne(kBob, "Dravon Idle Timeout"));
    EXPECT_EQ(std::nullopt, ReadOne(kCarla, "Dravon DialbackNumber"));

    // A list too long for one 4096-byte reply comes back whole, in order, over several.
    std::vector<Value> many;
    for (int i = 0; i < 300; ++i)
        many.push_back("Zone number " + std::to_string(1000 + i) + std::string(1, '\0'));
    ASSERT_EQ(0, WriteList(kAnn, "Dravon ARAS Zone", many));
    int replies = 0;
    ASSERT_EQ(0, Read(kAnn, "Dravon ARAS Zone", zones, &replies));
    EXPECT_EQ(many, zones);
    EXPECT_GT(replies, 1);

    if (GetParam() == Backend::Store)
        return;
    // What the server holds, as its own tool shows it.
    std::string ann = OnServer("cn=Ann,ou=Sales,o=Kestrel", "Dravon-Idle-Timeout Dravon-ARAS-Zone");
    EXPECT_NE(ann.find("Dravon-Idle-Timeout: 31\n"), std::string::npos) << ann;
    EXPECT_NE(ann.find("Dravon-ARAS-Zone:: Wm9uZSBudW1iZXIgMTI5OQA=\n"), std::string::npos) << ann;
    std::string bob = OnServer("cn=Bob,ou=Sales,o=Kestrel", "objectClass Dravon-Idle-Timeout");
    EXPECT_NE(bob.find("objectClass: rax-user\n"), std::string::npos) << bob;
    EXPECT_NE(bob.find("Dravon-Idle-Timeout: -1\n"), std::string::npos) << bob;
    EXPECT_EQ(OnServer("cn=Carla,ou=Support,o=Kestrel", "Dravon-DialbackNumber").find("Dravon-Dialback"),
              std::string::npos);
}

TEST_P(EitherBackend, ServerScanListingAndIdentity)
{
    char name[DIR_MAX_NAME];
    ASSERT_EQ(0, DirStandinFindObject("Dravon Server", 0, name, sizeof name));
    EXPECT_STREQ("CN=RAS-1.O=Kestrel", name);
    ASSERT_EQ(0, DirStandinFindObject("Dravon Server", 1, name, sizeof name));
    EXPECT_STREQ("CN=RAS-2.OU=Support.O=Kestrel", name);
    EXPECT_EQ(DIR_ERR_NO_SUCH_OBJECT, DirStandinFindObject("Dravon Server", 2, name, sizeof name));

    std::string listing(8192, '\0');
    ASSERT_GT(DirStandinListObjects(listing.data(), static_cast<uint32_t>(listing.size())), 0);
    EXPECT_NE(listing.find("CN=Ann.OU=Sales.O=Kestrel\tuser\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("OU=Sales.O=Kestrel\torganizational unit\n"), std::string::npos) << listing;
    ASSERT_EQ(0, DirStandinObjectClass(kSales, name, sizeof name));
    EXPECT_STREQ("organizational unit", name);

    Session s;
    ASSERT_EQ(0, DirWhoAmI(s.ctx, name));
    EXPECT_STREQ("CN=Admin.O=Kestrel", name);
}

TEST_F(LdapDirectory, RightsComeFromTheServerAndTheReadOnlyIdentityChangesNothing)
{
    DirectoryServer server;
    StartServer(server);
    std::string before = server.Search("cn=Ann,ou=Sales,o=Kestrel", "entryCSN modifyTimestamp");

    UseAsAdmin(server);
    uint32_t rights = 0;
    ASSERT_EQ(0, Rights(kAnn, rights));
    EXPECT_TRUE(rights & DIR_RIGHT_WRITE) << rights;

    UseServer(server.Url(), "cn=Bob,ou=Sales,o=Kestrel", server.PasswordFile("bob"));
    ASSERT_EQ(0, Rights(kAnn, rights));
    EXPECT_EQ(DIR_RIGHT_READ | DIR_RIGHT_COMPARE, rights);
    EXPECT_EQ(DIR_ERR_NO_ACCESS, Write(kAnn, "Dravon Idle Timeout", DIR_SYNTAX_INTEGER, Int(30), Int(5)));
    EXPECT_EQ(Int(30), ReadOne(kAnn, "Dravon Idle Timeout"));

    UseServer(server.Url(), "cn=Carla,ou=Support,o=Kestrel", server.PasswordFile("carla"));
    ASSERT_EQ(0, Rights(kCarla, rights));
    EXPECT_TRUE(rights & DIR_RIGHT_WRITE) << "Carla may write her own object";
    ASSERT_EQ(0, Rights(kAnn, rights));
    EXPECT_FALSE(rights & DIR_RIGHT_WRITE);

    EXPECT_EQ(before, server.Search("cn=Ann,ou=Sales,o=Kestrel", "entryCSN modifyTimestamp"))
        << "asking for rights wrote nothing";

    UseServer(server.Url(), "cn=Bob,ou=Sales,o=Kestrel", server.AdminPasswordFile());
    Session wrong;
    EXPECT_EQ(DIR_ERR_NO_CONTEXT, wrong.ctx) << "a wrong password gives no context";
}

TEST_F(LdapDirectory, SchemaExtensionOnAFreshServerNeedsTheRightAndSurvivesARestart)
{
    DirectoryServer server;
    StartServer(server, Sample("kestrel-fresh.ldif"));
    bool found = true;
    UseAsAdmin(server);
    ASSERT_EQ(0, ClassHas("country", "Dravon IP Filters", found));
    EXPECT_FALSE(found);
    EXPECT_EQ(DIR_ERR_NO_SUCH_CLASS, ClassHas("no such class", "CN", found));

    UseServer(server.Url(), "cn=Bob,ou=Sales,o=Kestrel", server.PasswordFile("bob"));
    EXPECT_EQ(DIR_ERR_NO_ACCESS, ExtendSchema());

    UseAsAdmin(server);
    ASSERT_EQ(0, ExtendSchema());
    ASSERT_EQ(0, ExtendSchema()) << "a second run meets only 'already there'";
    ASSERT_EQ(0, ClassHas("country", "Dravon IP Filters", found));
    EXPECT_TRUE(found);
    ASSERT_EQ(0, ClassHas("user", "Dravon ARAS Zone", found));
    EXPECT_TRUE(found);

    server.Stop();
    std::string error;
    ASSERT_TRUE(server.Restart(error)) << error;
    UseAsAdmin(server);
    ASSERT_EQ(0, ClassHas("organizational unit", "Dravon Idle Timeout", found));
    EXPECT_TRUE(found);
    EXPECT_EQ(0, Write(kAnn, "Dravon Idle Timeout", DIR_SYNTAX_INTEGER, std::nullopt, Int(12)));
    EXPECT_EQ(Int(12), ReadOne(kAnn, "Dravon Idle Timeout"));
}

TEST_F(LdapDirectory, AStoppedOrSilentServerGivesACodeInTimeAndLosesNothing)
{
    DirectoryServer server;
    StartServer(server);
    setenv("RAX_DIRECTORY_TIMEOUT", "2", 1);
    UseAsAdmin(server);
    ASSERT_EQ(Int(30), ReadOne(kAnn, "Dravon Idle Timeout"));

    server.Stop();
    EXPECT_EQ(DIR_ERR_STORE_UNAVAILABLE, Write(kAnn, "Dravon Idle Timeout", DIR_SYNTAX_INTEGER, Int(30), Int(5)));
    Session none;
    EXPECT_EQ(DIR_ERR_NO_CONTEXT, none.ctx);

    std::string error;
    ASSERT_TRUE(server.Restart(error)) << error;
    EXPECT_EQ(Int(30), ReadOne(kAnn, "Dravon Idle Timeout")) << "the failed save changed nothing";

    server.Pause(true);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DIR_ERR_TIMEOUT, Write(kAnn, "Dravon Idle Timeout", DIR_SYNTAX_INTEGER, Int(30), Int(5)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    server.Pause(false);
    // The abandoned change may still be carried out by the server once it wakes
    // (it had the request already); what it never leaves is a value in between.
    auto value = ReadOne(kAnn, "Dravon Idle Timeout");
    EXPECT_TRUE(value == Int(30) || value == Int(5));
}

TEST_F(LdapDirectory, ReplicaServesReadsPassesWritesOnAndStandsInForAStoppedServer)
{
    DirectoryServer main, replica;
    StartServer(main, Sample("kestrel-fresh.ldif"));
    std::string error;
    ASSERT_TRUE(replica.StartReplica(main, error)) << error;

    // A schema extension and a change made on the main server reach the replica.
    UseAsAdmin(main);
    ASSERT_EQ(0, ExtendSchema());
    ASSERT_EQ(0, Write(kAnn, "Dravon Idle Timeout", DIR_SYNTAX_INTEGER, std::nullopt, Int(21)));
    UseAsAdmin(replica);
    bool found = false;
    EXPECT_TRUE(Eventually([&] { return ClassHas("country", "Dravon IP Filters", found) == 0 && found; }));
    EXPECT_TRUE(Eventually([&] { return ReadOne(kAnn, "Dravon Idle Timeout") == Int(21); }));

    // "replica main": saved through the replica, held by the main server.
    UseServer(replica.Url() + " " + main.Url(), main.AdminDn(), main.AdminPasswordFile());
    ASSERT_EQ(0, Write(kAnn, "Dravon Idle Timeout", DIR_SYNTAX_INTEGER, Int(21), Int(22)));
    EXPECT_NE(main.Search("cn=Ann,ou=Sales,o=Kestrel", "Dravon-Idle-Timeout").find("Dravon-Idle-Timeout: 22"),
              std::string::npos);

    // The first server stopped: the next one opens and saves; a server that stops
    // between two requests is replaced by the next for the requests that follow.
    replica.Stop();
    ASSERT_EQ(Int(22), ReadOne(kAnn, "Dravon Idle Timeout"));
    EXPECT_EQ(0, Write(kAnn, "Dravon Idle Timeout", DIR_SYNTAX_INTEGER, Int(22), Int(23)));
    ASSERT_TRUE(replica.Restart(error)) << error;
    UseServer(main.Url() + " " + replica.Url(), main.AdminDn(), main.AdminPasswordFile());
    ASSERT_EQ(Int(23), ReadOne(kAnn, "Dravon Idle Timeout"));
    main.Stop();
    EXPECT_NE(0, Write(kAnn, "Dravon Idle Timeout", DIR_SYNTAX_INTEGER, Int(23), Int(24)))
        << "the replica cannot pass the write on to the stopped main server";
    EXPECT_TRUE(Eventually([&] { return ReadOne(kAnn, "Dravon Idle Timeout") == Int(23); }))
        << "the replica answers the reads that follow";
}

TEST(LdapSettings, ServerListAndResultCodes)
{
    using namespace dirstore::ldap;
    std::vector<Server> servers;
    std::string error;
    ASSERT_TRUE(ParseServerList(" ldap://127.0.0.1:3890/o=Kestrel  ldap://h2/o=Kestrel%2C%20Ltd ", servers, error));
    ASSERT_EQ(2u, servers.size());
    EXPECT_EQ(3890, servers[0].endpoint.port);
    EXPECT_EQ("o=Kestrel", servers[0].rootDn);
    EXPECT_EQ(389, servers[1].endpoint.port);
    EXPECT_EQ("o=Kestrel, Ltd", servers[1].rootDn);
    for (const char *bad : {"", "ldaps://h/o=K", "ldap://h:0/o=K", "ldap://h:99999/o=K", "ldap://h/", "ldap://h/o%2"})
        EXPECT_FALSE(ParseServerList(bad, servers, error)) << bad;

    const std::pair<int, int32_t> table[] = {
        {0, DIR_OK}, {32, DIR_ERR_NO_SUCH_OBJECT}, {16, DIR_ERR_NO_SUCH_VALUE}, {50, DIR_ERR_NO_ACCESS},
        {81, DIR_ERR_STORE_UNAVAILABLE}, {91, DIR_ERR_STORE_UNAVAILABLE}, {85, DIR_ERR_TIMEOUT},
        {49, DIR_ERR_BAD_CREDENTIALS}, {80, DIR_ERR_SERVER_FAILURE}, {12345, DIR_ERR_SERVER_FAILURE}};
    for (auto [ldap, code] : table)
        EXPECT_EQ(code, LibraryCode(ldap)) << ldap;
}

// A connection that answers from one entry and a small schema and records each
// change asked of it.
class RecordingConnection final : public dirstore::ldap::Connection {
public:
    explicit RecordingConnection(std::vector<std::vector<dirstore::ldap::Modification>> *log) : changes_(log) {}
    dirstore::ldap::Result Open(const dirstore::ldap::Endpoint &, const std::string &, const std::string &,
                                int) override
    {
        return {};
    }
    dirstore::ldap::Result Search(const std::string &base, dirstore::ldap::Scope, const std::string &,
                                  const std::vector<std::string> &,
                                  std::vector<dirstore::ldap::Entry> &entries) override
    {
        using dirstore::ldap::BytesOf;
        if (base.empty())
            entries.push_back({"", {{"subschemaSubentry", {BytesOf("cn=Subschema")}}}});
        else if (base == "cn=Subschema")
            entries.push_back(
                {base,
                 {{"attributeTypes",
                   {BytesOf("( 2.5.4.3 NAME 'cn' EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 )"),
                    BytesOf("( 1.2.3 NAME 'Dravon-ARAS-Zone' DESC 'Dravon ARAS Zone' EQUALITY octetStringMatch "
                            "SYNTAX 1.3.6.1.4.1.1466.115.121.1.40 X-RAX-FLAGS '0x40' )")}},
                  {"objectClasses", {BytesOf("( 2.5.6.0 NAME 'top' ABSTRACT MUST objectClass )")}}}});
        else
            entries.push_back({base,
                               {{"objectClass", {BytesOf("top")}},
                                {"cn", {BytesOf("Ann")}},
                                {"Dravon-ARAS-Zone", {BytesOf("Lobby"), BytesOf("Yard")}}}});
        return {};
    }
    dirstore::ldap::Result Modify(const std::string &, const std::vector<dirstore::ldap::Modification> &c) override
    {
        changes_->push_back(c);
        return {};
    }
    dirstore::ldap::Result Add(const std::string &, const std::vector<dirstore::ldap::Modification> &) override
    {
        return {};
    }

private:
    std::vector<std::vector<dirstore::ldap::Modification>> *changes_;
};

TEST(LdapSettings, AChangeNamesTheValuesThatWentAndCameInOneRequest)
{
    using dirstore::ldap::BytesOf;
    using dirstore::ldap::Modification;
    std::vector<std::vector<Modification>> changes;
    dirstore::ldap::Settings settings;
    ASSERT_TRUE(dirstore::ldap::ParseServerList("ldap://h/o=Kestrel", settings.servers, settings.error));
    dirstore::ldap::LdapDirectory directory(
        settings, [&] { return std::make_unique<RecordingConnection>(&changes); }, nullptr);
    dirstore::Object before;
    ASSERT_EQ(DIR_OK, directory.ReadObject("CN=Ann.O=Kestrel", before));
    dirstore::Object after = before;
    dirstore::Attribute *zones = dirstore::FindAttribute(after, "Dravon ARAS Zone");
    ASSERT_NE(nullptr, zones);
    zones->values = {dirstore::Bytes{'Y', 'a', 'r', 'd'}, dirstore::Bytes{'G', 'a', 't', 'e'}};
    ASSERT_EQ(DIR_OK, directory.WriteObject(before, after));
    ASSERT_EQ(1u, changes.size()) << "one request";
    ASSERT_EQ(2u, changes[0].size());
    EXPECT_EQ(Modification::Delete, changes[0][0].op);
    EXPECT_EQ(std::vector<dirstore::ldap::Bytes>{BytesOf("Lobby")}, changes[0][0].values)
        << "the value that went is named: the server refuses the change if it went already";
    EXPECT_EQ(Modification::Add, changes[0][1].op);
    EXPECT_EQ(std::vector<dirstore::ldap::Bytes>{BytesOf("Gate")}, changes[0][1].values);
    EXPECT_EQ(DIR_OK, directory.WriteObject(after, after));
    EXPECT_EQ(1u, changes.size()) << "nothing changed, nothing sent";
}

}  // namespace
