#include "network/text_conversions.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

namespace rax {
namespace {

TEST(HexConversions, TheDocumentedExamples)
{
    const uint8_t bytes[] = {0x01, 0xAB};
    char text[5];
    EXPECT_EQ(BytesToHex(text, sizeof text, bytes, 2), 2u);
    EXPECT_STREQ(text, "01AB");

    uint8_t out[3] = {0xEE, 0xEE, 0xEE};
    EXPECT_EQ(HexToBytes(out, sizeof out, "01ab", 4), 2u);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0xAB);
    EXPECT_EQ(out[2], 0x00) << "the byte behind the last converted one is cleared";
}

TEST(HexConversions, RoundTripOfEveryByteValue)
{
    uint8_t bytes[256];
    for (int i = 0; i < 256; ++i)
        bytes[i] = static_cast<uint8_t>(i);
    char text[513];
    ASSERT_EQ(BytesToHex(text, sizeof text, bytes, 256), 256u);
    EXPECT_EQ(std::strlen(text), 512u);
    uint8_t back[257];
    ASSERT_EQ(HexToBytes(back, sizeof back, text, 512), 256u);
    EXPECT_EQ(std::memcmp(bytes, back, 256), 0);

    std::string lower(text);
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    ASSERT_EQ(HexToBytes(back, sizeof back, lower, 512), 256u);
    EXPECT_EQ(std::memcmp(bytes, back, 256), 0) << "both cases convert";
}

TEST(HexConversions, OddDigitsShortTextsAndSmallDestinations)
{
    uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(HexToBytes(out, sizeof out, "ABC", 3), 1u) << "an odd last digit is ignored";
    EXPECT_EQ(out[0], 0xAB);
    EXPECT_EQ(out[1], 0x00);
    EXPECT_EQ(HexToBytes(out, sizeof out, "12", 12), 1u) << "never reads past the text";
    EXPECT_EQ(HexToBytes(out, 2, "0102030405", 10), 2u) << "never writes past the destination";
    EXPECT_EQ(out[2], 0xEE) << "not even the closing zero byte goes past the capacity";

    const uint8_t bytes[] = {0xDE, 0xAD, 0xBE, 0xEF};
    char text[6];
    EXPECT_EQ(BytesToHex(text, sizeof text, bytes, 4), 2u);
    EXPECT_STREQ(text, "DEAD");
}

TEST(FormatDottedQuad, BytesAreUnsigned)
{
    char text[DottedQuadTextSize];
    const uint8_t all[4] = {255, 255, 255, 255};
    FormatDottedQuad(all, text);
    EXPECT_STREQ(text, "255.255.255.255");
    const uint8_t none[4] = {};
    FormatDottedQuad(none, text);
    EXPECT_STREQ(text, "0.0.0.0");
}

TEST(ServerAddressText, FormAndReadingBack)
{
    const uint8_t network[4] = {0x00, 0x00, 0xAB, 0xCD};
    const uint8_t node[6] = {0x00, 0x00, 0x1B, 0x2C, 0x3D, 0x4E};
    char text[ServerAddressTextLength + 1];
    ServerAddressText(network, node, text);
    EXPECT_STREQ(text, "[0000ABCD][00001B2C3D4E]");

    uint8_t address[10] = {};
    ASSERT_TRUE(ParseServerAddressText(text, address));
    EXPECT_EQ(std::memcmp(address, network, 4), 0);
    EXPECT_EQ(std::memcmp(address + 4, node, 6), 0);
    EXPECT_TRUE(ParseServerAddressText("[0000abcd][00001b2c3d4e]", address));
}

TEST(ServerAddressText, OnlyTheExactShapeIsAnAddress)
{
    uint8_t address[10];
    for (const char *name : {"[", "[0000ABCD]", "[0000ABCD][00001B2C3D4]", "[0000ABCD][00001B2C3D4E]x",
                             "[0000ABCG][00001B2C3D4E]", "(0000ABCD)(00001B2C3D4E)", "SRV1", ""})
        EXPECT_FALSE(ParseServerAddressText(name, address)) << name;
}

} // namespace
} // namespace rax
