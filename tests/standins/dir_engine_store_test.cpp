// How the engine uses its store file: loads before use, never writes what it
// could not read, keeps a change only once it is written, and always unlocks.
// A scripted backend stands in for the file.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dir_engine.h"
#include "engine_requests.h"
#include "store_text.h"

namespace {

using dirstore::Engine;
using dirstore::Store;

struct FileState {
    std::string text = "version: 1\nidentity: CN=Admin.O=K\n\nobject: O=K\nclass: organization\n\n"
                       "rights: CN=Admin.O=K\ngrant: 0x20 [Root]\n";
    bool changed = true;        // the next Refresh loads the text
    bool failLock = false;
    bool failSave = false;
    int locks = 0, unlocks = 0, saves = 0, loads = 0;
};

class ScriptedFile : public dirstore::StoreBackend {
public:
    explicit ScriptedFile(FileState &state) : s_(state) {}
    std::string Path() const override { return "scripted.ldif"; }
    bool Refresh(Store &store, std::string &error) override
    {
        if (!s_.changed)
            return true;
        dirstore::ParseError parseError;
        if (!dirstore::ParseStoreText(s_.text, store, parseError)) {
            error = "line " + std::to_string(parseError.line) + ": " + parseError.message;
            return false;
        }
        ++s_.loads;
        s_.changed = false;
        return true;
    }
    bool Lock(std::string &error) override
    {
        if (s_.failLock) {
            error = "held elsewhere";
            return false;
        }
        ++s_.locks;
        return true;
    }
    void Unlock() override { ++s_.unlocks; }
    bool Save(const Store &store, std::string &error) override
    {
        if (s_.failSave) {
            error = "disk full";
            return false;
        }
        ++s_.saves;
        s_.text = dirstore::PrintStoreText(store);
        return true;
    }

private:
    FileState &s_;
};

class EngineStoreFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine_.SetReporter([this](const std::string &m) { reports_.push_back(m); });
        engine_.SetBackendFactory([this](const char *) { return std::make_unique<ScriptedFile>(file_); });
    }

    int32_t AddZone(int32_t ctx, const char *zone) { return AddZoneValue(engine_, ctx, zone); }

    FileState file_;
    Engine engine_;
    std::vector<std::string> reports_;
};

TEST_F(EngineStoreFile, TheFirstContextLoadsTheFileAndAChangeIsSavedBeforeItIsKept)
{
    int32_t ctx = engine_.CreateContext();
    ASSERT_GT(ctx, 0);
    EXPECT_EQ(1, file_.loads);
    engine_.TestSetChecks(false);
    ASSERT_EQ(0, AddZone(ctx, "A"));
    EXPECT_EQ(1, file_.saves);
    EXPECT_NE(std::string::npos, file_.text.find("attribute: Zone\noctets: A\n"));
    EXPECT_EQ(1, engine_.TestValueCount("O=K", "Zone"));
    EXPECT_EQ(file_.locks, file_.unlocks);
}

TEST_F(EngineStoreFile, AnUnreadableFileRefusesContextsAndIsNotWritten)
{
    file_.text = "version: 1\n\nobject: O=K\n";
    EXPECT_EQ(DIR_ERR_NO_CONTEXT, engine_.CreateContext());
    EXPECT_EQ(0, engine_.TestOpenContexts());
    ASSERT_EQ(1u, reports_.size());
    EXPECT_NE(std::string::npos, reports_[0].find("scripted.ldif"));
    EXPECT_NE(std::string::npos, reports_[0].find("line 3"));
    EXPECT_NE(0, engine_.TestAddObject("O=Other", "organization"));
    EXPECT_EQ(0, file_.saves);
    EXPECT_EQ(file_.locks, file_.unlocks);
}

