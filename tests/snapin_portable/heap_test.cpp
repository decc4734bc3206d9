#include "core/heap.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(Heap, BlocksComeZeroFilled)
{
    auto *block = static_cast<uint8_t *>(rax::AllocZeroed(64));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(block[i], 0) << "byte " << i;
    rax::FreeBlock(block);
}

TEST(Heap, PlannedFailureHitsExactlyTheNthAllocation)
{
    rax::ResetAllocationCounters();
    rax::FailAllocationAt(3);
    void *first = rax::AllocZeroed(8);
    void *second = rax::AllocZeroed(8);
    void *third = rax::AllocZeroed(8);
    void *fourth = rax::AllocZeroed(8);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(third, nullptr);
    EXPECT_NE(fourth, nullptr) << "only the planned allocation fails";
    EXPECT_EQ(rax::AllocationCount(), 4u);
    EXPECT_EQ(rax::OutstandingBlocks(), 3);
    rax::FreeBlock(first);
    rax::FreeBlock(second);
    rax::FreeBlock(fourth);
    rax::FreeBlock(nullptr);
    EXPECT_EQ(rax::OutstandingBlocks(), 0);
}

} // namespace
