// When a remote client password set to be disabled after so many days
// expires: a 32-bit count of seconds since 1970, as the access servers read it.
#ifndef RAX_PASSWORD_EXPIRY_H
#define RAX_PASSWORD_EXPIRY_H

#include <cstdint>

namespace rax {

inline constexpr int32_t SecondsPerDay = 86400;

// `now` plus `days` days. A moment past what 32 bits hold is given as the
// last one they hold rather than wrapping round to a date long past, which
// would disable the password at once.
int32_t DisableMomentAfter(long long now, int32_t days);

} // namespace rax

#endif
