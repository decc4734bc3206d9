#include "directory_fixture.h"

#include "core/heap.h"
#include "core/module_win32.h"

#include <dircli32_test.h>

namespace raxtest {

void DirectoryTest::SetUp()
{
    // The string table is linked into the test program itself.
    rax::SetModuleInstance(GetModuleHandleA(nullptr));
    rax::FailAllocationAt(0);
    DirTestReset();
    ASSERT_EQ(DirTestDefineClass("user"), 0);
    ASSERT_EQ(DirTestDefineClass("organizational unit"), 0);
    ASSERT_EQ(DirTestDefineClass("organization"), 0);
    ASSERT_EQ(DirTestDefineClass("locality"), 0);
    ASSERT_EQ(DirTestDefineClass("country"), 0);
    ASSERT_EQ(DirTestAddObject(UnitObject, "organizational unit"), 0);
    ASSERT_EQ(DirTestAddObject(UserObject, "user"), 0);
    ASSERT_EQ(DirTestAddObject(OtherUserObject, "user"), 0);
    DirTestSetIdentity(Admin);
    DirTestResetCounts();
    heapBefore_ = rax::OutstandingBlocks();
}

void DirectoryTest::TearDown()
{
    rax::FailAllocationAt(0);
    DirTestClearFailures();
}

void DirectoryTest::ExpectAllReleased(const char *where)
{
    EXPECT_EQ(DirTestOpenContexts(), 0) << where;
    EXPECT_EQ(DirTestOpenBuffers(), 0) << where;
    EXPECT_EQ(DirTestOpenIterations(), 0) << where;
    EXPECT_EQ(rax::OutstandingBlocks(), heapBefore_) << where;
}

namespace {

std::vector<CapturedBox> g_boxes;
std::vector<HWND> g_seen;   // a box activated again (another window took the focus) counts once
HHOOK g_hook = nullptr;

bool IsDialogClass(HWND window)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpA(name, "#32770") == 0;
}

BOOL CALLBACK FindIconChild(HWND child, LPARAM found)
{
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND *>(found) = child;
        return FALSE;
    }
    return TRUE;
}

LRESULT CALLBACK CaptureHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        bool seen = false;
        for (HWND known : g_seen)
            seen = seen || known == box;
        if (IsDialogClass(box) && !seen) {
            g_seen.push_back(box);
            CapturedBox captured;
            char text[2048] = {};
            GetWindowTextA(box, text, sizeof text);
            captured.caption = text;
            text[0] = '\0';
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            captured.text = text;
            captured.owner = GetWindow(box, GW_OWNER);
            HWND iconChild = nullptr;
            EnumChildWindows(box, FindIconChild, reinterpret_cast<LPARAM>(&iconChild));
            if (iconChild) {
                auto icon = reinterpret_cast<HICON>(SendMessageA(iconChild, STM_GETICON, 0, 0));
                captured.anyIcon = icon != nullptr;
                captured.stopIcon = icon != nullptr && icon == LoadIconA(nullptr, IDI_HAND);
            }
            g_boxes.push_back(captured);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

} // namespace

BoxCapture::BoxCapture()
{
    g_boxes.clear();
    g_seen.clear();
    g_hook = SetWindowsHookExA(WH_CBT, CaptureHook, nullptr, GetCurrentThreadId());
}

BoxCapture::~BoxCapture()
{
    if (g_hook)
        UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
}

const std::vector<CapturedBox> &BoxCapture::Boxes() const { return g_boxes; }

} // namespace raxtest
