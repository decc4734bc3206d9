// The snap-in's two error boxes, reachable from window-free code. The owner
// is an opaque window handle (an HWND on Windows); NoOwnerWindow shows the
// box without owner.
//
// Who uses which form: the network pages and the list editors report rule
// failures owned by the page or dialog with CaptionSnapin; the minutes and
// days fields and the password dialog report theirs without owner and with
// CaptionUserPage. Running out of memory is reported by ReportOutOfMemory,
// always without owner.
//
// The library implements these in messages_win32.cpp (message boxes with the
// texts loaded from the string table). Native test programs link a recording
// double instead (tests/snapin_portable/message_recorder.h).
#ifndef RAX_MESSAGES_H
#define RAX_MESSAGES_H

#include "network/message_ids.h"

namespace rax {

using OwnerWindow = void *;
inline constexpr OwnerWindow NoOwnerWindow = nullptr;

// A modal error box (stop icon, OK) with message `message` and caption
// `caption`, both loaded from the string table; returns when it is closed.
// Nothing is shown when either text cannot be loaded.
void ShowErrorMessage(OwnerWindow owner, MessageId message, MessageId caption = CaptionSnapin);

// "Memory allocation failure." in a modal error box without owner.
void ReportOutOfMemory();

// A modal error box without owner whose text, string `message`, holds one
// "%ld" that receives a directory result code.
void ShowErrorCode(MessageId message, MessageId caption, long code);

} // namespace rax

#endif
