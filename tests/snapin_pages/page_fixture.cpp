#include "page_fixture.h"

#include "core/heap.h"
#include "core/module_win32.h"
#include "core/pages.h"
#include "core/snapin_state.h"
#include "network/network_page_state.h"
#include "resources/resource.h"
#include "user/user_parameters_page.h"
#include "user/user_remote_params.h"

#include <dircli32.h>
#include <dircli32_test.h>
#include <svclib32_test.h>

namespace pagetest {

namespace {

char g_firstTabTitle[126];

// Class procedures that do for the network pages what the user and container
// class procedures do (set the object name, read on 259, hand the page on
// 260, write on 262), without the schema check and the other pages.
int32_t WINAPI UserSecondPageProc(const char *objectName, uint32_t message, uint32_t, HostPageInfo *info)
{
    switch (message & 0xFFFF) {
    case HostClassMsgLoad:
        if (!rax::SetCurrentObjectName(objectName))
            return 0;
        rax::ReadServiceParameters(objectName);
        return 1;
    case HostClassMsgPageInfo:
        *info = {ServiceParametersPageDlg, GetModuleHandleA(nullptr), "ServiceParameters", "Remote Access - 2", 0};
        return 0;
    case HostClassMsgSave:
        rax::WriteServiceParameters(objectName);
        return 0;
    default:
        return 0;
    }
}

int32_t WINAPI ContainerPageProc(const char *objectName, uint32_t message, uint32_t, HostPageInfo *info)
{
    switch (message & 0xFFFF) {
    case HostClassMsgLoad:
        if (!rax::SetCurrentObjectName(objectName))
            return 0;
        rax::ReadOtherParameters(objectName);
        return 1;
    case HostClassMsgPageInfo:
        *info = {OtherParametersPageDlg, GetModuleHandleA(nullptr), "OtherParameters", "Remote Access", 0};
        return 0;
    case HostClassMsgSave:
        rax::WriteOtherParameters(objectName);
        return 0;
    default:
        return 0;
    }
}

} // namespace

int32_t WINAPI FirstPageClassProc(const char *objectName, uint32_t message, uint32_t index, HostPageInfo *info)
{
    switch (message & 0xFFFF) {
    case HostClassMsgSetup:
        LoadStringA(rax::ModuleInstance(), IDS_TITLE_REMOTE_ACCESS_1, g_firstTabTitle, sizeof g_firstTabTitle);
        return 0;
    case HostClassMsgLoad:
        if (!rax::SetCurrentObjectName(objectName))
            return 0;
        rax::ReadUserParameters(objectName);
        return 1;
    case HostClassMsgPageInfo:
        if (index != 0 || !info)
            return 0;
        *info = {UserParametersPageDlg, rax::ModuleInstance(), rax::UserParametersTemplate, g_firstTabTitle, 0};
        return 0;
    case HostClassMsgSave:
        rax::WriteUserParameters(objectName);
        return 0;
    default:
        return 0;
    }
}

Bytes Item(uint16_t tag, const Bytes &data)
{
    Bytes item{static_cast<uint8_t>(tag), static_cast<uint8_t>(tag >> 8)};
    uint32_t n = static_cast<uint32_t>(data.size());
    for (int i = 0; i < 4; ++i)
        item.push_back(static_cast<uint8_t>(n >> (8 * i)));
    item.insert(item.end(), data.begin(), data.end());
    return item;
}

Bytes TextItem(uint16_t tag, const std::string &text) { return Item(tag, ZoneValue(text)); }

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes ZoneValue(const std::string &name)
{
    Bytes value(name.begin(), name.end());
    value.push_back(0);
    return value;
}

void StoreInteger(const char *object, const char *attribute, int32_t value)
{
    ASSERT_EQ(DirTestAddValue(object, attribute, DIR_SYNTAX_INTEGER, &value, sizeof value), 0) << attribute;
}

void StoreText(const char *object, const char *attribute, const char *text)
{
    ASSERT_EQ(DirTestAddValue(object, attribute, DIR_SYNTAX_TELEPHONE_NUMBER, text,
                              static_cast<uint32_t>(lstrlenA(text) + 1)),
              0)
        << attribute;
}

void StoreOctets(const char *object, const char *attribute, const Bytes &value)
{
    ASSERT_EQ(DirTestAddValue(object, attribute, DIR_SYNTAX_OCTET_STRING, value.data(),
                              static_cast<uint32_t>(value.size())),
              0)
        << attribute;
}

int ValueCount(const char *object, const char *attribute) { return DirTestValueCount(object, attribute); }

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

Bytes StoredValue(const char *object, const char *attribute, uint32_t index)
{
    Bytes value(4096);
    int32_t n = DirTestGetValue(object, attribute, index, value.data(), static_cast<uint32_t>(value.size()));
    value.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return value;
}

uint32_t Writes() { return DirTestCallCount(ModifyObject); }

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Send(HWND dialog, int id, int notification)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, notification), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string StringOf(int id)
{
    char text[512] = {};
    LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), text, sizeof text);
    return text;
}

