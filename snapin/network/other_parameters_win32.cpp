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

bool OtherParametersPending()
{
    const NetworkPageState &state = NetworkPage();
    return DecideIntegerWrite(state.idleAsRead, state.idleEdited, MinutesAbsent) != WriteAction::None ||
           ProfileWritePending(state.ipxChanged, state.ipxAsRead, state.ipxBuilt) ||
           ProfileWritePending(state.ipChanged, state.ipAsRead, state.ipBuilt);
}

int32_t WriteOtherParameters(const char *objectName, WriteOutcome *failures)
{
    NetworkPageState &state = NetworkPage();
    WriteOutcome outcome;

    const IdleTimeoutValue asRead = state.idleAsRead;
    const IdleTimeoutValue edited = state.idleEdited;
    WriteAction action = DecideIntegerWrite(asRead, edited, MinutesAbsent);
    if (action != WriteAction::None) {
        const void *oldValue = action == WriteAction::Add ? nullptr : &asRead;
        const void *newValue = action == WriteAction::Remove ? nullptr : &edited;
        outcome.Record(WriteValue(objectName, AttrIdleTimeout, oldValue, newValue, SyntaxInteger));
        if (outcome.last == 0)
            state.idleAsRead = edited;   // a second save finds nothing to write
    }
    WriteSettledProfile(objectName, AttrIpxProfile, state.ipxChanged, state.ipxAsRead, state.ipxBuilt, outcome);
    WriteSettledProfile(objectName, AttrIpProfile, state.ipChanged, state.ipAsRead, state.ipBuilt, outcome);

    FinishNetworkPageSave();
    if (failures && failures->firstFailure == 0)
        failures->firstFailure = outcome.firstFailure;
    return outcome.last;
}

} // namespace rax
