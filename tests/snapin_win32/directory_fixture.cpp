#include "directory_fixture.h"

#include "core/heap.h"
#include "core/module_win32.h"

#include <dircli32_test.h>
#include <windows.h>

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

} // namespace raxtest
