// The IPX Parameters and IP Parameters groups, shared by the Service
// Parameters page of users and the Other Parameters page of containers: the
// same controls, the same filling, reactions, checks and value building, on
// the one NetworkPageState.
#ifndef RAX_IPX_IP_GROUPS_WIN32_H
#define RAX_IPX_IP_GROUPS_WIN32_H

#include <windows.h>

#include <cstddef>

namespace rax {

// Domain names and boot file names are typed up to their field limits (57
// and 54 characters), but a value written by another tool may be longer. The
// page reads those fields with this much room, so such a text is shown and,
// when its group is saved again, kept whole; a longer one is cut to it.
inline constexpr std::size_t StoredNameRoom = 255;

void EnableIpxAddressFields(HWND page, bool on);
void EnableDomainFields(HWND page, bool on);
void EnableBootFields(HWND page, bool on);

// Fills both groups from the profiles as read; `canModify` is the write right.
void FillIpxAndIpGroups(HWND page, bool canModify);

// The reactions of the groups' controls: typing checks, the check boxes, the
// changed flags and the change notice. False when `id` is not one of them.
bool IpxIpGroupCommand(HWND page, int id, int notification);

// Full checks of the groups at apply, and the new profile values. False when
// the page must refuse (the message was shown and the focus put on the field,
// or a value could not be built for want of memory).
bool ApplyIpxParameters(HWND page);
bool ApplyIpParameters(HWND page);

// Sets a group's changed flag and tells the host that the page changed.
void MarkPageChanged(HWND page, bool &flag);

} // namespace rax

#endif
