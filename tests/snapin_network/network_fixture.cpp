#include "network_fixture.h"

#include "core/heap.h"
#include "core/module_win32.h"
#include "core/pages.h"
#include "core/snapin_state.h"
#include "network/network_page_state.h"

#include <dircli32_test.h>
#include <svclib32_test.h>

namespace nettest {

namespace {

// Class procedures that do for the network pages what the user and
// container class procedures do (set the object name, read on 259, hand the
// page on 260, write on 262), without the schema check and the other pages.
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

Bytes Item(uint16_t tag, const Bytes &data)
{
    Bytes item{static_cast<uint8_t>(tag), static_cast<uint8_t>(tag >> 8)};
    uint32_t n = static_cast<uint32_t>(data.size());
    for (int i = 0; i < 4; ++i)
        item.push_back(static_cast<uint8_t>(n >> (8 * i)));
    item.insert(item.end(), data.begin(), data.end());
    return item;
}

Bytes TextItem(uint16_t tag, const std::string &text)
{
    return Item(tag, ZoneValue(text));
}

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

void NetworkPageTest::SetUp()
{
    rax::SetModuleInstance(GetModuleHandleA(nullptr));
    rax::FailAllocationAt(0);
    rax::ReleaseNetworkPageValues();   // whatever an earlier test left open
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
    capture_ = std::make_unique<harness::ModalCapture>();
    help_ = std::make_unique<harness::HelpCapture>();
    parent_ = CreateWindowExA(0, "STATIC", "sheet", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr, nullptr, nullptr);
}

void NetworkPageTest::TearDown()
{
    sheet_.reset();
    Pump();
    if (parent_)
        DestroyWindow(parent_);
    help_.reset();
    capture_.reset();
    rax::FailAllocationAt(0);
    DirTestClearFailures();
    EXPECT_EQ(DirTestOpenContexts(), 0);
    EXPECT_EQ(DirTestOpenBuffers(), 0);
}

HWND NetworkPageTest::OpenPage(HostClassProc proc, const char *object)
{
    sheet_ = std::make_unique<host::ObjectSheet>(proc, object);
    if (sheet_->Open() != 1 || !sheet_->CreatePages(parent_, false))
        return nullptr;
    Pump();   // the page's end-of-loading message
    DirTestResetCounts();
    return Page();
}

HWND NetworkPageTest::OpenUserPage(const char *object) { return OpenPage(UserSecondPageProc, object); }
HWND NetworkPageTest::OpenContainerPage(const char *object) { return OpenPage(ContainerPageProc, object); }

HWND NetworkPageTest::Page() const
{
    return sheet_ && pageIndex_ < sheet_->Pages().size() ? sheet_->Pages()[pageIndex_].window : nullptr;
}

int NetworkPageTest::ChangeNotices() const
{
    return sheet_ && pageIndex_ < sheet_->Pages().size() ? sheet_->Pages()[pageIndex_].changeNotices : 0;
}

bool NetworkPageTest::Apply() { return sheet_->Apply(); }

void NetworkPageTest::Save()
{
    sheet_->Save();
    sheet_->Close();
}

void NetworkPageTest::Cancel() { sheet_->Close(); }

void NetworkPageTest::SetText(int id, const char *text) { SetDlgItemTextA(Page(), id, text); }

void NetworkPageTest::SetCheck(int id, bool checked)
{
    if (Checked(id) == checked)
        return;
    CheckDlgButton(Page(), id, checked ? BST_CHECKED : BST_UNCHECKED);
    Command(id, BN_CLICKED);
}

void NetworkPageTest::Command(int id, int notification) { Send(Page(), id, notification); }

std::string NetworkPageTest::Text(int id) const { return harness::ItemText(Page(), id); }
bool NetworkPageTest::Checked(int id) const { return IsDlgButtonChecked(Page(), id) == BST_CHECKED; }
bool NetworkPageTest::Enabled(int id) const { return IsWindowEnabled(GetDlgItem(Page(), id)) != FALSE; }
std::vector<std::string> NetworkPageTest::List(int id) const { return harness::ListItems(Page(), id); }

void NetworkPageTest::StoreOctets(const char *object, const char *attribute, const Bytes &value)
{
    ASSERT_EQ(DirTestAddValue(object, attribute, 9, value.data(), static_cast<uint32_t>(value.size())), 0);
}

void NetworkPageTest::StoreInteger(const char *object, const char *attribute, int32_t value)
{
    ASSERT_EQ(DirTestAddValue(object, attribute, 8, &value, sizeof value), 0);
}

int NetworkPageTest::ValueCount(const char *object, const char *attribute) const
{
    return DirTestValueCount(object, attribute);
}

Bytes NetworkPageTest::StoredValue(const char *object, const char *attribute, uint32_t index) const
{
    Bytes value(4096);
    int32_t n = DirTestGetValue(object, attribute, index, value.data(), static_cast<uint32_t>(value.size()));
    if (n < 0)
        return {};
    value.resize(static_cast<size_t>(n));
    return value;
}

uint32_t NetworkPageTest::Writes() const { return DirTestCallCount(ModifyObject); }

std::string NetworkPageTest::StringOf(int id)
{
    char text[512] = {};
    LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), text, sizeof text);
    return text;
}

std::vector<std::string> NetworkPageTest::BoxTexts() const
{
    std::vector<std::string> texts;
    for (const auto &box : capture_->Boxes())
        texts.push_back(box.text);
    return texts;
}

} // namespace nettest
