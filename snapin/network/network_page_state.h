// The state of the one network page that is open: the Service Parameters page
// of a user or the Other Parameters page of a container. Values are held as
// read and as built; the lists live while the page is shown; the changed
// flags say what the save writes. One record for the whole process, replaced
// by the next object's load.
#ifndef RAX_NETWORK_PAGE_STATE_H
#define RAX_NETWORK_PAGE_STATE_H

#include "core/attribute_formats.h"
#include "network/value_lists.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace rax {

// A profile as read: the block ReadValue filled (the OctetString record and its
// bytes) and the block's size, so the bytes are never read past its end.
struct ProfileAsRead {
    OctetString *block = nullptr;
    std::size_t blockSize = 0;
};

// What an accepted apply decided for one attribute. `settled` is set only by an
// accepted apply: a changed flag alone never makes the save remove a value.
template <class Value> struct BuiltValue {
    Value *value = nullptr;   // none with `settled`: the save removes the attribute
    bool settled = false;
};

struct NetworkPageState {
    HWND pageWindow = nullptr;

    ProfileAsRead ipxAsRead;
    BuiltValue<OctetString> ipxBuilt;
    bool ipxChanged = false;

    ProfileAsRead ipAsRead;
    BuiltValue<OctetString> ipBuilt;
    bool ipChanged = false;

    StringSlotArray *zonesAsRead = nullptr;   // users only
    BuiltValue<StringSlotArray> zonesBuilt;
    bool zonesChanged = false;

    ValueList<ServerNode> homeServers;
    ValueList<ZoneNode> zones;
    ValueList<ServerNode> serverNameCache;

    IdleTimeoutValue idleAsRead = MinutesAbsent;   // containers only
    IdleTimeoutValue idleEdited = MinutesAbsent;

    bool serviceLoading = false;   // NetworkPageLoading of each page
    bool otherLoading = false;
};

NetworkPageState &NetworkPage();

// The bytes of a profile as read (none: empty).
ByteView ProfileBytes(const ProfileAsRead &profile);

// Reads one profile attribute into a new block of the reported size plus 10
// bytes. False only when that block could not be had (reported): the reading
// in progress stops there. Any directory failure leaves the profile none.
bool ReadProfileValue(const char *objectName, const char *attributeName, ProfileAsRead &profile);

// Reads the IPX profile, then the IP profile, into the page state; when the
// IPX profile's block could not be had, the IP profile is not read either.
void ReadProfileValues(const char *objectName, NetworkPageState &state);

// Releases the values built by an apply and forgets what it decided.
void ReleaseBuiltValues();

// Releases everything read, built and listed and clears every flag: what a new
// load starts from and what a save leaves behind. The page window is kept.
void ReleaseNetworkPageValues();

// Writes one profile as an apply settled it, when the page marked it changed:
// old the block as read, new the built block, or none to remove it. Returns
// the write's result, or 0 with *wrote false when nothing needed writing.
int32_t WriteSettledProfile(const char *objectName, const char *attributeName, bool changed,
                            const ProfileAsRead &asRead, const BuiltValue<OctetString> &built, bool *wrote);

} // namespace rax

#endif
