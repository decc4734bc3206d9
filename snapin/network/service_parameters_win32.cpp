// Reading and saving the Service Parameters page of a user: the restricted
// zones, the IPX profile and the IP profile.
#include "core/directory_access.h"
#include "core/pages.h"
#include "network/messages.h"
#include "network/network_page_state.h"

namespace rax {

void ReadServiceParameters(const char *objectName)
{
    // Nothing of the previous object survives: not its values, not its
    // changed flags, not what its last apply built.
    ReleaseNetworkPageValues();
    NetworkPageState &state = NetworkPage();
    StringSlotArray *zones = nullptr;
    int32_t result = ReadValueList(objectName, AttrArasZone, &zones, ZoneSlotSize);
    if (result == 0) {
        state.zonesAsRead = zones;
    } else {
        FreeBlock(zones);
        // Only "no value" means no zones; after any other failure the stored
        // zones are unknown, and a save must not replace what it never read.
        if (result != ValueNotPresent) {
            state.zonesUnreadable = true;
            if (result == OutOfMemoryCode)
                ReportOutOfMemory();
            else
                ShowErrorCode(MsgZonesUnreadable, CaptionSnapin, result);
        }
    }
    ReadProfileValues(objectName, state);
}

namespace {
bool ZonesWritePending(const NetworkPageState &state)
{
    return state.zonesChanged && state.zonesBuilt.settled && !state.zonesUnreadable &&
           (state.zonesAsRead || state.zonesBuilt.value);
}
} // namespace

bool ServiceParametersPending()
{
    const NetworkPageState &state = NetworkPage();
    return ProfileWritePending(state.ipxChanged, state.ipxAsRead, state.ipxBuilt) ||
           ProfileWritePending(state.ipChanged, state.ipAsRead, state.ipBuilt) || ZonesWritePending(state);
}

int32_t WriteServiceParameters(const char *objectName, WriteOutcome *failures)
{
    NetworkPageState &state = NetworkPage();
    WriteOutcome outcome;
    WriteSettledProfile(objectName, AttrIpxProfile, state.ipxChanged, state.ipxAsRead, state.ipxBuilt, outcome);
    WriteSettledProfile(objectName, AttrIpProfile, state.ipChanged, state.ipAsRead, state.ipBuilt, outcome);
    if (ZonesWritePending(state)) {
        const StringSlotArray *zones = state.zonesBuilt.value;
        outcome.Record(WriteValueList(objectName, AttrArasZone, zones, zones ? zones->count : 0,
                                      static_cast<uint32_t>(ZoneSlotSize), SyntaxOctetString));
        if (outcome.last == 0) {
            // What was written is what the directory now holds.
            FreeBlock(state.zonesAsRead);
            state.zonesAsRead = state.zonesBuilt.value;
            state.zonesBuilt = {};
            state.zonesChanged = false;
        }
    }
    FinishNetworkPageSave();
    if (failures && failures->firstFailure == 0)
        failures->firstFailure = outcome.firstFailure;
    return outcome.last;
}

} // namespace rax
