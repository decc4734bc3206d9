// String table ids of the snap-in's messages and captions, as the network
// pages, list editors and field rules use them. The texts themselves are in
// the string table of the library's resources.
#ifndef RAX_MESSAGE_IDS_H
#define RAX_MESSAGE_IDS_H

namespace rax {

using MessageId = int;
inline constexpr MessageId NoMessage = 0; // a rule that passes names no message

inline constexpr MessageId MsgMemoryAllocationFailure = 5001;
inline constexpr MessageId MsgInvalidIpxAddress = 5002;
inline constexpr MessageId MsgInvalidIpxMask = 5003;
inline constexpr MessageId MsgInvalidDomainName = 5004;
inline constexpr MessageId MsgInvalidBootFileName = 5005;
inline constexpr MessageId MsgInvalidDottedQuad = 5006;
inline constexpr MessageId MsgInvalidPasswordChars = 5010;
inline constexpr MessageId MsgInvalidDisableDays = 5011;
inline constexpr MessageId MsgInvalidConnectTime = 5012;
inline constexpr MessageId MsgInvalidIdleTimeout = 5013;
inline constexpr MessageId MsgInvalidNetworkAddress = 5014;
inline constexpr MessageId MsgInvalidNodeAddress = 5015;
inline constexpr MessageId MsgDuplicateServerAddress = 5016;
inline constexpr MessageId MsgPasswordNotRetyped = 5017;
inline constexpr MessageId MsgPasswordTooShort = 5018;
inline constexpr MessageId MsgInvalidZoneName = 5019;
inline constexpr MessageId MsgDuplicateZoneName = 5020;
inline constexpr MessageId MsgInvalidDialbackNumber = 5021;
inline constexpr MessageId MsgLongPasswordWarning = 5022;

// Messages of the snap-in's own, beyond the pages' fields.
inline constexpr MessageId MsgSaveFailed = 5030;         // with the directory's code
inline constexpr MessageId MsgSaveOtherObject = 5031;
inline constexpr MessageId MsgZonesUnreadable = 5032;    // with the directory's code

// Captions.
inline constexpr MessageId CaptionSnapin = 6000;      // "Remote Access Ostrum Snapin": network pages, editors
inline constexpr MessageId CaptionUserPage = 6002;    // "Remote Access - 1": user page, password dialog

} // namespace rax

#endif