TEST_F(EngineStoreFile, AFileSpoiltLaterFailsReadsAndChangesWith625)
{
    int32_t ctx = engine_.CreateContext();
    ASSERT_GT(ctx, 0);
    file_.text = "garbage";
    file_.changed = true;
    engine_.TestSetChecks(false);
    EXPECT_EQ(dirstore::kErrStoreUnavailable, AddZone(ctx, "A"));
    uint32_t rights = 0;
    EXPECT_EQ(dirstore::kErrStoreUnavailable, engine_.GetEffectiveRights(ctx, "CN=Admin.O=K", "O=K", "x", &rights));
    EXPECT_EQ(0, file_.saves);
    EXPECT_EQ("garbage", file_.text);
    EXPECT_EQ(file_.locks, file_.unlocks);
}

TEST_F(EngineStoreFile, AChangeThatCannotBeSavedIsNotKept)
{
    int32_t ctx = engine_.CreateContext();
    ASSERT_GT(ctx, 0);
    engine_.TestSetChecks(false);
    file_.failSave = true;
    EXPECT_EQ(dirstore::kErrStoreUnavailable, AddZone(ctx, "A"));
    EXPECT_EQ(0, engine_.TestValueCount("O=K", "Zone"));
    ASSERT_FALSE(reports_.empty());
    EXPECT_NE(std::string::npos, reports_.back().find("disk full"));
    file_.failSave = false;
    EXPECT_EQ(0, AddZone(ctx, "A"));
    EXPECT_EQ(1, engine_.TestValueCount("O=K", "Zone"));
    EXPECT_EQ(file_.locks, file_.unlocks);
}

TEST_F(EngineStoreFile, NoLockNoChange)
{
    int32_t ctx = engine_.CreateContext();
    ASSERT_GT(ctx, 0);
    engine_.TestSetChecks(false);
    file_.failLock = true;
    EXPECT_EQ(dirstore::kErrStoreUnavailable, AddZone(ctx, "A"));
    EXPECT_EQ(0, file_.saves);
    EXPECT_EQ(0, engine_.TestValueCount("O=K", "Zone"));
}

TEST_F(EngineStoreFile, ARefusedChangeWritesNothing)
{
    int32_t ctx = engine_.CreateContext();
    ASSERT_GT(ctx, 0);
    EXPECT_EQ(DIR_ERR_ILLEGAL_ATTRIBUTE, AddZone(ctx, "A"));   // checks are on with a file
    EXPECT_EQ(0, file_.saves);
    EXPECT_EQ(file_.locks, file_.unlocks);
}

TEST_F(EngineStoreFile, AChangeMadeElsewhereIsTheBaseOfTheNextChange)
{
    int32_t ctx = engine_.CreateContext();
    ASSERT_GT(ctx, 0);
    engine_.TestSetChecks(false);
    ASSERT_EQ(0, AddZone(ctx, "A"));
    // Another process adds an object meanwhile.
    file_.text += "\nobject: O=Elsewhere\nclass: organization\n";
    file_.changed = true;
    ASSERT_EQ(0, AddZone(ctx, "B"));
    EXPECT_NE(std::string::npos, file_.text.find("object: O=Elsewhere\n"));
    EXPECT_EQ(2, engine_.TestValueCount("O=K", "Zone"));
}

TEST_F(EngineStoreFile, ResetDetachesTheFile)
{
    engine_.TestReset();
    int32_t ctx = engine_.CreateContext();
    ASSERT_GT(ctx, 0);
    EXPECT_EQ(0, file_.loads);
    EXPECT_EQ(0, engine_.TestAddObject("O=Memory", "organization"));
    EXPECT_EQ(0, file_.saves);
    EXPECT_EQ(0, engine_.TestUseStoreFile(nullptr));
    ASSERT_GT(engine_.CreateContext(), 0);
    EXPECT_EQ(1, file_.loads);
    EXPECT_EQ(-1, engine_.TestValueCount("O=Memory", "x"));   // the file's directory, not the memory one
}

}  // namespace
