#include "network/field_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace rax {
namespace {

constexpr RuleForm Typing = RuleForm::Typing;
constexpr RuleForm Full = RuleForm::Full;

TEST(CharacterTests, WhatEachAccepts)
{
    EXPECT_TRUE(HexTextRule(""));
    EXPECT_TRUE(HexTextRule("09afAF"));
    EXPECT_FALSE(HexTextRule("0G"));
    EXPECT_FALSE(HexTextRule("g"));
    EXPECT_FALSE(HexTextRule("0x1"));

    EXPECT_TRUE(DomainNameRule(""));
    EXPECT_TRUE(DomainNameRule("my-host_1.example"));
    EXPECT_TRUE(DomainNameRule("UPPER.lower"));
    EXPECT_FALSE(DomainNameRule("my host"));
    EXPECT_FALSE(DomainNameRule("host!"));
    EXPECT_FALSE(DomainNameRule("h\xE9te")) << "no locale letters";

    EXPECT_TRUE(NoSpaceRule("/tftpboot/x.img"));
    EXPECT_TRUE(NoSpaceRule("tab\there"));
    EXPECT_FALSE(NoSpaceRule("boot file"));

    EXPECT_TRUE(PasswordCharsRule("abcXYZ09"));
    EXPECT_FALSE(PasswordCharsRule("pass word"));
    EXPECT_FALSE(PasswordCharsRule("p_w"));
}

TEST(IpxAddressRule, RangeEnds)
{
    for (const char *refused : {"000000000000", "000000000001", "FFFFFFFFFFFF", "ffffffffffff", "FfFfFfFfFfFf"}) {
        EXPECT_EQ(IpxAddressRule(refused, Full), MsgInvalidIpxAddress) << refused;
        EXPECT_EQ(IpxAddressRule(refused, Typing), MsgInvalidIpxAddress) << refused << " (typing)";
    }
    for (const char *accepted : {"000000000002", "000000000010", "100000000001", "FFFFFFFFFFFE", "00000000000a"})
        EXPECT_EQ(IpxAddressRule(accepted, Full), NoMessage) << accepted;
}

TEST(IpxAddressRule, PartialAddressPassesWhileTypingOnly)
{
    EXPECT_EQ(IpxAddressRule("0000", Typing), NoMessage);
    EXPECT_EQ(IpxAddressRule("0000", Full), MsgInvalidIpxAddress);
    EXPECT_EQ(IpxAddressRule("", Typing), NoMessage);
    EXPECT_EQ(IpxAddressRule("", Full), MsgInvalidIpxAddress);
    EXPECT_EQ(IpxAddressRule("G", Typing), MsgInvalidIpxAddress);
    EXPECT_EQ(IpxAddressRule("00000000000G", Full), MsgInvalidIpxAddress);
}

TEST(IpxMaskRule, Shapes)
{
    for (const char *accepted : {"FFFFFFFFFFFF", "FFFFFFFFFFF0", "FFFFFFE00000", "000000000000", "FFFFFF000000",
                                 "FFFFFF800000", "C00000000000", "FFFFFFFFFFFE"})
        EXPECT_EQ(IpxMaskRule(accepted, Full), NoMessage) << accepted;
    for (const char *refused : {"FFFFFFFFFFF1", "F0F000000000", "FFFFFF100000", "fFFFFFFFFFFF", "FFFFFFe00000",
                                "FFFFFFc00000", "FFFE8FFFFFFF", "8800000000000", "FFFFFFFFFFGF"})
        EXPECT_EQ(IpxMaskRule(refused, Full), MsgInvalidIpxMask) << refused;
}

TEST(IpxMaskRule, TypingAcceptsAPrefixTheFullFormRefusesForLength)
{
    EXPECT_EQ(IpxMaskRule("FFFFFF8", Typing), NoMessage);
    EXPECT_EQ(IpxMaskRule("FFFFFF8", Full), MsgInvalidIpxMask);
    EXPECT_EQ(IpxMaskRule("FFFFFF81", Typing), MsgInvalidIpxMask);
    EXPECT_EQ(IpxMaskRule("", Typing), NoMessage);
}

TEST(IpxMaskRule, CharactersBeyondTheTwelfthAreNotExamined)
{
    // Only the hexadecimal test looks at them.
    EXPECT_EQ(IpxMaskRule("FFFFFFFFFFFF1", Full), NoMessage);
    EXPECT_EQ(IpxMaskRule("FFFFFFFFFFF01", Full), NoMessage);
    EXPECT_EQ(IpxMaskRule("FFFFFFFFFFFFG", Full), MsgInvalidIpxMask);
}

TEST(HomeServerAddressRules, LengthsExactAndNoRangeTest)
{
    EXPECT_EQ(NetworkAddressRule("0000001A", Full), NoMessage);
    EXPECT_EQ(NetworkAddressRule("000001A", Full), MsgInvalidNetworkAddress);
    EXPECT_EQ(NetworkAddressRule("000001A", Typing), NoMessage);
    EXPECT_EQ(NetworkAddressRule("00000001A", Full), MsgInvalidNetworkAddress);
    EXPECT_EQ(NetworkAddressRule("Z", Typing), MsgInvalidNetworkAddress);

    EXPECT_EQ(NodeAddressRule("FFFFFFFFFFFF", Full), NoMessage);
    EXPECT_EQ(NodeAddressRule("000000000000", Full), NoMessage);
    EXPECT_EQ(NodeAddressRule("00001B2C3D4", Full), MsgInvalidNodeAddress);
    EXPECT_EQ(NodeAddressRule("00001B2C3D4", Typing), NoMessage);
    EXPECT_EQ(IpxAddressRule("FFFFFFFFFFFF", Full), MsgInvalidIpxAddress);
}

TEST(ParseDottedQuad, AcceptedForms)
{
    struct Case {
        const char *text;
        uint8_t bytes[4];
    } cases[] = {
        {"129.1.2.0", {129, 1, 2, 0}},
        {"1.2.3.4.", {1, 2, 3, 4}},
        {"001.002.003.004", {1, 2, 3, 4}},
        {"010.0.0.0", {10, 0, 0, 0}},
        {"255.255.255.255", {255, 255, 255, 255}},
        {"0.0.0.0", {0, 0, 0, 0}},
    };
    for (const Case &c : cases) {
        uint8_t out[4] = {9, 9, 9, 9};
        ASSERT_TRUE(ParseDottedQuad(c.text, out)) << c.text;
        EXPECT_EQ(0, std::memcmp(out, c.bytes, 4)) << c.text;
    }
}

TEST(ParseDottedQuad, RefusedForms)
{
    for (const char *text : {"", "1.2.3", "1..2.3.4", "1.2.3.4.5", "1.2.3.4..", "256.0.0.0", "255.255.255.256",
                             ".1.2.3.4", "1.2.3.a", "1.2.3.4 ", "-1.2.3.4", "1.2.3.", "4294967297.0.0.1",
                             "000000000000000000000000000000001.2.3.256"}) {
        uint8_t out[4] = {9, 9, 9, 9};
        EXPECT_FALSE(ParseDottedQuad(text, out)) << text;
        EXPECT_EQ(out[0], 9) << "a refused text leaves the destination alone: " << text;
    }
    uint8_t out[4];
    EXPECT_TRUE(ParseDottedQuad("0000000000001.2.3.4", out)) << "leading zeros of any count";
}

TEST(DottedQuadRule, TypingLooksOnlyAtCharacters)
{
    EXPECT_EQ(DottedQuadRule("", Typing), NoMessage);
    EXPECT_EQ(DottedQuadRule("999..", Typing), NoMessage);
    EXPECT_EQ(DottedQuadRule("1.2,3", Typing), MsgInvalidDottedQuad);
    EXPECT_EQ(DottedQuadRule("", Full), MsgInvalidDottedQuad);
    uint8_t address[4] = {};
    EXPECT_EQ(DottedQuadRule("10.0.0.1", Full, &address), NoMessage);
    EXPECT_EQ(address[0], 10);
    EXPECT_EQ(address[3], 1);
}

TEST(ZoneNameRule, LengthAndSpaces)
{
    EXPECT_EQ(ZoneNameRule(std::string(33, 'z'), Full), NoMessage);
    EXPECT_EQ(ZoneNameRule(std::string(34, 'z'), Full), MsgInvalidZoneName);
    EXPECT_EQ(ZoneNameRule("", Full), MsgInvalidZoneName);
    EXPECT_EQ(ZoneNameRule("", Typing), NoMessage);
    EXPECT_EQ(ZoneNameRule("Zone A", Typing), MsgInvalidZoneName);
    EXPECT_EQ(ZoneNameRule("Zone A", Full), MsgInvalidZoneName);
    EXPECT_EQ(ZoneNameRule("Zone\tA!", Full), NoMessage);
}

TEST(ReadMinutesValue, ReadsLikeAtoi)
{
    struct Case {
        const char *text;
        int32_t value;
    } cases[] = {{"-1", -1}, {"5-", 5}, {"1-2", 1}, {"-", 0}, {"--5", 0}, {"-5-", -5}, {"", 0},
                 {"000100000", 100000}, {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"12a", 12}};
    for (const Case &c : cases) {
        auto value = ReadMinutesValue(c.text);
        ASSERT_TRUE(value.has_value()) << c.text;
        EXPECT_EQ(*value, c.value) << c.text;
    }
    EXPECT_FALSE(ReadMinutesValue("2147483648").has_value());
    EXPECT_FALSE(ReadMinutesValue("-2147483649").has_value());
    EXPECT_FALSE(ReadMinutesValue("4294967295").has_value()) << "would wrap to -1 in 32 bits";
    EXPECT_FALSE(ReadMinutesValue("99999999999999999999").has_value());
}

TEST(MinutesRule, Boundaries)
{
    int32_t value = 7;
    for (const char *accepted : {"-1", "0", "100000", "--5", "5-"})
        EXPECT_EQ(MinutesRule(accepted, Full, MinutesField::IdleTimeout), NoMessage) << accepted;
    for (const char *refused : {"-2", "100001", "", "12a", "-5-", "999999"})
        EXPECT_EQ(MinutesRule(refused, Full, MinutesField::IdleTimeout), MsgInvalidIdleTimeout) << refused;
    EXPECT_EQ(MinutesRule("5-", Full, MinutesField::MaximumConnectTime, &value), NoMessage);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(MinutesRule("--5", Full, MinutesField::MaximumConnectTime, &value), NoMessage);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(MinutesRule("-2", Full, MinutesField::MaximumConnectTime, &value), MsgInvalidConnectTime);
    EXPECT_EQ(value, 0) << "a refused text leaves the value alone";
}

TEST(MinutesRule, TypingAndTheSixCharacterField)
{
    EXPECT_EQ(MinutesRule("-5", Typing, MinutesField::IdleTimeout), NoMessage) << "refused only on apply";
    EXPECT_EQ(MinutesRule("", Typing, MinutesField::IdleTimeout), NoMessage);
    EXPECT_EQ(MinutesRule("1a", Typing, MinutesField::IdleTimeout), MsgInvalidIdleTimeout);
    EXPECT_EQ(MinutesRule("1a", Typing, MinutesField::MaximumConnectTime), MsgInvalidConnectTime);
    // The field holds 6 characters; what lies beyond is never read.
    int32_t value = 0;
    EXPECT_EQ(MinutesRule("100000999999", Full, MinutesField::IdleTimeout, &value), NoMessage);
    EXPECT_EQ(value, 100000);
    EXPECT_EQ(MinutesRule("000030x", Full, MinutesField::IdleTimeout, &value), NoMessage);
    EXPECT_EQ(value, 30);
}

TEST(DaysRule, Boundaries)
{
    int32_t value = -9;
    EXPECT_EQ(DaysRule("0", Full, &value), NoMessage);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(DaysRule("365", Full, &value), NoMessage);
    EXPECT_EQ(value, 365);
    EXPECT_EQ(DaysRule("007", Full, &value), NoMessage);
    EXPECT_EQ(value, 7);
    for (const char *refused : {"366", "", "-1", "1 ", "999"})
        EXPECT_EQ(DaysRule(refused, Full), MsgInvalidDisableDays) << refused;
    EXPECT_EQ(DaysRule("", Typing), NoMessage);
    EXPECT_EQ(DaysRule("-", Typing), MsgInvalidDisableDays);
    EXPECT_EQ(DaysRule("9999", Typing), NoMessage) << "only the digits are tested while typing";
}


} // namespace
} // namespace rax
