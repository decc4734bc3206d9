// The network pages as the host gets them: through the registered class
// procedures of users and containers, the schema check included.
#include "page_fixture.h"

#include "core/class_procedures.h"
#include "network/network_page_ids.h"

#include <dircli32_test.h>

#include <cstdio>

using namespace pagetest;

namespace {

const char IdleTimeout[] = "Dravon Idle Timeout";
const char IpProfile[] = "Dravon IP Profile";

class ClassProcedures : public NetworkPageTest {
protected:
    // The unit's page through the unit class procedure, its timeout changed
    // and applied: what a save has to write.
    void ChangeUnitTimeout()
    {
        sheet_ = std::make_unique<host::ObjectSheet>(reinterpret_cast<HostClassProc>(SnapinOuProc), UnitObject);
        ASSERT_EQ(sheet_->Open(), 1);
        ASSERT_TRUE(sheet_->CreatePages(frame_, false));
        Pump();
        SetCheck(IDC_SPECIFY_IDLE_TIMEOUT, true);
        SetText(IDC_IDLE_TIMEOUT, "30");
        ASSERT_TRUE(Apply());
        DirTestResetCounts();
    }
    std::string MessageWithCode(int id, long code)
    {
        char text[512];
        std::snprintf(text, sizeof text, StringOf(id).c_str(), code);
        return text;
    }
};

TEST_F(ClassProcedures, EachContainerProcedureShowsReadsAndSavesTheOtherParametersPage)
{
    struct Case { decltype(&SnapinOuProc) proc; const char *object; int32_t stored; int32_t typed; };
    for (Case c : {Case{SnapinOuProc, UnitObject, 30, 45}, Case{SnapinOProc, UnitObject, 45, 50},
                   Case{SnapinLocalProc, OtherUnitObject, 7, 8}, Case{SnapinCountryProc, OtherUnitObject, 8, -1}}) {
        if (c.stored == 30 || c.stored == 7)
            StoreInteger(c.object, IdleTimeout, c.stored);
        sheet_ = std::make_unique<host::ObjectSheet>(reinterpret_cast<HostClassProc>(c.proc), c.object);
        ASSERT_EQ(sheet_->Open(), 1);
        EXPECT_EQ(sheet_->Pages()[0].templateName, "OtherParameters");
        EXPECT_EQ(sheet_->Pages()[0].tabTitle, "Remote Access");
        ASSERT_TRUE(sheet_->CreatePages(frame_, false));
        Pump();
        EXPECT_EQ(Text(IDC_IDLE_TIMEOUT), std::to_string(c.stored));
        SetText(IDC_IDLE_TIMEOUT, std::to_string(c.typed).c_str());
        DirTestResetCounts();
        ASSERT_TRUE(Apply());
        Save();
        EXPECT_EQ(Writes(), 1u);
        Bytes expected(4);
        for (int i = 0; i < 4; ++i)
            expected[i] = static_cast<uint8_t>(static_cast<uint32_t>(c.typed) >> (8 * i));
        EXPECT_EQ(StoredValue(c.object, IdleTimeout), expected);
    }
    EXPECT_TRUE(capture_->Boxes().empty());
}

TEST_F(ClassProcedures, UserProcedureShowsTheServiceParametersPageSecondAndSavesIt)
{
    sheet_ = std::make_unique<host::ObjectSheet>(reinterpret_cast<HostClassProc>(SnapinUserProc), UserObject);
    ASSERT_EQ(sheet_->Open(), 2);
    EXPECT_EQ(sheet_->Pages()[1].templateName, "ServiceParameters");
    EXPECT_EQ(sheet_->Pages()[1].tabTitle, "Remote Access - 2");
    ASSERT_TRUE(sheet_->CreatePages(frame_, false));
    Pump();
    pageIndex_ = 1;
    SetCheck(IDC_SET_BOOT_PARAMETERS, true);
    SetText(IDC_TFTP_SERVER, "10.0.0.1");
    SetText(IDC_BOOT_FILE, "boot.img");
    DirTestResetCounts();
    ASSERT_TRUE(Apply());
    Save();
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(StoredValue(UserObject, IpProfile), Join({Item(0x8035, {10, 0, 0, 1}), TextItem(0x8037, "boot.img")}));
    EXPECT_TRUE(capture_->Boxes().empty());
}

TEST_F(ClassProcedures, UserLoadedAndSavedWithoutItsPagesShownWritesNothing)
{
    StoreOctets(UserObject, IpProfile, Item(0x8006, {10, 0, 0, 1}));
    StoreOctets(UserObject, "Dravon ARAS Zone", ZoneValue("Sales"));
    sheet_ = std::make_unique<host::ObjectSheet>(reinterpret_cast<HostClassProc>(SnapinUserProc), UserObject);
    ASSERT_EQ(sheet_->Open(), 2);
    DirTestResetCounts();
    Save();
    EXPECT_EQ(Writes(), 0u);
    EXPECT_EQ(ValueCount(UserObject, IpProfile), 1);
    EXPECT_EQ(ValueCount(UserObject, "Dravon ARAS Zone"), 1);
}

// A save that does not reach the directory is reported in one box, with the
// code of the first failure: a failed write, or no context for the check.
TEST_F(ClassProcedures, FailedSaveIsReportedOnceWithTheDirectorysCode)
{
    struct Case { uint32_t ordinal; int32_t code; };
    for (Case c : {Case{ModifyObject, -625}, Case{1001, -328}}) {
        ChangeUnitTimeout();
        DirTestFailCall(c.ordinal, 1, c.code);
        size_t before = capture_->Boxes().size();
        Save();
        DirTestClearFailures();
        EXPECT_EQ(ValueCount(UnitObject, IdleTimeout), 0);
        ASSERT_EQ(capture_->Boxes().size(), before + 1) << c.ordinal;
        const harness::CapturedBox &box = capture_->Boxes().back();
        EXPECT_EQ(box.text, MessageWithCode(5030, c.code));
        EXPECT_EQ(box.caption, StringOf(6002));
        EXPECT_EQ(box.icon, harness::BoxIcon::Stop);
        EXPECT_EQ(box.owner, nullptr);
    }
}

TEST_F(ClassProcedures, SaveNamingAnotherObjectThanTheOneLoadedWritesNothing)
{
    ChangeUnitTimeout();
    EXPECT_EQ(SnapinOuProc(OtherUnitObject, 262, 0, nullptr), 0);
    EXPECT_EQ(Writes(), 0u);
    EXPECT_EQ(ValueCount(OtherUnitObject, IdleTimeout), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{StringOf(5031)});
    // Named as loaded (directory names compare without regard to case), it is saved.
    EXPECT_EQ(SnapinOuProc("ou=sales.o=acme", 262, 0, nullptr), 0);
    EXPECT_EQ(StoredValue(UnitObject, IdleTimeout), (Bytes{30, 0, 0, 0}));
}

} // namespace
