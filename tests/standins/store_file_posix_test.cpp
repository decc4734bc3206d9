// The POSIX store file: two engines on one file stand for two processes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "dir_engine.h"
#include "engine_requests.h"
#include "store_file.h"

namespace {

using dirstore::Engine;

const char kStore[] =
    "version: 1\n"
    "identity: CN=Admin.O=K\n"
    "\n"
    "attributetype: Zone\n"
    "syntax: octets\n"
    "flags: 0x40\n"
    "\n"
    "object: O=K\n"
    "class: organization\n"
    "\n"
    "rights: CN=Admin.O=K\n"
    "grant: 0x20 [Root]\n";

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class PosixStoreFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/dirstore-test-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir_ = pattern;
        path_ = dir_ + "/directory.ldif";
    }
    void TearDown() override
    {
        for (const char *suffix : {"", ".lock", ".tmp"}) {
            std::string file = path_ + suffix;
            if (unlink(file.c_str()) != 0)
                rmdir(file.c_str());
        }
        rmdir(dir_.c_str());
    }

    // An engine attached to the file, as a process of its own would be.
    void Attach(Engine &engine)
    {
        engine.SetReporter([this](const std::string &m) { reports_ += m + "\n"; });
        engine.SetBackendFactory([](const char *path) -> std::unique_ptr<dirstore::StoreBackend> {
            return path ? dirstore::MakeStoreFile(path) : nullptr;
        });
        ASSERT_EQ(0, engine.TestUseStoreFile(path_.c_str()));
    }

    static int32_t AddZone(Engine &engine, int32_t ctx, const std::string &zone)
    {
        return AddZoneValue(engine, ctx, zone);
    }

    std::string dir_, path_, reports_;
};

TEST_F(PosixStoreFile, AChangeIsWrittenWholeAndSeenByTheOtherEngine)
{
    WriteFile(path_, kStore);
    Engine a, b;
    Attach(a);
    Attach(b);
    int32_t ca = a.CreateContext(), cb = b.CreateContext();
    ASSERT_GT(ca, 0);
    ASSERT_GT(cb, 0);
    ASSERT_EQ(0, AddZone(a, ca, "north"));
    EXPECT_NE(std::string::npos, ReadFile(path_).find("attribute: Zone\noctets: north\n"));
    EXPECT_NE(0, access((path_ + ".tmp").c_str(), F_OK));
    EXPECT_EQ(1, b.TestValueCount("O=K", "Zone"));
    ASSERT_EQ(0, AddZone(b, cb, "south"));
    EXPECT_EQ(2, a.TestValueCount("O=K", "Zone"));
}

// A process does not read back what it wrote itself, yet a change made elsewhere
// right after its write, to a file of the very same size, is seen at once.
TEST_F(PosixStoreFile, AChangeElsewhereRightAfterOurOwnWriteIsSeen)
{
    WriteFile(path_, kStore);
    Engine a, b;
    Attach(a);
    Attach(b);
    int32_t ca = a.CreateContext();
    ASSERT_GT(ca, 0);
    ASSERT_GT(b.CreateContext(), 0);
    ASSERT_EQ(0, AddZone(a, ca, "north"));
    std::string written = ReadFile(path_);
    ASSERT_EQ(0, b.TestRemoveAttribute("O=K", "Zone"));
    ASSERT_EQ(0, b.TestAddValue("O=K", "Zone", DIR_SYNTAX_OCTET_STRING, "south", 5));
    ASSERT_EQ(written.size(), ReadFile(path_).size());
    char value[8] = {};
    ASSERT_EQ(5, a.TestGetValue("O=K", "Zone", 0, value, sizeof value));
    EXPECT_EQ("south", std::string(value, 5));
}

TEST_F(PosixStoreFile, EnginesChangingAtTheSameTimeLoseNothing)
{
    WriteFile(path_, kStore);
    Engine a, b;
    Attach(a);
    Attach(b);
    int32_t ca = a.CreateContext(), cb = b.CreateContext();
    ASSERT_GT(ca, 0);
    ASSERT_GT(cb, 0);
    auto run = [](Engine &engine, int32_t ctx, const char *prefix, int &failures) {
        for (int i = 0; i < 40; ++i)
            failures += AddZone(engine, ctx, prefix + std::to_string(i)) != 0;
    };
    int fa = 0, fb = 0;
    std::thread ta(run, std::ref(a), ca, "a", std::ref(fa));
    std::thread tb(run, std::ref(b), cb, "b", std::ref(fb));
    ta.join();
    tb.join();
    EXPECT_EQ(0, fa + fb) << reports_;
    Engine c;
    Attach(c);
    ASSERT_GT(c.CreateContext(), 0);
    EXPECT_EQ(80, c.TestValueCount("O=K", "Zone"));
}

TEST_F(PosixStoreFile, AnUnreadableFileRefusesContextsAndIsNeverWritten)
{
    std::string bad = std::string(kStore) + "\nobject: O=Broken\n";
    WriteFile(path_, bad);
    Engine a;
    Attach(a);
    EXPECT_EQ(DIR_ERR_NO_CONTEXT, a.CreateContext());
    EXPECT_NE(std::string::npos, reports_.find(path_ + " cannot be used: line 14")) << reports_;
    EXPECT_NE(0, a.TestAddObject("O=Other", "organization"));
    EXPECT_EQ(bad, ReadFile(path_));
}

TEST_F(PosixStoreFile, AFailedWriteChangesNeitherTheFileNorTheEngine)
{
    WriteFile(path_, kStore);
    Engine a;
    Attach(a);
    int32_t ctx = a.CreateContext();
    ASSERT_GT(ctx, 0);
    ASSERT_EQ(0, mkdir((path_ + ".tmp").c_str(), 0755));
    EXPECT_EQ(dirstore::kErrStoreUnavailable, AddZone(a, ctx, "north"));
    EXPECT_EQ(std::string(kStore), ReadFile(path_));
    EXPECT_EQ(0, a.TestValueCount("O=K", "Zone"));
    rmdir((path_ + ".tmp").c_str());
    EXPECT_EQ(0, AddZone(a, ctx, "north"));
}

TEST_F(PosixStoreFile, AMissingFileIsAnEmptyDirectoryUntilTheFirstChange)
{
    Engine a;
    Attach(a);
    ASSERT_GT(a.CreateContext(), 0);
    EXPECT_NE(0, access(path_.c_str(), F_OK));
    a.TestSetChecks(false);
    ASSERT_EQ(0, a.TestAddObject("O=K", "organization"));
    EXPECT_NE(std::string::npos, ReadFile(path_).find("object: O=K\nclass: organization\n"));
}

}  // namespace
