// The store file behind dircli32.dll: loaded by the first context, reloaded when
// another process changed it, written whole and atomically under a lock, and
// never overwritten when it cannot be read.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dircli32.h"
#include "dircli32_test.h"

namespace {

const char kUser[] = "CN=Ann.OU=Sales.O=Kestrel";
const char kAdmin[] = "CN=Admin.O=Kestrel";

const char kStore[] =
    "version: 1\n"
    "identity: CN=Admin.O=Kestrel\n"
    "\n"
    "attributetype: Dravon Idle Timeout\n"
    "syntax: integer\n"
    "flags: 0x41\n"
    "\n"
    "attributetype: Dravon ARAS Zone\n"
    "syntax: octets\n"
    "flags: 0x40\n"
    "\n"
    "object: O=Kestrel\n"
    "class: organization\n"
    "\n"
    "object: OU=Sales.O=Kestrel\n"
    "class: organizational unit\n"
    "\n"
    "object: CN=Ann.OU=Sales.O=Kestrel\n"
    "class: user\n"
    "attribute: Dravon Idle Timeout\n"
    "integer: 30\n"
    "\n"
    "rights: CN=Admin.O=Kestrel\n"
    "grant: 0x20 [Root]\n"
    "\n"
    "rights: CN=Bob.O=Kestrel\n"
    "grant: 0x3 [Root]\n";

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string HelperPath()
{
    char buf[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string path(buf, n);
    return path.substr(0, path.find_last_of("\\/") + 1) + "dirstore_helper.exe";
}

// Starts the helper with `args`; its stdout and stderr go to `output` when given.
HANDLE StartHelper(const std::string &args, const std::string &output = std::string())
{
    std::string line = "\"" + HelperPath() + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    HANDLE out = INVALID_HANDLE_VALUE;
    if (!output.empty()) {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        out = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = out;
        si.hStdError = out;
    }
    PROCESS_INFORMATION pi{};
    BOOL ok = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    if (!ok)
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

DWORD WaitHelper(HANDLE process)
{
    if (!process)
        return 0xFFFFFFFF;
    WaitForSingleObject(process, 30000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

DWORD RunHelper(const std::string &args, const std::string &output = std::string())
{
    return WaitHelper(StartHelper(args, output));
}

class Dircli32StoreFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        dir_ = std::string(temp) + "dircli32-test-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(dir_.c_str(), nullptr);
        path_ = dir_ + "\\directory.ldif";
        SetEnvironmentVariableA("RAX_DIRECTORY_STORE", path_.c_str());
        SetEnvironmentVariableA("RAX_DIRECTORY_IDENTITY", nullptr);
        DirTestReset();
    }

    void TearDown() override
    {
        DirTestReset();
        SetEnvironmentVariableA("RAX_DIRECTORY_STORE", nullptr);
        for (const char *suffix : {"", ".lock", ".tmp", ".out", ".out2"}) {
            std::string file = path_ + suffix;
            if (!DeleteFileA(file.c_str()))
                RemoveDirectoryA(file.c_str());
        }
        RemoveDirectoryA(dir_.c_str());
    }

    DirContextHandle Open()
    {
        EXPECT_EQ(0, DirTestUseStoreFile(path_.c_str()));
        return DirCreateContext();
    }

    int32_t AddZone(DirContextHandle ctx, const char *zone)
    {
        DirBuffer request = nullptr;
        int32_t rc = DirAllocBuffer(DIR_BUFFER_SIZE, &request);
        DirOctetString value{static_cast<uint32_t>(strlen(zone) + 1),
                             reinterpret_cast<uint8_t *>(const_cast<char *>(zone))};
        if (rc == 0)
            rc = DirInitBuffer(ctx, DIR_OP_MODIFY_OBJECT, request);
        if (rc == 0)
            rc = DirPutChange(ctx, request, DIR_CHANGE_ADD_VALUE, "Dravon ARAS Zone");
        if (rc == 0)
            rc = DirPutAttrValue(ctx, request, DIR_SYNTAX_OCTET_STRING, &value);
        if (rc == 0)
            rc = DirModifyObject(ctx, kUser, nullptr, 0, request);
        if (request)
            DirFreeBuffer(request);
        return rc;
    }

    int32_t ReadIdleTimeout(DirContextHandle ctx, int32_t &value)
    {
        DirBuffer request = nullptr, reply = nullptr;
        DirAllocBuffer(DIR_BUFFER_SIZE, &reply);
        DirAllocBuffer(DIR_BUFFER_SIZE, &request);
        int32_t rc = DirInitBuffer(ctx, DIR_OP_READ_OBJECT, request);
        if (rc == 0)
            rc = DirPutAttrName(ctx, request, "Dravon Idle Timeout");
        int32_t handle = DIR_ITERATION_START;
        if (rc == 0)
            rc = DirReadObject(ctx, kUser, DIR_INFO_NAMES_AND_VALUES, 0, request, &handle, reply);
        uint32_t count = 0, values = 0, syntax = 0;
        char name[DIR_MAX_NAME];
        if (rc == 0)
            rc = DirGetAttrCount(ctx, reply, &count);
        if (rc == 0)
            rc = DirGetAttrName(ctx, reply, name, &values, &syntax);
        if (rc == 0)
            rc = DirGetAttrValue(ctx, reply, syntax, &value);
        DirFreeBuffer(reply);
        DirFreeBuffer(request);
        return rc;
    }

    std::string dir_;
    std::string path_;
};

TEST_F(Dircli32StoreFile, AChangeIsWrittenWholeAndReadByTheNextProcess)
{
    WriteFile(path_, kStore);
    DirContextHandle ctx = Open();
    ASSERT_GT(ctx, 0);
    ASSERT_EQ(0, AddZone(ctx, "Zone A"));
    DirFreeContext(ctx);

    EXPECT_FALSE(Exists(path_ + ".tmp")) << "the temporary file is renamed over the store";
    std::string text = ReadFile(path_);
    EXPECT_NE(std::string::npos, text.find("attribute: Dravon ARAS Zone\noctets:: Wm9uZSBBAA==\n"));
    EXPECT_NE(std::string::npos, text.find("integer: 30\n")) << "what was there stays";
    std::string out = path_ + ".out";
    ASSERT_EQ(0u, RunHelper("count \"" + std::string(kUser) + "\" \"Dravon ARAS Zone\"", out));
    EXPECT_EQ("1", ReadFile(out).substr(0, 1));
}

TEST_F(Dircli32StoreFile, AChangeByAnotherProcessIsSeenWithoutANewContext)
{
    WriteFile(path_, kStore);
    DirContextHandle ctx = Open();
    ASSERT_GT(ctx, 0);
    EXPECT_EQ(0, DirTestValueCount(kUser, "Dravon ARAS Zone"));
    ASSERT_EQ(0u, RunHelper("add \"" + std::string(kUser) + "\" \"Dravon ARAS Zone\" 0 3"));
    EXPECT_EQ(3, DirTestValueCount(kUser, "Dravon ARAS Zone"));
    // And a change made here after that keeps the other process's values.
    ASSERT_EQ(0, AddZone(ctx, "Zone A"));
    EXPECT_EQ(4, DirTestValueCount(kUser, "Dravon ARAS Zone"));
    DirFreeContext(ctx);
    std::string out = path_ + ".out";
    ASSERT_EQ(0u, RunHelper("count \"" + std::string(kUser) + "\" \"Dravon ARAS Zone\"", out));
    EXPECT_EQ("4", ReadFile(out).substr(0, 1));
}

TEST_F(Dircli32StoreFile, ProcessesChangingAtTheSameTimeLoseNothing)
{
    WriteFile(path_, kStore);
    HANDLE a = StartHelper("add \"" + std::string(kUser) + "\" \"Dravon ARAS Zone\" 0 15", path_ + ".out");
    HANDLE b = StartHelper("add \"" + std::string(kUser) + "\" \"Dravon ARAS Zone\" 100 15", path_ + ".out2");
    EXPECT_EQ(0u, WaitHelper(a)) << ReadFile(path_ + ".out");
    EXPECT_EQ(0u, WaitHelper(b)) << ReadFile(path_ + ".out2");
    DirContextHandle ctx = Open();
    ASSERT_GT(ctx, 0);
    EXPECT_EQ(30, DirTestValueCount(kUser, "Dravon ARAS Zone"));
    DirFreeContext(ctx);
}

TEST_F(Dircli32StoreFile, AnUnreadableStoreRefusesContextsAndIsNeverOverwritten)
{
    std::string bad = std::string(kStore) + "\nobject: CN=Broken.O=Kestrel\n";   // no class
    WriteFile(path_, bad);
    ASSERT_EQ(0, DirTestUseStoreFile(path_.c_str()));
    EXPECT_EQ(DIR_ERR_NO_CONTEXT, DirCreateContext());
    EXPECT_EQ(0, DirTestOpenContexts());
    EXPECT_EQ(bad, ReadFile(path_));

    // Another process says what is wrong and where.
    std::string out = path_ + ".out";
    EXPECT_EQ(static_cast<DWORD>(-DIR_ERR_NO_CONTEXT), RunHelper("open", out));
    std::string said = ReadFile(out);
    EXPECT_NE(std::string::npos, said.find("directory.ldif")) << said;
    EXPECT_NE(std::string::npos, said.find("line 29")) << said;
    EXPECT_NE(std::string::npos, said.find("has no class")) << said;
    // Nor does a change from another process write over it.
    EXPECT_NE(0u, RunHelper("add \"" + std::string(kUser) + "\" \"Dravon ARAS Zone\" 0 1"));
    EXPECT_EQ(bad, ReadFile(path_));
}

TEST_F(Dircli32StoreFile, AStoreSpoiltWhileInUseFailsChangesAndKeepsTheFile)
{
    WriteFile(path_, kStore);
    DirContextHandle ctx = Open();
    ASSERT_GT(ctx, 0);
    Sleep(20);
    std::string bad = "version: 1\n\nthis is not a record\n";
    WriteFile(path_, bad);
    EXPECT_EQ(DIR_ERR_STORE_UNAVAILABLE, AddZone(ctx, "Zone A"));
    int32_t value = 0;
    EXPECT_EQ(DIR_ERR_STORE_UNAVAILABLE, ReadIdleTimeout(ctx, value));
    EXPECT_EQ(bad, ReadFile(path_));
    // Mended by hand, it is read again.
    WriteFile(path_, kStore);
    EXPECT_EQ(0, ReadIdleTimeout(ctx, value));
    EXPECT_EQ(30, value);
    DirFreeContext(ctx);
}

TEST_F(Dircli32StoreFile, AFailedWriteChangesNeitherTheFileNorTheStore)
{
    WriteFile(path_, kStore);
    DirContextHandle ctx = Open();
    ASSERT_GT(ctx, 0);
    ASSERT_TRUE(CreateDirectoryA((path_ + ".tmp").c_str(), nullptr));   // the temporary file cannot be made
    EXPECT_EQ(DIR_ERR_STORE_UNAVAILABLE, AddZone(ctx, "Zone A"));
    EXPECT_EQ(std::string(kStore), ReadFile(path_));
    EXPECT_EQ(0, DirTestValueCount(kUser, "Dravon ARAS Zone"));
    RemoveDirectoryA((path_ + ".tmp").c_str());
    EXPECT_EQ(0, AddZone(ctx, "Zone A"));
    EXPECT_EQ(1, DirTestValueCount(kUser, "Dravon ARAS Zone"));
    DirFreeContext(ctx);
}

TEST_F(Dircli32StoreFile, AMissingStoreStartsEmptyAndIsCreatedByTheFirstChange)
{
    DirContextHandle ctx = Open();
    ASSERT_GT(ctx, 0);
    EXPECT_FALSE(Exists(path_));
    DirTestSetChecks(0);
    ASSERT_EQ(0, DirTestAddObject("O=Kestrel", "organization"));
    ASSERT_TRUE(Exists(path_));
    EXPECT_NE(std::string::npos, ReadFile(path_).find("object: O=Kestrel\nclass: organization\n"));
    DirFreeContext(ctx);
}

TEST_F(Dircli32StoreFile, TheEnvironmentNamesTheStoreAndTheIdentity)
{
    WriteFile(path_, kStore);
    ASSERT_EQ(0, DirTestUseStoreFile(nullptr));   // RAX_DIRECTORY_STORE
    DirContextHandle ctx = DirCreateContext();
    ASSERT_GT(ctx, 0);
    char name[DIR_MAX_NAME];
    ASSERT_EQ(0, DirWhoAmI(ctx, name));
    EXPECT_STREQ(kAdmin, name);
    DirFreeContext(ctx);

    // A plain user (read and compare only) may not write.
    SetEnvironmentVariableA("RAX_DIRECTORY_IDENTITY", "CN=Bob.O=Kestrel");
    EXPECT_EQ(static_cast<DWORD>(-DIR_ERR_NO_ACCESS),
              RunHelper("add \"" + std::string(kUser) + "\" \"Dravon ARAS Zone\" 0 1"));
    SetEnvironmentVariableA("RAX_DIRECTORY_IDENTITY", nullptr);
    EXPECT_EQ(0u, RunHelper("add \"" + std::string(kUser) + "\" \"Dravon ARAS Zone\" 0 1"));
}

}  // namespace

namespace {

// The bundled sample works as a store file: the administrator may change the
// users, the plain user may not, and the server objects are there to scan.
TEST_F(Dircli32StoreFile, TheSampleStoreServesAsAStoreFile)
{
    ASSERT_TRUE(CopyFileA(RAX_SAMPLE_STORE, path_.c_str(), FALSE)) << RAX_SAMPLE_STORE;
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DirContextHandle ctx = Open();
    ASSERT_GT(ctx, 0);
    char name[DIR_MAX_NAME];
    ASSERT_EQ(0, DirWhoAmI(ctx, name));
    EXPECT_STREQ(kAdmin, name);
    uint32_t rights = 0;
    ASSERT_EQ(0, DirGetEffectiveRights(ctx, "CN=Bob.OU=Sales.O=Kestrel", kUser, "[All Attributes Rights]", &rights));
    EXPECT_EQ(0u, rights & (DIR_RIGHT_WRITE | DIR_RIGHT_SUPERVISOR));
    int32_t timeout = 0;
    ASSERT_EQ(0, ReadIdleTimeout(ctx, timeout));
    EXPECT_EQ(30, timeout);
    EXPECT_EQ(0, AddZone(ctx, "Zone C"));
    EXPECT_EQ(3, DirTestValueCount(kUser, "Dravon ARAS Zone"));
    DirFreeContext(ctx);

    SetEnvironmentVariableA("RAX_DIRECTORY_IDENTITY", "CN=Bob.OU=Sales.O=Kestrel");
    EXPECT_EQ(static_cast<DWORD>(-DIR_ERR_NO_ACCESS),
              RunHelper("add \"" + std::string(kUser) + "\" \"Dravon ARAS Zone\" 0 1"));
    SetEnvironmentVariableA("RAX_DIRECTORY_IDENTITY", nullptr);
}

}  // namespace

namespace {

// The fresh sample takes the schema extension from the administrator, not from Bob.
TEST_F(Dircli32StoreFile, TheFreshSampleIsExtendedByTheAdministratorOnly)
{
    ASSERT_TRUE(CopyFileA(RAX_SAMPLE_FRESH_STORE, path_.c_str(), FALSE)) << RAX_SAMPLE_FRESH_STORE;
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DirContextHandle ctx = Open();
    ASSERT_GT(ctx, 0);
    DirAttributeDefinition def{0x41, DIR_SYNTAX_INTEGER, {}};
    DirTestSetIdentity("CN=Bob.OU=Sales.O=Kestrel");
    EXPECT_EQ(DIR_ERR_NO_ACCESS, DirDefineAttribute(ctx, "Dravon Idle Timeout", &def));
    DirTestSetIdentity(kAdmin);
    EXPECT_EQ(0, DirDefineAttribute(ctx, "Dravon Idle Timeout", &def));
    DirBuffer request = nullptr;
    ASSERT_EQ(0, DirAllocBuffer(DIR_BUFFER_SIZE, &request));
    ASSERT_EQ(0, DirInitBuffer(ctx, DIR_OP_MODIFY_CLASS_DEF, request));
    ASSERT_EQ(0, DirPutAttrName(ctx, request, "Dravon Idle Timeout"));
    EXPECT_EQ(0, DirModifyClassDef(ctx, "country", request));
    EXPECT_EQ(DIR_ERR_ATTR_IN_CLASS, DirModifyClassDef(ctx, "country", request));
    DirFreeBuffer(request);
    DirFreeContext(ctx);
    std::string text = ReadFile(path_);
    EXPECT_NE(std::string::npos, text.find("attributetype: Dravon Idle Timeout\nsyntax: integer\nflags: 0x41\n"));
    EXPECT_NE(std::string::npos, text.find("optional: Dravon Idle Timeout\n"));
}

}  // namespace

namespace {

// A writer waits while another process holds the lock, then goes on.
TEST_F(Dircli32StoreFile, AChangeWaitsForTheLockHeldElsewhere)
{
    WriteFile(path_, kStore);
    HANDLE lock = CreateFileA((path_ + ".lock").c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    OVERLAPPED at{};
    ASSERT_TRUE(LockFileEx(lock, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at));
    HANDLE helper = StartHelper("add \"" + std::string(kUser) + "\" \"Dravon ARAS Zone\" 0 1");
    ASSERT_NE(nullptr, helper);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(helper, 500)) << "the change went ahead without the lock";
    EXPECT_EQ(std::string(kStore), ReadFile(path_));
    OVERLAPPED again{};
    UnlockFileEx(lock, 0, 1, 0, &again);
    CloseHandle(lock);
    EXPECT_EQ(0u, WaitHelper(helper));
    EXPECT_NE(std::string::npos, ReadFile(path_).find("attribute: Dravon ARAS Zone\n"));
}

// What a writer that died half-way leaves behind does no harm.
TEST_F(Dircli32StoreFile, ALeftOverTemporaryFileIsIgnoredAndReplaced)
{
    WriteFile(path_, kStore);
    WriteFile(path_ + ".tmp", "version: 1\n\nobject: CN=Half");
    DirContextHandle ctx = Open();
    ASSERT_GT(ctx, 0);
    EXPECT_EQ(-1, DirTestValueCount("CN=Half", "x"));
    ASSERT_EQ(0, AddZone(ctx, "Zone A"));
    EXPECT_FALSE(Exists(path_ + ".tmp"));
    EXPECT_EQ(std::string::npos, ReadFile(path_).find("CN=Half"));
    DirFreeContext(ctx);
}

}  // namespace
