// The state of the one network page that is open: the Service Parameters page
// of a user or the Other Parameters page of a container. Values are held as
// read and as built; the lists live while the page is shown; the changed
// flags say what the save writes. One record for the whole process, replaced
// by the next object's load.
#ifndef RAX_NETWORK_PAGE_STATE_H
#define RAX_NETWORK_PAGE_STATE_H

#include "core/attribute_formats.h"
#include "core/pages.h"
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
    // The stored zones could not be read (or not all of them listed): until
    // the next load nothing of "Dravon ARAS Zone" is removed or replaced.
    bool zonesUnreadable = false;

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

// Releases everything read, built and listed and clears every flag: what a
// new load starts from. The page window is kept.
void ReleaseNetworkPageValues();

// What a save leaves behind: the built values and the server name cache are
// released; what was read (and what a successful write made of it) stays, so
// a second save of the same open page writes nothing that is already stored.
void FinishNetworkPageSave();

// True when the page marked the profile changed and an accepted apply
// settled its value (removing a profile that was never stored is nothing to
// write).
bool ProfileWritePending(bool changed, const ProfileAsRead &asRead, const BuiltValue<OctetString> &built);

// Writes one profile as an accepted apply settled it, when pending: old the
// block as read, new the built block, or none to remove it. After a
// successful write the built block is the profile as read and the profile is
// no longer changed.
void WriteSettledProfile(const char *objectName, const char *attributeName, bool &changed, ProfileAsRead &asRead,
                         BuiltValue<OctetString> &built, WriteOutcome &outcome);

} // namespace rax

#endif
