// InitSnapin and the user and container class procedures against the stand-in
// directory: which classes are registered, how many pages an object gets, and
// what a load or save touches.
#include "admhost95.h"
#include "core/class_procedures.h"
#include "core/module_win32.h"
#include "core/pages.h"
#include "core/snapin_state.h"
#include "dircli32_test.h"
#include "harness.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char UserName[] = "CN=Jane.OU=Sales.O=Acme";
const char UnitName[] = "OU=Sales.O=Acme";
const uint32_t ModifyObjectOrdinal = 1026;
const uint32_t CreateContextOrdinal = 1001;

struct ClassRegistration : ::testing::Test {
    void SetUp() override
    {
        rax::SetModuleInstance(GetModuleHandleA(nullptr));
        DirTestReset();
        for (const char *cls : {"user", "organizational unit", "organization", "locality", "country"})
            DirTestDefineClass(cls);
        DirTestAddObject("O=Acme", "organization");
        DirTestAddObject(UnitName, "organizational unit");
        DirTestAddObject(UserName, "user");
        DirTestSetIdentity("CN=Admin.O=Acme");
        DirTestSetRights("CN=Admin.O=Acme", "O=Acme", 0x20);
        HostForgetClasses();
    }
    void TearDown() override { HostForgetClasses(); }

    std::vector<std::string> RegisteredNames()
    {
        std::vector<std::string> names;
        for (int i = 0; i < HostRegisteredClassCount(); ++i) {
            HostClassRecord record{};
            HostGetRegisteredClass(i, &record);
            names.push_back(record.className);
            EXPECT_STREQ(record.kind, "DS");
            EXPECT_EQ(record.flags, 0x01010000u);
            EXPECT_EQ(record.module, GetModuleHandleA(nullptr));
        }
        return names;
    }
};

TEST_F(ClassRegistration, FiveClassesWhenTheSchemaLacksTheServerClass)
{
    EXPECT_EQ(InitSnapin(), 0);
    EXPECT_EQ(RegisteredNames(), (std::vector<std::string>{"User", "Organizational Unit", "Organization",
                                                           "Locality", "Country"}));
}

TEST_F(ClassRegistration, ServerClassFirstWhenTheSchemaHasIt)
{
    DirTestDefineClass("Dravon Server");
    EXPECT_EQ(InitSnapin(), 0);
    std::vector<std::string> names = RegisteredNames();
    ASSERT_EQ(names.size(), 6u);
    EXPECT_EQ(names[0], "Dravon Server");
    EXPECT_EQ(HostFindClassProc("Dravon Server"), reinterpret_cast<HostClassProc>(&SnapinRAXProc));
}

TEST_F(ClassRegistration, UserGetsTwoPagesAndTheirRows)
{
    SnapinUserProc(UserName, 256, 0, nullptr);
    EXPECT_EQ(SnapinUserProc(UserName, 259, 0, nullptr), 2);
    EXPECT_STREQ(rax::CurrentObjectName(), UserName);

    rax::PageInfo first{}, second{};
    EXPECT_EQ(SnapinUserProc(UserName, 0x00010000u | 260, 0, &first), 0);
    EXPECT_EQ(SnapinUserProc(UserName, 260, 1, &second), 0);
    EXPECT_EQ(first.pageProc, &UserParametersPageDlg);
    EXPECT_STREQ(first.templateName, "UserParameters");
    EXPECT_STREQ(first.tabTitle, "Remote Access - 1");
    EXPECT_EQ(second.pageProc, &ServiceParametersPageDlg);
    EXPECT_EQ(second.module, GetModuleHandleA(nullptr));
    EXPECT_STREQ(second.templateName, "ServiceParameters");
    EXPECT_STREQ(second.tabTitle, "Remote Access - 2");
    EXPECT_EQ(second.reserved, 0u);

    // Saving what nobody changed writes nothing.
    DirTestResetCounts();
    EXPECT_EQ(SnapinUserProc(UserName, 262, 0, nullptr), 0);
    EXPECT_EQ(DirTestCallCount(ModifyObjectOrdinal), 0u);
    EXPECT_EQ(DirTestOpenContexts(), 0);
    EXPECT_EQ(SnapinUserProc(UserName, 257, 0, nullptr), 0);
}

TEST_F(ClassRegistration, ContainerGetsOnePage)
{
    SnapinOuProc(UnitName, 256, 0, nullptr);
    EXPECT_EQ(SnapinOuProc(UnitName, 259, 0, nullptr), 1);
    rax::PageInfo info{};
    SnapinOuProc(UnitName, 260, 0, &info);
    EXPECT_EQ(info.pageProc, &OtherParametersPageDlg);
    EXPECT_STREQ(info.templateName, "OtherParameters");
    EXPECT_STREQ(info.tabTitle, "Remote Access");
    for (uint32_t message : {255u, 257u, 258u, 261u, 263u, 272u})
        EXPECT_EQ(SnapinOuProc(UnitName, message, 0, nullptr), 0) << message;
}

TEST_F(ClassRegistration, FailedSchemaCheckGivesNoPagesAndKeepsTheName)
{
    ASSERT_EQ(SnapinUserProc(UserName, 259, 0, nullptr), 2);
    // No context for the schema check: no pages, no message, the old name stays.
    harness::ModalCapture capture;
    DirTestFailCall(CreateContextOrdinal, 1, -328);
    EXPECT_EQ(SnapinOuProc(UnitName, 259, 0, nullptr), 0);
    EXPECT_STREQ(rax::CurrentObjectName(), UserName);
    EXPECT_TRUE(capture.Boxes().empty());
    DirTestClearFailures();
}

TEST_F(ClassRegistration, ObjectNameThatDoesNotFitGetsNoPages)
{
    ASSERT_EQ(SnapinUserProc(UserName, 259, 0, nullptr), 2);
    std::string tooLong = "CN=" + std::string(300, 'x') + ".O=Acme";
    EXPECT_EQ(SnapinUserProc(tooLong.c_str(), 259, 0, nullptr), 0);
    EXPECT_STREQ(rax::CurrentObjectName(), UserName);
}

TEST_F(ClassRegistration, SaveWithoutADirectoryWritesNothing)
{
    ASSERT_EQ(SnapinUserProc(UserName, 259, 0, nullptr), 2);
    DirTestResetCounts();
    DirTestFailCall(CreateContextOrdinal, 1, -328);
    EXPECT_EQ(SnapinUserProc(UserName, 262, 0, nullptr), 0);
    EXPECT_EQ(DirTestCallCount(CreateContextOrdinal), 1u) << "only the check context was tried";
    DirTestClearFailures();
}

} // namespace
