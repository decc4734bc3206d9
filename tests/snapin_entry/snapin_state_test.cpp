// Module state shared by the pages: the help path, the current object's name,
// centring dialogs.
#include "admshare95.h"
#include "core/module_win32.h"
#include "core/snapin_state.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(SnapinState, HelpPathIsHostDirectoryBackslashAndFileName)
{
    rax::SetModuleInstance(GetModuleHandleA(nullptr));
    _putenv("RAX_HOST_HELP_DIR=C:\\ADMIN\\HELP");
    rax::BuildHelpFilePath();
    EXPECT_STREQ(rax::HelpFilePath(), "C:\\ADMIN\\HELP\\RAXADM.HLP");
    EXPECT_STREQ(ShareLastHelpFileName(), "RAXADM.HLP");
    _putenv("RAX_HOST_HELP_DIR=");
}

TEST(SnapinState, ObjectNameThatDoesNotFitIsRefusedAndTheOldOneKept)
{
    ASSERT_TRUE(rax::SetCurrentObjectName("CN=First.O=Org"));
    std::string longest(255, 'x');
    ASSERT_TRUE(rax::SetCurrentObjectName(longest.c_str()));
    EXPECT_EQ(std::string(rax::CurrentObjectName()), longest);
    std::string tooLong(256, 'y');
    EXPECT_FALSE(rax::SetCurrentObjectName(tooLong.c_str()));
    EXPECT_EQ(std::string(rax::CurrentObjectName()), longest);
}

TEST(SnapinState, CenterDialogPutsTheWindowInTheMiddleOfTheDesktop)
{
    HWND window = CreateWindowExA(0, "STATIC", "d", WS_POPUP, 3, 5, 201, 101, nullptr, nullptr, nullptr, nullptr);
    rax::CenterDialog(window);
    RECT desktop{}, rect{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 201);
    EXPECT_EQ(rect.bottom - rect.top, 101);
    EXPECT_EQ(rect.left, (desktop.right - desktop.left) / 2 - 100);
    EXPECT_EQ(rect.top, (desktop.bottom - desktop.top) / 2 - 50);
    DestroyWindow(window);
}

} // namespace
