// The error boxes as the user sees them: each one is caught when it becomes
// active, its text, caption, icon and owner are recorded, and it is closed
// with OK at once.
#include "network/messages.h"

#include "harness.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace rax {
namespace {

using harness::BoxIcon;

class ErrorBoxes : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner_ = CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override { DestroyWindow(owner_); }
    const std::vector<harness::CapturedBox> &Boxes() const { return capture_.Boxes(); }

    harness::ModalCapture capture_;
    HWND owner_ = nullptr;
};

TEST_F(ErrorBoxes, RuleFailureOnANetworkPageIsOwnedByThePage)
{
    ShowErrorMessage(owner_, MsgInvalidIpxAddress, CaptionSnapin);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "Invalid IPX address. A valid address is 12 hexdecimal characters and a range of "
                               "000000000002 - FFFFFFFFFFFE");
    EXPECT_EQ(Boxes()[0].caption, "Remote Access Ostrum Snapin");
    EXPECT_EQ(Boxes()[0].owner, owner_);
    EXPECT_EQ(Boxes()[0].icon, BoxIcon::Stop);
}

TEST_F(ErrorBoxes, MinutesFieldsReportWithoutOwnerUnderTheUserPageCaption)
{
    ShowErrorMessage(NoOwnerWindow, MsgInvalidIdleTimeout, CaptionUserPage);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "The valid maximum idle timeout is between -1 and 100000.");
    EXPECT_EQ(Boxes()[0].caption, "Remote Access - 1");
    EXPECT_EQ(Boxes()[0].owner, nullptr);
    EXPECT_EQ(Boxes()[0].icon, BoxIcon::Stop);
}

TEST_F(ErrorBoxes, OutOfMemoryHasNoOwner)
{
    ReportOutOfMemory();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "Memory allocation failure.");
    EXPECT_EQ(Boxes()[0].caption, "Remote Access Ostrum Snapin");
    EXPECT_EQ(Boxes()[0].owner, nullptr);
    EXPECT_EQ(Boxes()[0].icon, BoxIcon::Stop);
}

TEST_F(ErrorBoxes, AMissingTextShowsNoBox)
{
    ShowErrorMessage(owner_, 5999, CaptionSnapin);
    ShowErrorMessage(owner_, MsgInvalidIpxAddress, 6999);
    EXPECT_TRUE(Boxes().empty());
}

} // namespace
} // namespace rax
