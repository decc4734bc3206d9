// The checks of every entry field of the snap-in's pages and dialogs. A rule
// is a pure function of the field's text. Most rules have two forms: the
// typing form, run on every change of the field, looks only at the
// characters; the full form, run when the page or dialog accepts its values,
// also checks length and value. A field rule returns NoMessage when the text
// passes and otherwise the id of the message the caller shows; the character
// tests return true or false. Characters are compared by their code, without
// locale rules.
#ifndef RAX_FIELD_RULES_H
#define RAX_FIELD_RULES_H

#include "network/message_ids.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace rax {

enum class RuleForm { Typing, Full };

// ---- Character tests (the empty text passes each) ----------------------------

bool HexTextRule(std::string_view text);       // '0'-'9', 'a'-'f', 'A'-'F'
bool DomainNameRule(std::string_view text);    // digits, letters, '.', '-', '_'
bool NoSpaceRule(std::string_view text);       // no character 32 (tabs are allowed)
bool PasswordCharsRule(std::string_view text); // digits and letters
bool DottedQuadChars(std::string_view text);   // digits and '.': typing form of DottedQuadRule
bool MinutesChars(std::string_view text);      // digits and '-': typing form of MinutesRule
bool DaysChars(std::string_view text);         // digits: typing form of DaysRule

// ---- IPX fields --------------------------------------------------------------

// The range test over the first twelve characters: refuses 000000000000,
// 000000000001 and FFFFFFFFFFFF (either case, any mixture); a shorter text
// passes it.
bool IpxAddressInRange(std::string_view text);

// The user's own IPX address: hexadecimal and in range; the full form also
// wants twelve digits. Message 5002.
MessageId IpxAddressRule(std::string_view text, RuleForm form);

// The user's IPX address mask: 0 to 12 'F', at most one of 'E', 'C', '8', then
// '0' up to the twelfth character (upper case only; the field converts what
// is typed); the full form also wants twelve digits. Message 5003.
MessageId IpxMaskRule(std::string_view text, RuleForm form);

// A home server's network number: hexadecimal; in full exactly 8 digits. 5014.
MessageId NetworkAddressRule(std::string_view text, RuleForm form);

// A home server's node address: hexadecimal; in full exactly 12 digits, with
// no range test. 5015.
MessageId NodeAddressRule(std::string_view text, RuleForm form);

// ---- IP fields ---------------------------------------------------------------

// Four decimal numbers 0..255 separated by single '.', one trailing '.'
// allowed, leading zeros allowed ('010' is 10). A run of digits too long for
// 32 bits is refused like any other number over 255.
bool ParseDottedQuad(std::string_view text, uint8_t (&address)[4]);

// Server Address and TFTP Server Address: typing, digits and '.'; full,
// ParseDottedQuad (the address is stored in `address` when given). 5006.
MessageId DottedQuadRule(std::string_view text, RuleForm form, uint8_t (*address)[4] = nullptr);

// ---- Zone names --------------------------------------------------------------

// Typing: no space. Full: 1 to 33 characters and no space. 5019.
MessageId ZoneNameRule(std::string_view text, RuleForm form);

// ---- Minutes and days --------------------------------------------------------

// The value of a minutes text read the way the C library's atoi reads it: an
// optional '-', then the digits up to the first character that is not one; no
// digits give 0. '-1' is -1, '5-' is 5, '1-2' is 1, '-' and '--5' are 0.
// Empty when the digits do not fit a signed 32-bit number.
std::optional<int32_t> ReadMinutesValue(std::string_view text);

// Which field a minutes text belongs to; it decides the message.
enum class MinutesField {
    MaximumConnectTime, // 5012
    IdleTimeout,        // 5013
};

// Maximum connect time and idle timeout, -1 (no limit) to 100000. Only the
// first 6 characters (the field's limit) are read. Typing: digits and '-'.
// Full: not empty, digits and '-', value -1..100000, stored in `value` when
// given.
MessageId MinutesRule(std::string_view text, RuleForm form, MinutesField field, int32_t *value = nullptr);

// Disable the password after so many days, 0..365. Only the first 3
// characters are read. Typing: digits. Full: not empty, digits, value
// 0..365, stored in `value` when given. 5011.
MessageId DaysRule(std::string_view text, RuleForm form, int32_t *value = nullptr);

} // namespace rax

#endif
