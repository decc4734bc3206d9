// The moment a password set to expire after so many days is disabled.
#include "user/password_expiry.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(PasswordExpiry, NowPlusDaysAndNoWrapPastThirtyTwoBits)
{
    const int32_t last = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(rax::DisableMomentAfter(1700000000, 30), 1700000000 + 30 * 86400);
    EXPECT_EQ(rax::DisableMomentAfter(2100000000, 365), 2100000000 + 365 * 86400);
    EXPECT_EQ(rax::DisableMomentAfter(last - 86400, 1), last);
    EXPECT_EQ(rax::DisableMomentAfter(2140000000, 365), last);
}

} // namespace
