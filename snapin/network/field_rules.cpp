#include "network/field_rules.h"

#include "core/attribute_formats.h"

namespace rax {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

template <class Test> bool EveryCharacter(std::string_view text, Test test)
{
    for (char c : text)
        if (!test(c))
            return false;
    return true;
}

// Reads a run of decimal digits from `pos`; the value saturates just above
// `limit`, so a run of any length is compared without overflow.
int64_t ReadDigitRun(std::string_view text, std::size_t &pos, int64_t limit, std::size_t &digits)
{
    int64_t value = 0;
    digits = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        value = value * 10 + (text[pos] - '0');
        if (value > limit)
            value = limit + 1;
        ++pos;
        ++digits;
    }
    return value;
}

constexpr std::size_t IpxDigits = 12;
constexpr std::size_t NetworkDigits = 8;
constexpr std::size_t MinutesFieldLength = 6;
constexpr std::size_t DaysFieldLength = 3;
constexpr int32_t DaysMaximum = 365;

} // namespace

bool HexTextRule(std::string_view text) { return EveryCharacter(text, IsHexDigit); }

bool DomainNameRule(std::string_view text)
{
    return EveryCharacter(text, [](char c) { return IsDigit(c) || IsLetter(c) || c == '.' || c == '-' || c == '_'; });
}

bool NoSpaceRule(std::string_view text)
{
    return EveryCharacter(text, [](char c) { return c != ' '; });
}

bool PasswordCharsRule(std::string_view text)
{
    return EveryCharacter(text, [](char c) { return IsDigit(c) || IsLetter(c); });
}

bool DottedQuadChars(std::string_view text)
{
    return EveryCharacter(text, [](char c) { return IsDigit(c) || c == '.'; });
}

bool MinutesChars(std::string_view text)
{
    return EveryCharacter(text, [](char c) { return IsDigit(c) || c == '-'; });
}

bool DaysChars(std::string_view text) { return EveryCharacter(text, IsDigit); }

bool IpxAddressInRange(std::string_view text)
{
    if (text.size() < IpxDigits)
        return true;
    std::string_view digits = text.substr(0, IpxDigits);
    bool elevenZeros = digits.substr(0, IpxDigits - 1).find_first_not_of('0') == std::string_view::npos;
    if (elevenZeros && (digits[IpxDigits - 1] == '0' || digits[IpxDigits - 1] == '1'))
        return false;
    if (digits.find_first_not_of("Ff") == std::string_view::npos)
        return false;
    return true;
}

MessageId IpxAddressRule(std::string_view text, RuleForm form)
{
    if (!HexTextRule(text) || !IpxAddressInRange(text))
        return MsgInvalidIpxAddress;
    if (form == RuleForm::Full && text.size() < IpxDigits)
        return MsgInvalidIpxAddress;
    return NoMessage;
}

MessageId IpxMaskRule(std::string_view text, RuleForm form)
{
    if (!HexTextRule(text))
        return MsgInvalidIpxMask;
    if (form == RuleForm::Full && text.size() < IpxDigits)
        return MsgInvalidIpxMask;
    std::size_t end = text.size() < IpxDigits ? text.size() : IpxDigits;
    std::size_t pos = 0;
    while (pos < end && text[pos] == 'F')
        ++pos;
    if (pos == end)
        return NoMessage;
    char edge = text[pos];
    if (edge != 'E' && edge != 'C' && edge != '8' && edge != '0')
        return MsgInvalidIpxMask;
    for (++pos; pos < end; ++pos)
        if (text[pos] != '0')
            return MsgInvalidIpxMask;
    return NoMessage;
}

MessageId NetworkAddressRule(std::string_view text, RuleForm form)
{
    if (!HexTextRule(text) || (form == RuleForm::Full && text.size() != NetworkDigits))
        return MsgInvalidNetworkAddress;
    return NoMessage;
}

MessageId NodeAddressRule(std::string_view text, RuleForm form)
{
    if (!HexTextRule(text) || (form == RuleForm::Full && text.size() != IpxDigits))
        return MsgInvalidNodeAddress;
    return NoMessage;
}

bool ParseDottedQuad(std::string_view text, uint8_t (&address)[4])
{
    if (!DottedQuadChars(text))
        return false;
    uint8_t result[4] = {};
    std::size_t pos = 0;
    for (uint8_t &byte : result) {
        std::size_t digits = 0;
        int64_t value = ReadDigitRun(text, pos, 255, digits);
        if (pos < text.size() && text[pos] == '.')
            ++pos;
        if (digits == 0 || value > 255)
            return false;
        byte = static_cast<uint8_t>(value);
    }
    if (pos != text.size())
        return false;
    for (int i = 0; i < 4; ++i)
        address[i] = result[i];
    return true;
}

MessageId DottedQuadRule(std::string_view text, RuleForm form, uint8_t (*address)[4])
{
    if (form == RuleForm::Typing)
        return DottedQuadChars(text) ? NoMessage : MsgInvalidDottedQuad;
    uint8_t bytes[4];
    if (!ParseDottedQuad(text, bytes))
        return MsgInvalidDottedQuad;
    if (address)
        for (int i = 0; i < 4; ++i)
            (*address)[i] = bytes[i];
    return NoMessage;
}

MessageId ZoneNameRule(std::string_view text, RuleForm form)
{
    if (!NoSpaceRule(text))
        return MsgInvalidZoneName;
    if (form == RuleForm::Full && (text.empty() || text.size() > ZoneNameMaxLength))
        return MsgInvalidZoneName;
    return NoMessage;
}

std::optional<int32_t> ReadMinutesValue(std::string_view text)
{
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && text[pos] == '-') {
        negative = true;
        ++pos;
    }
    // 2^31 is the largest magnitude a signed 32-bit number holds (negated).
    constexpr int64_t limit = int64_t{1} << 31;
    std::size_t digits = 0;
    int64_t magnitude = ReadDigitRun(text, pos, limit, digits);
    if (magnitude > limit || (!negative && magnitude == limit))
        return std::nullopt;
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

MessageId MinutesRule(std::string_view text, RuleForm form, MinutesField field, int32_t *value)
{
    MessageId message = field == MinutesField::MaximumConnectTime ? MsgInvalidConnectTime : MsgInvalidIdleTimeout;
    text = text.substr(0, MinutesFieldLength);
    if (!MinutesChars(text))
        return message;
    if (form == RuleForm::Typing)
        return NoMessage;
    if (text.empty())
        return message;
    std::optional<int32_t> minutes = ReadMinutesValue(text);
    if (!minutes || *minutes < MinutesMinimum || *minutes > MinutesMaximum)
        return message;
    if (value)
        *value = *minutes;
    return NoMessage;
}

MessageId DaysRule(std::string_view text, RuleForm form, int32_t *value)
{
    text = text.substr(0, DaysFieldLength);
    if (!DaysChars(text))
        return MsgInvalidDisableDays;
    if (form == RuleForm::Typing)
        return NoMessage;
    if (text.empty())
        return MsgInvalidDisableDays;
    std::size_t pos = 0;
    std::size_t digits = 0;
    int64_t days = ReadDigitRun(text, pos, DaysMaximum, digits);
    if (days > DaysMaximum)
        return MsgInvalidDisableDays;
    if (value)
        *value = static_cast<int32_t>(days);
    return NoMessage;
}

} // namespace rax
