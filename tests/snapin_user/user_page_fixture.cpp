#include "user_page_fixture.h"

#include "core/heap.h"
#include "core/module_win32.h"
#include "core/pages.h"
#include "core/snapin_state.h"
#include "resources/resource.h"
#include "user/user_parameters_page.h"
#include "user/user_remote_params.h"

#include <dircli32.h>
#include <dircli32_test.h>

namespace usertest {

namespace {
char g_tabTitle[126];
} // namespace

int32_t WINAPI FirstPageClassProc(const char *objectName, uint32_t message, uint32_t index, HostPageInfo *info)
{
    switch (message & 0xFFFF) {
    case HostClassMsgSetup:
        LoadStringA(rax::ModuleInstance(), IDS_TITLE_REMOTE_ACCESS_1, g_tabTitle, sizeof g_tabTitle);
        return 0;
    case HostClassMsgLoad:
        if (!rax::SetCurrentObjectName(objectName))
            return 0;
        rax::ReadUserParameters(objectName);
        return 1;
    case HostClassMsgPageInfo:
        if (index != 0 || !info)
            return 0;
        info->pageProc = UserParametersPageDlg;
        info->module = rax::ModuleInstance();
        info->templateName = rax::UserParametersTemplate;
        info->tabTitle = g_tabTitle;
        info->reserved = 0;
        return 0;
    case HostClassMsgSave:
        rax::WriteUserParameters(objectName);
        return 0;
    default:
        return 0;
    }
}

void PutInteger(const char *object, const char *attribute, int32_t value)
{
    ASSERT_EQ(DirTestAddValue(object, attribute, DIR_SYNTAX_INTEGER, &value, sizeof value), 0) << attribute;
}

void PutText(const char *object, const char *attribute, const char *text)
{
    ASSERT_EQ(DirTestAddValue(object, attribute, DIR_SYNTAX_TELEPHONE_NUMBER, text,
                              static_cast<uint32_t>(lstrlenA(text) + 1)),
              0)
        << attribute;
}

void PutBytes(const char *object, const char *attribute, const std::vector<uint8_t> &bytes)
{
    ASSERT_EQ(DirTestAddValue(object, attribute, DIR_SYNTAX_OCTET_STRING, bytes.data(),
                              static_cast<uint32_t>(bytes.size())),
              0)
        << attribute;
}

int32_t ValueCount(const char *object, const char *attribute) { return DirTestValueCount(object, attribute); }

int32_t StoredInteger(const char *object, const char *attribute)
{
    int32_t value = 0x7EEEEEEE;
    EXPECT_EQ(DirTestGetValue(object, attribute, 0, &value, sizeof value), 4) << attribute;
    return value;
}

std::string StoredText(const char *object, const char *attribute)
{
    char text[512] = {};
    int32_t n = DirTestGetValue(object, attribute, 0, text, sizeof text - 1);
    return n < 0 ? std::string("<none>") : std::string(text);
}

std::vector<uint8_t> StoredBytes(const char *object, const char *attribute)
{
    std::vector<uint8_t> bytes(512);
    int32_t n = DirTestGetValue(object, attribute, 0, bytes.data(), static_cast<uint32_t>(bytes.size()));
    bytes.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return bytes;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void UserPageTest::SetUp()
{
    rax::SetModuleInstance(GetModuleHandleA(nullptr));
    rax::FailAllocationAt(0);
    rax::ResetUserParameters();
    DirTestReset();
    ASSERT_EQ(DirTestDefineClass("user"), 0);
    ASSERT_EQ(DirTestAddObject(UserObject, "user"), 0);
    ASSERT_EQ(DirTestAddObject(OtherUserObject, "user"), 0);
    DirTestSetIdentity(Admin);
    DirTestSetRights(Admin, UserObject, DIR_RIGHT_WRITE);
    DirTestSetRights(Admin, OtherUserObject, DIR_RIGHT_WRITE);
    DirTestResetCounts();
    frame_ = CreateWindowExA(0, "STATIC", "sheet", WS_OVERLAPPEDWINDOW, 0, 0, 500, 450, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    capture_ = std::make_unique<harness::ModalCapture>();
}

void UserPageTest::TearDown()
{
    ClosePage();
    capture_.reset();
    if (frame_)
        DestroyWindow(frame_);
    DirTestClearFailures();
    rax::ResetUserParameters();
}

HWND UserPageTest::OpenPage(const char *object)
{
    ClosePage();
    sheet_ = std::make_unique<host::ObjectSheet>(FirstPageClassProc, object);
    EXPECT_EQ(sheet_->Open(), 1);
    EXPECT_TRUE(sheet_->CreatePages(frame_, false));
    page_ = sheet_->Pages().empty() ? nullptr : sheet_->Pages()[0].window;
    EXPECT_TRUE(rax::UserPageLoading());
    PumpMessages();
    EXPECT_FALSE(rax::UserPageLoading());
    DirTestResetCounts();
    return page_;
}

void UserPageTest::ClosePage()
{
    sheet_.reset();
    page_ = nullptr;
}

INT_PTR UserPageTest::Apply() { return UserParametersPageDlg(page_, rax::PageMsgApply, 0, 0); }

void UserPageTest::Save() { sheet_->Save(); }

void UserPageTest::SetField(int id, const char *text) { SetDlgItemTextA(page_, id, text); }

void UserPageTest::Toggle(int id)
{
    CheckDlgButton(page_, id, IsChecked(id) ? BST_UNCHECKED : BST_CHECKED);
    SendMessageA(page_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page_, id)));
}

void UserPageTest::ChooseRow(int row)
{
    HWND list = GetDlgItem(page_, 1014);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageA(page_, WM_COMMAND, MAKEWPARAM(1014, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void UserPageTest::Press(int id)
{
    SendMessageA(page_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page_, id)));
}

bool UserPageTest::IsChecked(int id) const { return IsDlgButtonChecked(page_, id) == BST_CHECKED; }
bool UserPageTest::IsEnabled(int id) const { return IsWindowEnabled(GetDlgItem(page_, id)) != FALSE; }
std::string UserPageTest::Text(int id) const { return harness::ItemText(page_, id); }
int UserPageTest::SelectedRow() const
{
    return static_cast<int>(SendDlgItemMessageA(page_, 1014, CB_GETCURSEL, 0, 0));
}
int UserPageTest::ChangeNotices() const { return sheet_ ? sheet_->Pages()[0].changeNotices : 0; }
uint32_t UserPageTest::Writes() const { return DirTestCallCount(ModifyOrdinal); }

} // namespace usertest
