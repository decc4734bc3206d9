// The network page state: reading a profile, releasing what was read and
// built, and writing a profile as an accepted apply left it.
#include "network/network_page_state.h"

#include "core/directory_access.h"
#include "core/heap.h"
#include "network/messages.h"

#include <limits>

namespace rax {

namespace {
NetworkPageState g_networkPage;

// Room a profile block gets beyond the size the directory reports.
constexpr std::size_t ProfileBlockSlack = 10;
} // namespace

NetworkPageState &NetworkPage() { return g_networkPage; }

ByteView ProfileBytes(const ProfileAsRead &profile)
{
    if (!profile.block)
        return {nullptr, 0};
    return OctetStringBlockBytes(profile.block, profile.blockSize);
}

bool ReadProfileValue(const char *objectName, const char *attributeName, ProfileAsRead &profile)
{
    profile = {};
    uint32_t size = 0;
    if (ReadValueSize(objectName, attributeName, &size) != 0)
        return true;
    if (size > std::numeric_limits<uint32_t>::max() - ProfileBlockSlack)
        return true;   // no value that large can be held; treated as absent
    std::size_t blockSize = std::size_t{size} + ProfileBlockSlack;
    void *block = AllocZeroed(blockSize);
    if (!block) {
        ReportOutOfMemory();
        return false;
    }
    if (ReadValue(objectName, attributeName, block, size, OctetStringForm::Record) != 0) {
        FreeBlock(block);
        return true;
    }
    profile.block = static_cast<OctetString *>(block);
    profile.blockSize = blockSize;
    return true;
}

void ReadProfileValues(const char *objectName, NetworkPageState &state)
{
    if (ReadProfileValue(objectName, AttrIpxProfile, state.ipxAsRead))
        ReadProfileValue(objectName, AttrIpProfile, state.ipAsRead);
}

void ReleaseBuiltValues()
{
    NetworkPageState &state = g_networkPage;
    FreeBlock(state.ipxBuilt.value);
    FreeBlock(state.ipBuilt.value);
    FreeBlock(state.zonesBuilt.value);
    state.ipxBuilt = {};
    state.ipBuilt = {};
    state.zonesBuilt = {};
}

void ReleaseNetworkPageValues()
{
    NetworkPageState &state = g_networkPage;
    ReleaseBuiltValues();
    FreeBlock(state.ipxAsRead.block);
    FreeBlock(state.ipAsRead.block);
    FreeBlock(state.zonesAsRead);
    state.ipxAsRead = {};
    state.ipAsRead = {};
    state.zonesAsRead = nullptr;
    FreeValueList(state.homeServers);
    FreeValueList(state.zones);
    FreeValueList(state.serverNameCache);
    state.ipxChanged = false;
    state.ipChanged = false;
    state.zonesChanged = false;
    state.zonesUnreadable = false;
    state.idleAsRead = MinutesAbsent;
    state.idleEdited = MinutesAbsent;
}

void FinishNetworkPageSave()
{
    ReleaseBuiltValues();
    FreeValueList(g_networkPage.serverNameCache);
}

bool ProfileWritePending(bool changed, const ProfileAsRead &asRead, const BuiltValue<OctetString> &built)
{
    return changed && built.settled && (asRead.block || built.value);
}

void WriteSettledProfile(const char *objectName, const char *attributeName, bool &changed, ProfileAsRead &asRead,
                         BuiltValue<OctetString> &built, WriteOutcome &outcome)
{
    if (!ProfileWritePending(changed, asRead, built))
        return;
    outcome.Record(WriteValue(objectName, attributeName, asRead.block, built.value, SyntaxOctetString));
    if (outcome.last != 0)
        return;
    FreeBlock(asRead.block);
    asRead.block = built.value;
    asRead.blockSize = built.value ? OctetStringHeaderSize + built.value->length : 0;
    built = {};
    changed = false;
}

} // namespace rax
