#include "user/password_expiry.h"

#include <limits>

namespace rax {

int32_t DisableMomentAfter(long long now, int32_t days)
{
    long long moment = now + static_cast<long long>(days) * SecondsPerDay;
    if (moment > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (moment < 0)
        return 0;
    return static_cast<int32_t>(moment);
}

} // namespace rax
