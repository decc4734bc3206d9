// The error boxes as the user sees them: each one is caught by a CBT hook
// when it becomes active, its text, caption, icon and owner are recorded,
// and it is closed with OK at once.
#include "network/messages.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace rax {
namespace {

struct CapturedBox {
    std::string text;
    std::string caption;
    HWND owner;
    HICON icon;
};

std::vector<CapturedBox> g_boxes;

bool IsClass(HWND window, const char *name)
{
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    return lstrcmpA(cls, name) == 0;
}

HICON BoxIcon(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsClass(child, "Static") && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    }
    return nullptr;
}

LRESULT CALLBACK CatchBox(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        if (IsClass(box, "#32770")) {
            char caption[128] = {};
            char text[512] = {};
            GetWindowTextA(box, caption, sizeof caption);
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            g_boxes.push_back({text, caption, GetWindow(box, GW_OWNER), BoxIcon(box)});
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class ErrorBoxes : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_boxes.clear();
        hook_ = SetWindowsHookExA(WH_CBT, CatchBox, nullptr, GetCurrentThreadId());
        ASSERT_NE(hook_, nullptr);
        owner_ = CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(owner_);
        UnhookWindowsHookEx(hook_);
    }
    HHOOK hook_ = nullptr;
    HWND owner_ = nullptr;
};

TEST_F(ErrorBoxes, RuleFailureOnANetworkPageIsOwnedByThePage)
{
    ShowErrorMessage(owner_, MsgInvalidIpxAddress, CaptionSnapin);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "Invalid IPX address. A valid address is 12 hexdecimal characters and a range of "
                               "000000000002 - FFFFFFFFFFFE");
    EXPECT_EQ(g_boxes[0].caption, "Remote Access Ostrum Snapin");
    EXPECT_EQ(g_boxes[0].owner, owner_);
    EXPECT_EQ(g_boxes[0].icon, LoadIconA(nullptr, IDI_HAND)) << "the stop icon";
}

TEST_F(ErrorBoxes, MinutesFieldsReportWithoutOwnerUnderTheUserPageCaption)
{
    ShowErrorMessage(NoOwnerWindow, MsgInvalidIdleTimeout, CaptionUserPage);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "The valid maximum idle timeout is between -1 and 100000.");
    EXPECT_EQ(g_boxes[0].caption, "Remote Access - 1");
    EXPECT_EQ(g_boxes[0].owner, nullptr);
    EXPECT_EQ(g_boxes[0].icon, LoadIconA(nullptr, IDI_HAND));
}

TEST_F(ErrorBoxes, OutOfMemoryHasNoOwner)
{
    ReportOutOfMemory();
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "Memory allocation failure.");
    EXPECT_EQ(g_boxes[0].caption, "Remote Access Ostrum Snapin");
    EXPECT_EQ(g_boxes[0].owner, nullptr);
    EXPECT_EQ(g_boxes[0].icon, LoadIconA(nullptr, IDI_HAND));
}

TEST_F(ErrorBoxes, AMissingTextShowsNoBox)
{
    ShowErrorMessage(owner_, 5999, CaptionSnapin);
    ShowErrorMessage(owner_, MsgInvalidIpxAddress, 6999);
    EXPECT_TRUE(g_boxes.empty());
}

} // namespace
} // namespace rax
