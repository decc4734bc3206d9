// The page in its place: the user class procedure of the snap-in loads both
// pages, the first one is this page, and a save writes only what this page
// changed.
#include "page_fixture.h"

#include "core/attribute_formats.h"
#include "core/class_procedures.h"
#include "core/pages.h"
#include "user/user_parameters_ids.h"
#include "user/user_remote_params.h"

#include <dircli32_test.h>

namespace pagetest {
namespace {

using namespace rax;

class UserClassTest : public UserPageTest {
protected:
    void SetUp() override
    {
        UserPageTest::SetUp();
        // A schema already extended: the class extended last names the
        // attributes the snap-in looks for, so loading extends nothing.
        ASSERT_EQ(DirTestAddClassAttribute("country", AttrIdleTimeout), 0);
        ASSERT_EQ(DirTestAddClassAttribute("country", AttrIpFilters), 0);
    }
};

TEST_F(UserClassTest, FirstPageOfAUserIsThisPageAndASaveWritesOnlyItsChange)
{
    StoreInteger(UserObject, AttrIdleTimeout, 20);
    host::ObjectSheet sheet(reinterpret_cast<HostClassProc>(SnapinUserProc), UserObject);
    ASSERT_EQ(sheet.Open(), 2);
    ASSERT_EQ(sheet.Pages().size(), 2u);
    EXPECT_EQ(sheet.Pages()[0].templateName, "UserParameters");
    EXPECT_EQ(sheet.Pages()[0].tabTitle, "Remote Access - 1");
    EXPECT_EQ(reinterpret_cast<void *>(sheet.Pages()[0].info.pageProc), reinterpret_cast<void *>(UserParametersPageDlg));
    ASSERT_TRUE(sheet.CreatePages(frame_, false));
    Pump();
    HWND page = sheet.Pages()[0].window;
    EXPECT_EQ(harness::ItemText(page, IDC_IDLE_TIMEOUT), "20");

    DirTestResetCounts();
    SetDlgItemTextA(page, IDC_IDLE_TIMEOUT, "25");
    int refused = -1;
    ASSERT_TRUE(sheet.Apply(&refused));
    sheet.Save();
    EXPECT_EQ(DirTestCallCount(ModifyObject), 1u);
    EXPECT_EQ(StoredInteger(UserObject, AttrIdleTimeout), 25);
    sheet.Close();
}

TEST(SnapinLibrary, ExportsThePageAndDialogAndCarriesTheirTemplates)
{
    HMODULE library = LoadLibraryA("RAXADM95.DLL");
    ASSERT_NE(library, nullptr);
    EXPECT_NE(GetProcAddress(library, "UserParametersPageDlg"), nullptr);
    EXPECT_NE(GetProcAddress(library, "configPasswordDlgProc"), nullptr);
    EXPECT_NE(FindResourceA(library, "UserParameters", MAKEINTRESOURCEA(5)), nullptr);   // RT_DIALOG
    EXPECT_NE(FindResourceA(library, "CONFIGPASSWORD", MAKEINTRESOURCEA(5)), nullptr);
    FreeLibrary(library);
}

} // namespace
} // namespace pagetest
