// The host's page handling, driven against a class procedure and page of this
// test program.
#include "harness.h"
#include "object_sheet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<uint32_t> g_messages;
int g_pageCount = 2;
bool g_silentZero = false;   // the page answers 0 to apply without a message

INT_PTR CALLBACK FakePageProc(HWND page, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE)
            SendMessageA(page, HostPageMsgChanged, reinterpret_cast<WPARAM>(page) & 0xFFFF, 0x10000);
        return TRUE;
    case HostPageMsgApply: {
        std::string text = harness::ItemText(page, 100);
        if (text == "bad") {
            MessageBoxA(nullptr, "refused", "Fake", MB_OK | MB_ICONSTOP);
            return 0;
        }
        return g_silentZero ? 0 : 1;
    }
    default:
        return FALSE;
    }
}

int32_t WINAPI FakeClassProc(const char *, uint32_t message, uint32_t index, HostPageInfo *info)
{
    g_messages.push_back(message & 0xFFFF);
    switch (message & 0xFFFF) {
    case HostClassMsgLoad:
        return g_pageCount;
    case HostClassMsgPageInfo:
        info->pageProc = FakePageProc;
        info->module = GetModuleHandleA(nullptr);
        info->templateName = "FakePage";
        info->tabTitle = index == 0 ? "First" : "Second";
        info->reserved = 0;
        return 0;
    default:
        return 0;
    }
}

struct SheetTest : ::testing::Test {
    void SetUp() override
    {
        g_messages.clear();
        g_pageCount = 2;
        g_silentZero = false;
        parent = CreateWindowExA(0, "STATIC", "sheet", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override { DestroyWindow(parent); }
    HWND parent = nullptr;
};

TEST_F(SheetTest, OpensWithSetupLoadAndOnePageRequestPerPage)
{
    host::ObjectSheet sheet(FakeClassProc, "CN=Someone.O=Org");
    EXPECT_EQ(sheet.Open(), 2);
    EXPECT_EQ(g_messages, (std::vector<uint32_t>{256, 259, 260, 260}));
    ASSERT_EQ(sheet.Pages().size(), 2u);
    EXPECT_EQ(sheet.Pages()[1].tabTitle, "Second");
    EXPECT_TRUE(sheet.CreatePages(parent, false));
    EXPECT_NE(sheet.Pages()[0].window, nullptr);
    sheet.Close();
    EXPECT_EQ(g_messages.back(), 257u);
}

TEST_F(SheetTest, ObjectWithoutPagesAsksForNone)
{
    g_pageCount = 0;
    host::ObjectSheet sheet(FakeClassProc, "CN=Someone.O=Org");
    EXPECT_EQ(sheet.Open(), 0);
    EXPECT_EQ(g_messages, (std::vector<uint32_t>{256, 259}));
}

TEST_F(SheetTest, ChangeNoticesAreCounted)
{
    host::ObjectSheet sheet(FakeClassProc, "CN=Someone.O=Org");
    sheet.Open();
    ASSERT_TRUE(sheet.CreatePages(parent, false));
    SetDlgItemTextA(sheet.Pages()[1].window, 100, "x");
    EXPECT_EQ(sheet.Pages()[0].changeNotices, 0);
    EXPECT_GE(sheet.Pages()[1].changeNotices, 1);
}

TEST_F(SheetTest, ApplyStopsAtTheFirstRefusal)
{
    harness::ModalCapture capture;
    host::ObjectSheet sheet(FakeClassProc, "CN=Someone.O=Org");
    sheet.Open();
    ASSERT_TRUE(sheet.CreatePages(parent, false));
    SetDlgItemTextA(sheet.Pages()[0].window, 100, "bad");
    int refused = -1;
    EXPECT_FALSE(sheet.Apply(&refused));
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(capture.Boxes().size(), 1u);

    SetDlgItemTextA(sheet.Pages()[0].window, 100, "good");
    EXPECT_TRUE(sheet.Apply(&refused));
}

TEST_F(SheetTest, SilentZeroFromAnUntouchedPageIsNoRefusal)
{
    host::ObjectSheet sheet(FakeClassProc, "CN=Someone.O=Org");
    sheet.Open();
    ASSERT_TRUE(sheet.CreatePages(parent, false));
    g_silentZero = true;
    EXPECT_TRUE(sheet.Apply());
    // The same answer after an edit is a refusal.
    SetDlgItemTextA(sheet.Pages()[1].window, 100, "x");
    int refused = -1;
    EXPECT_FALSE(sheet.Apply(&refused));
    EXPECT_EQ(refused, 1);
    g_silentZero = false;
    EXPECT_TRUE(sheet.Apply());
    sheet.Save();
    EXPECT_EQ(g_messages.back(), 262u);
}

} // namespace