void PageTest::SetUp()
{
    rax::SetModuleInstance(GetModuleHandleA(nullptr));
    rax::FailAllocationAt(0);
    // Whatever an earlier test left open.
    rax::ResetUserParameters();
    rax::ReleaseNetworkPageValues();
    heapAtStart_ = rax::OutstandingBlocks();
    DirTestReset();
    SvcTestReset();
    for (const char *cls : {"user", "organizational unit", "organization", "locality", "country", "Dravon Server"})
        ASSERT_EQ(DirTestDefineClass(cls), 0);
    for (const char *unit : {UnitObject, OtherUnitObject})
        ASSERT_EQ(DirTestAddObject(unit, "organizational unit"), 0);
    for (const char *user : {UserObject, OtherUserObject})
        ASSERT_EQ(DirTestAddObject(user, "user"), 0);
    DirTestSetIdentity(Admin);
    for (const char *object : {UnitObject, OtherUnitObject, UserObject, OtherUserObject})
        DirTestSetRights(Admin, object, WriteRight | ReadRights);
    DirTestResetCounts();
    capture_ = std::make_unique<harness::ModalCapture>();
    help_ = std::make_unique<harness::HelpCapture>();
    frame_ = CreateWindowExA(0, "STATIC", "sheet", WS_POPUP, 0, 0, 500, 450, nullptr, nullptr, nullptr, nullptr);
}

void PageTest::TearDown()
{
    sheet_.reset();
    Pump();
    if (frame_)
        DestroyWindow(frame_);
    help_.reset();
    capture_.reset();
    rax::FailAllocationAt(0);
    DirTestClearFailures();
    rax::ResetUserParameters();
    EXPECT_EQ(DirTestOpenContexts(), 0);
    EXPECT_EQ(DirTestOpenBuffers(), 0);
}

HWND PageTest::OpenSheet(HostClassProc proc, const char *object, size_t index)
{
    pageIndex_ = index;
    sheet_ = std::make_unique<host::ObjectSheet>(proc, object);
    if (sheet_->Open() <= static_cast<int>(index) || !sheet_->CreatePages(frame_, false))
        return nullptr;
    Pump();   // the page's end-of-loading message
    DirTestResetCounts();
    return Page();
}

HWND PageTest::Page() const
{
    return sheet_ && pageIndex_ < sheet_->Pages().size() ? sheet_->Pages()[pageIndex_].window : nullptr;
}

int PageTest::ChangeNotices() const
{
    return sheet_ && pageIndex_ < sheet_->Pages().size() ? sheet_->Pages()[pageIndex_].changeNotices : 0;
}

void PageTest::SetText(int id, const char *text) { SetDlgItemTextA(Page(), id, text); }

void PageTest::SetCheck(int id, bool checked)
{
    if (Checked(id) != checked)
        Toggle(id);
}

void PageTest::Toggle(int id)
{
    CheckDlgButton(Page(), id, Checked(id) ? BST_UNCHECKED : BST_CHECKED);
    Command(id, BN_CLICKED);
}

void PageTest::Command(int id, int notification) { Send(Page(), id, notification); }

std::string PageTest::Text(int id) const { return harness::ItemText(Page(), id); }
bool PageTest::Checked(int id) const { return IsDlgButtonChecked(Page(), id) == BST_CHECKED; }
bool PageTest::Enabled(int id) const { return IsWindowEnabled(GetDlgItem(Page(), id)) != FALSE; }
std::vector<std::string> PageTest::List(int id) const { return harness::ListItems(Page(), id); }

std::vector<std::string> PageTest::BoxTexts() const
{
    std::vector<std::string> texts;
    for (const auto &box : capture_->Boxes())
        texts.push_back(box.text);
    return texts;
}

HWND NetworkPageTest::OpenUserPage(const char *object) { return OpenSheet(UserSecondPageProc, object); }
HWND NetworkPageTest::OpenContainerPage(const char *object) { return OpenSheet(ContainerPageProc, object); }
bool NetworkPageTest::Apply() { return sheet_->Apply(); }

void NetworkPageTest::Save()
{
    sheet_->Save();
    sheet_->Close();
}

void NetworkPageTest::Cancel() { sheet_->Close(); }

HWND UserPageTest::OpenPage(const char *object)
{
    ClosePage();
    pageIndex_ = 0;
    sheet_ = std::make_unique<host::ObjectSheet>(FirstPageClassProc, object);
    EXPECT_EQ(sheet_->Open(), 1);
    EXPECT_TRUE(sheet_->CreatePages(frame_, false));
    page_ = Page();
    EXPECT_TRUE(rax::UserPageLoading());
    Pump();
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

void UserPageTest::ChooseRow(int row)
{
    HWND list = GetDlgItem(Page(), 1014);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(1014, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

int UserPageTest::SelectedRow() const
{
    return static_cast<int>(SendDlgItemMessageA(Page(), 1014, CB_GETCURSEL, 0, 0));
}

} // namespace pagetest
