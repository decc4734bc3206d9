// The access-server class: its pictures, its one page, and its answers.
#include "admshare95.h"
#include "core/class_procedures.h"
#include "core/identification_page.h"
#include "core/module_win32.h"
#include "core/snapin_state.h"
#include "dircli32_test.h"
#include "harness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

struct ServerClass : ::testing::Test {
    void SetUp() override
    {
        rax::SetModuleInstance(GetModuleHandleA(nullptr));
        SnapinRAXProc("", 257, 0, nullptr);   // ends a setup an earlier test left open
        ShareReset();
    }
};

BITMAP Describe(HBITMAP bitmap)
{
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    return info;
}

TEST_F(ServerClass, SetupHandsThePicturesToTheHostAndCleanupDeletesThem)
{
    EXPECT_EQ(SnapinRAXProc("", 256, 0, nullptr), 0);
    HBITMAP normal = nullptr, alias = nullptr, readOnly = nullptr;
    ASSERT_EQ(ShareGetClassBitmaps("Dravon Server", &normal, &alias, &readOnly), 1);
    ASSERT_NE(normal, nullptr);
    ASSERT_NE(alias, nullptr);
    ASSERT_NE(readOnly, nullptr);
    EXPECT_EQ(Describe(normal).bmWidth, 16);
    EXPECT_EQ(Describe(normal).bmHeight, 16);
    EXPECT_EQ(Describe(alias).bmWidth, 24);
    EXPECT_EQ(Describe(alias).bmHeight, 16);
    EXPECT_EQ(Describe(readOnly).bmWidth, 16);

    EXPECT_EQ(SnapinRAXProc("", 257, 0, nullptr), 0);
    EXPECT_EQ(ShareCallCount(398), 1u);
    EXPECT_EQ(ShareGetClassBitmaps("Dravon Server", nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(GetObjectType(normal), 0u) << "deleted after the host gave it up";
    EXPECT_EQ(GetObjectType(alias), 0u);
    EXPECT_EQ(GetObjectType(readOnly), 0u);
}

TEST_F(ServerClass, RepeatedSetupKeepsThePicturesTheHostHolds)
{
    SnapinRAXProc("", 256, 0, nullptr);
    HBITMAP first = nullptr;
    ASSERT_EQ(ShareGetClassBitmaps("Dravon Server", &first, nullptr, nullptr), 1);
    SnapinRAXProc("", 256, 0, nullptr);
    EXPECT_EQ(ShareCallCount(399), 1u) << "registered once";
    SnapinRAXProc("", 257, 0, nullptr);
    EXPECT_EQ(GetObjectType(first), 0u) << "the one set of pictures is deleted at cleanup";
}

TEST_F(ServerClass, OnePageWithoutDirectoryAndTheQueryAnswer)
{
    SnapinRAXProc("", 256, 0, nullptr);
    EXPECT_EQ(SnapinRAXProc("CN=RAS1.O=Org", 259, 0, nullptr), 1);
    rax::PageInfo info{};
    std::memset(&info, 0xCC, sizeof info);
    EXPECT_EQ(SnapinRAXProc("", 0x7FFF0000u | 260, 0, &info), 0) << "only the low 16 bits count";
    EXPECT_EQ(info.pageProc, &IdPageDlg);
    EXPECT_EQ(info.module, GetModuleHandleA(nullptr));
    EXPECT_STREQ(info.templateName, "Identification");
    EXPECT_STREQ(info.tabTitle, "Identification");
    EXPECT_EQ(info.reserved, 0u);

    EXPECT_EQ(SnapinRAXProc("", 272, 0, nullptr), 137);
    EXPECT_EQ(SnapinRAXProc("", 0x00010000u | 272, 0, nullptr), 137);
    for (uint32_t message : {255u, 258u, 261u, 262u, 271u, 273u})
        EXPECT_EQ(SnapinRAXProc("", message, 0, nullptr), 0) << message;
    SnapinRAXProc("", 257, 0, nullptr);
}

TEST_F(ServerClass, OnePageAlsoWhenTheDirectoryCannotBeReached)
{
    // The server's page reads nothing: no context, no schema check.
    DirTestReset();
    DirTestFailCall(1001, 1, -328);
    SnapinRAXProc("", 256, 0, nullptr);
    EXPECT_EQ(SnapinRAXProc("CN=RAS1.O=Org", 259, 0, nullptr), 1);
    EXPECT_EQ(DirTestCallCount(1001), 0u);
    EXPECT_EQ(DirTestCallCount(1037), 0u);
    rax::PageInfo info{};
    EXPECT_EQ(SnapinRAXProc("", 260, 0, &info), 0);
    EXPECT_STREQ(info.templateName, "Identification");
    DirTestClearFailures();
    SnapinRAXProc("", 257, 0, nullptr);
}

TEST_F(ServerClass, IdentificationPageHasItsTextAndHelpOnly)
{
    _putenv("RAX_HOST_HELP_DIR=C:\\ADMIN\\HELP");
    rax::BuildHelpFilePath();
    _putenv("RAX_HOST_HELP_DIR=");
    HWND parent = CreateWindowExA(0, "STATIC", "sheet", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr, nullptr, nullptr);
    HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), "Identification", parent, IdPageDlg, 0);
    ASSERT_NE(page, nullptr);
    int statics = 0;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(child, cls, sizeof cls);
        EXPECT_STREQ(cls, "Static");
        EXPECT_EQ(GetDlgCtrlID(child), 0xFFFF);
        ++statics;
    }
    EXPECT_EQ(statics, 16);

    harness::HelpCapture help;
    EXPECT_EQ(IdPageDlg(page, 0x539, 0, 0), 1);
    ASSERT_EQ(help.Calls().size(), 1u);
    EXPECT_EQ(help.Calls()[0].file, "C:\\ADMIN\\HELP\\RAXADM.HLP");
    EXPECT_EQ(help.Calls()[0].command, unsigned(HELP_CONTEXT));
    EXPECT_EQ(help.Calls()[0].data, 629134ul);
    EXPECT_EQ(help.Calls()[0].caller, page);

    EXPECT_EQ(IdPageDlg(page, 0x521, 0, 0), 0) << "nothing to apply";
    DestroyWindow(page);
    DestroyWindow(parent);
}

} // namespace
