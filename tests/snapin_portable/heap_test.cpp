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

} // namespace
