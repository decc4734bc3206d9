// The one table of entry fields: each field's character limit (set on the
// edit control when its page or dialog opens), whether the control converts
// letters to upper case, and the message its rule reports. Pages and dialogs
// take their limits and messages from here.
#ifndef RAX_FIELD_LIMITS_H
#define RAX_FIELD_LIMITS_H

#include "network/message_ids.h"

#include <cstddef>

namespace rax {

enum class EntryField {
    IpxAddress,          // the user's own, IpxAddressRule
    IpxMask,             // IpxMaskRule
    DomainServerAddress, // DottedQuadRule
    DomainName,          // DomainNameRule
    TftpServerAddress,   // DottedQuadRule
    BootFileName,        // NoSpaceRule
    IdleTimeoutMinutes,  // MinutesRule (user and container pages)
    ConnectTimeMinutes,  // MinutesRule
    DisableAfterDays,    // DaysRule
    HomeServerNetwork,   // NetworkAddressRule
    HomeServerNode,      // NodeAddressRule
    ZoneName,            // ZoneNameRule
    RemotePassword,      // PasswordCharsRule
    DialbackNumber,      // characters not checked
};

struct FieldLimit {
    EntryField field;
    std::size_t limit;   // characters, without the NUL
    bool upperCase;      // the edit control converts letters to upper case
    MessageId message;   // what a failed check shows
};

inline constexpr FieldLimit FieldLimits[] = {
    {EntryField::IpxAddress, 12, true, MsgInvalidIpxAddress},
    {EntryField::IpxMask, 12, true, MsgInvalidIpxMask},
    {EntryField::DomainServerAddress, 15, false, MsgInvalidDottedQuad},
    {EntryField::DomainName, 57, false, MsgInvalidDomainName},
    {EntryField::TftpServerAddress, 15, false, MsgInvalidDottedQuad},
    {EntryField::BootFileName, 54, false, MsgInvalidBootFileName},
    {EntryField::IdleTimeoutMinutes, 6, false, MsgInvalidIdleTimeout},
    {EntryField::ConnectTimeMinutes, 6, false, MsgInvalidConnectTime},
    {EntryField::DisableAfterDays, 3, false, MsgInvalidDisableDays},
    {EntryField::HomeServerNetwork, 8, true, MsgInvalidNetworkAddress},
    {EntryField::HomeServerNode, 12, true, MsgInvalidNodeAddress},
    {EntryField::ZoneName, 33, false, MsgInvalidZoneName},
    {EntryField::RemotePassword, 16, false, MsgInvalidPasswordChars},
    {EntryField::DialbackNumber, 40, false, MsgInvalidDialbackNumber},
};

constexpr const FieldLimit &LimitOf(EntryField field)
{
    for (const FieldLimit &entry : FieldLimits)
        if (entry.field == field)
            return entry;
    return FieldLimits[0]; // not reached: every field has its row (checked below)
}

namespace field_limits_detail {
constexpr bool EveryFieldHasItsRow()
{
    for (std::size_t i = 0; i < sizeof FieldLimits / sizeof FieldLimits[0]; ++i)
        if (static_cast<std::size_t>(FieldLimits[i].field) != i)
            return false;
    return true;
}
static_assert(EveryFieldHasItsRow(), "FieldLimits lists the fields in the order of EntryField");
} // namespace field_limits_detail

// A home server list entry (a server name or an address text) is at most
// this many characters; the list editors read entries into buffers of this
// size plus the NUL.
inline constexpr std::size_t HomeServerEntryMaxLength = 59;

} // namespace rax

#endif
