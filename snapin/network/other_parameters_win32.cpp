// Reading and saving the Other Parameters page of a container: the idle
// timeout, the IPX profile and the IP profile.
#include "core/directory_access.h"
#include "core/pages.h"
#include "network/network_page_state.h"

namespace rax {

void ReadOtherParameters(const char *objectName)
{
    ReleaseNetworkPageValues();
    NetworkPageState &state = NetworkPage();
    IdleTimeoutValue idle = 0;   // a failed read other than "no value" leaves 0
    if (ReadValue(objectName, AttrIdleTimeout, &idle, sizeof idle) == ValueNotPresent)
        idle = MinutesAbsent;
    state.idleAsRead = idle;
    state.idleEdited = idle;
    ReadProfileValues(objectName, state);
}

int32_t WriteOtherParameters(const char *objectName)
{
    NetworkPageState &state = NetworkPage();
    int32_t last = 0;

    const IdleTimeoutValue asRead = state.idleAsRead;
    const IdleTimeoutValue edited = state.idleEdited;
    switch (DecideIntegerWrite(asRead, edited, MinutesAbsent)) {
    case WriteAction::None:
        break;
    case WriteAction::Add:
        last = WriteValue(objectName, AttrIdleTimeout, nullptr, &edited, SyntaxInteger);
        break;
    case WriteAction::Remove:
        last = WriteValue(objectName, AttrIdleTimeout, &asRead, nullptr, SyntaxInteger);
        break;
    case WriteAction::Replace:
        last = WriteValue(objectName, AttrIdleTimeout, &asRead, &edited, SyntaxInteger);
        break;
    }

    bool wrote = false;
    int32_t result = WriteSettledProfile(objectName, AttrIpxProfile, state.ipxChanged, state.ipxAsRead,
                                         state.ipxBuilt, &wrote);
    if (wrote)
        last = result;
    result = WriteSettledProfile(objectName, AttrIpProfile, state.ipChanged, state.ipAsRead, state.ipBuilt, &wrote);
    if (wrote)
        last = result;

    ReleaseNetworkPageValues();
    return last;
}

} // namespace rax
