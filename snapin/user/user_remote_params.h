// The state of a User object's first remote-access page: the values of its
// five attributes (and the user's minimum password length) as read when the
// object's pages were opened, and as edited by the page and the password
// dialog. One pair for the process: the pages of one object are open at a
// time, and the next object's load replaces both.
#ifndef RAX_USER_REMOTE_PARAMS_H
#define RAX_USER_REMOTE_PARAMS_H

#include "core/attribute_formats.h"

#include <cstdint>

namespace rax {

struct UserRemoteParams {
    PasswordParametersValue passwordParameters;
    bool passwordParametersAbsent;          // as read only: the attribute had no value
    DialbackFlagValue dialbackFlag;         // -1: use the global default mode
    DialbackNumberValue dialbackNumber;     // empty: no number
    SessionParametersValue maxConnectTime;  // -2: use the default maximum connect time
    IdleTimeoutValue idleTimeout;           // -2: no idle timeout specified
    PasswordMinimumLengthValue minimumPasswordLength; // as read only; 0 or less: none
};

// The two instances.
UserRemoteParams &UserParamsAsRead();
UserRemoteParams &UserParamsEdited();

// What the directory held beyond what the page's fixed areas show: a dialback
// number longer than 40 characters, a password parameters value that is not
// exactly 46 bytes. A save that replaces such a value names the stored value
// as the old one, so the replacement removes exactly what was there. Empty
// when the stored value fits the page.
struct StoredOriginals {
    char *dialbackNumber = nullptr;         // the whole stored text with its NUL
    uint8_t *passwordParameters = nullptr;  // the stored bytes
    uint32_t passwordParametersLength = 0;
};
const StoredOriginals &UserStoredOriginals();

// Test control: forget both instances and the stored originals, as if no User
// object had been opened.
void ResetUserParameters();

} // namespace rax

#endif
