// The host's libraries as the snap-in reaches them: by ordinal.
#include "admhost95.h"
#include "admshare95.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

int32_t WINAPI FakeClassProc(const char *, uint32_t, uint32_t, HostPageInfo *) { return 0; }

TEST(HostLibraries, RegisteredClassesAreKeptInOrder)
{
    HostForgetClasses();
    HINSTANCE self = GetModuleHandleA(nullptr);
    HostRegisterClass("DS", "User", "(c) notice", self, FakeClassProc, 0x01010000);
    HostRegisterClass("DS", "Country", "(c) notice", self, FakeClassProc, 0x01010000);
    ASSERT_EQ(HostRegisteredClassCount(), 2);
    HostClassRecord record{};
    ASSERT_EQ(HostGetRegisteredClass(1, &record), 1);
    EXPECT_STREQ(record.kind, "DS");
    EXPECT_STREQ(record.className, "Country");
    EXPECT_EQ(record.flags, 0x01010000u);
    EXPECT_EQ(record.module, self);
    EXPECT_EQ(HostGetRegisteredClass(2, &record), 0);
    EXPECT_EQ(HostFindClassProc("user"), &FakeClassProc);
    EXPECT_EQ(HostFindClassProc("Locality"), nullptr);
    HostForgetClasses();
}

TEST(HostLibraries, HelpDirectoryHasNoTrailingBackslash)
{
    ShareReset();
    char directory[HOST_HELP_DIRECTORY_MAX + 1];
    _putenv("RAX_HOST_HELP_DIR=C:\\HOST\\HELP\\");
    ASSERT_EQ(HostGetHelpDirectory("RAXADM.HLP", directory), 0);
    EXPECT_STREQ(directory, "C:\\HOST\\HELP");
    EXPECT_STREQ(ShareLastHelpFileName(), "RAXADM.HLP");

    // Without the variable: the host program's own folder.
    _putenv("RAX_HOST_HELP_DIR=");
    ASSERT_EQ(HostGetHelpDirectory("RAXADM.HLP", directory), 0);
    ASSERT_GT(std::strlen(directory), 0u);
    EXPECT_NE(directory[std::strlen(directory) - 1], '\\');
    EXPECT_EQ(ShareCallCount(400), 2u);
}

TEST(HostLibraries, ClassBitmapsAreHeldUntilReleased)
{
    ShareReset();
    HBITMAP a = CreateBitmap(16, 16, 1, 4, nullptr);
    HBITMAP b = CreateBitmap(24, 16, 1, 4, nullptr);
    HostRegisterClassBitmaps("Dravon Server", "Dravon Server", a, b, nullptr);
    HBITMAP got[3] = {};
    ASSERT_EQ(ShareGetClassBitmaps("Dravon Server", &got[0], &got[1], &got[2]), 1);
    EXPECT_EQ(got[0], a);
    EXPECT_EQ(got[1], b);
    EXPECT_EQ(got[2], nullptr);
    HostReleaseClassBitmaps("Dravon Server", &got[0], &got[1], &got[2]);
    EXPECT_EQ(ShareGetClassBitmaps("Dravon Server", nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ShareCallCount(398), 1u);
    EXPECT_EQ(ShareCallCount(399), 1u);
    DeleteObject(a);
    DeleteObject(b);
}

} // namespace
