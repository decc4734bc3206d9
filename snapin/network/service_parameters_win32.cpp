// Reading and saving the Service Parameters page of a user: the restricted
// zones, the IPX profile and the IP profile.
#include "core/directory_access.h"
#include "core/pages.h"
#include "network/network_page_state.h"

namespace rax {

void ReadServiceParameters(const char *objectName)
{
    // Nothing of the previous object survives: not its values, not its
    // changed flags, not what its last apply built.
    ReleaseNetworkPageValues();
    NetworkPageState &state = NetworkPage();
    StringSlotArray *zones = nullptr;
    if (ReadValueList(objectName, AttrArasZone, &zones, ZoneSlotSize) == 0)
        state.zonesAsRead = zones;
    else
        FreeBlock(zones);
    ReadProfileValues(objectName, state);
}

int32_t WriteServiceParameters(const char *objectName)
{
    NetworkPageState &state = NetworkPage();
    int32_t last = 0;
    bool wrote = false;

    int32_t result = WriteSettledProfile(objectName, AttrIpxProfile, state.ipxChanged, state.ipxAsRead,
                                         state.ipxBuilt, &wrote);
    if (wrote)
        last = result;
    result = WriteSettledProfile(objectName, AttrIpProfile, state.ipChanged, state.ipAsRead, state.ipBuilt, &wrote);
    if (wrote)
        last = result;
    if (state.zonesChanged && state.zonesBuilt.settled && (state.zonesAsRead || state.zonesBuilt.value)) {
        const StringSlotArray *zones = state.zonesBuilt.value;
        last = WriteValueList(objectName, AttrArasZone, zones, zones ? zones->count : 0,
                              static_cast<uint32_t>(ZoneSlotSize), SyntaxOctetString);
    }

    ReleaseNetworkPageValues();
    return last;
}

} // namespace rax
