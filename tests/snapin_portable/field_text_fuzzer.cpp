// Arbitrary field texts: the dotted-quad parser and the minutes reading agree
// with plain reference readings written here, and the rules built on them
// stay within their ranges.
#include "network/field_rules.h"
#include "network/text_conversions.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace rax;

static void Check(bool condition)
{
    if (!condition)
        std::abort();
}

static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal run's value, or empty when it has more than `maxDigits`
// significant digits.
static std::optional<int64_t> DecimalValue(std::string_view digits, std::size_t maxDigits)
{
    std::size_t first = digits.find_first_not_of('0');
    if (first == std::string_view::npos)
        return 0;
    digits.remove_prefix(first);
    if (digits.size() > maxDigits)
        return std::nullopt;
    int64_t value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

// Four dot-separated decimal numbers 0..255, one trailing dot allowed.
static bool ReferenceDottedQuad(std::string_view text, uint8_t (&out)[4])
{
    for (char c : text)
        if (!IsDigit(c) && c != '.')
            return false;
    if (!text.empty() && text.back() == '.')
        text.remove_suffix(1);
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = text.find('.', start);
        parts.push_back(text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    if (parts.size() != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (parts[i].empty())
            return false;
        std::optional<int64_t> value = DecimalValue(parts[i], 3);
        if (!value || *value > 255)
            return false;
        out[i] = static_cast<uint8_t>(*value);
    }
    return true;
}

// atoi's reading, with the 32-bit range made explicit.
static std::optional<int32_t> ReferenceMinutes(std::string_view text)
{
    bool negative = !text.empty() && text[0] == '-';
    if (negative)
        text.remove_prefix(1);
    std::size_t end = 0;
    while (end < text.size() && IsDigit(text[end]))
        ++end;
    std::optional<int64_t> magnitude = DecimalValue(text.substr(0, end), 10);
    if (!magnitude)
        return std::nullopt;
    int64_t value = negative ? -*magnitude : *magnitude;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string owned(reinterpret_cast<const char *>(data), size);
    std::string_view text = owned;

    uint8_t parsed[4] = {};
    uint8_t expected[4] = {};
    bool ok = ParseDottedQuad(text, parsed);
    Check(ok == ReferenceDottedQuad(text, expected));
    if (ok) {
        for (int i = 0; i < 4; ++i)
            Check(parsed[i] == expected[i]);
        char formatted[DottedQuadTextSize];
        FormatDottedQuad(parsed, formatted);
        uint8_t again[4] = {};
        Check(ParseDottedQuad(formatted, again));
        for (int i = 0; i < 4; ++i)
            Check(again[i] == parsed[i]);
    }
    Check((DottedQuadRule(text, RuleForm::Full) == NoMessage) == ok);

    std::optional<int32_t> minutes = ReadMinutesValue(text);
    std::optional<int32_t> reference = ReferenceMinutes(text);
    Check(minutes == reference);

    int32_t value = INT32_MIN;
    if (MinutesRule(text, RuleForm::Full, MinutesField::IdleTimeout, &value) == NoMessage)
        Check(value >= -1 && value <= 100000);
    int32_t days = -5;
    if (DaysRule(text, RuleForm::Full, &days) == NoMessage)
        Check(days >= 0 && days <= 365);

    // Every byte string survives the hex round trip.
    std::vector<char> hex(2 * size + 1);
    BytesToHex(hex.data(), hex.size(), data, size);
    std::vector<uint8_t> back(size + 1);
    Check(HexToBytes(back.data(), back.size(), std::string_view(hex.data(), 2 * size), 2 * size) == size);
    for (std::size_t i = 0; i < size; ++i)
        Check(back[i] == data[i]);
    return 0;
}
