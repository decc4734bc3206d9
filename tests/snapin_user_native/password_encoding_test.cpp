// The remote client password encoding: the constants stored passwords depend
// on, the shift list and the gathering worked by hand, the short and long
// layouts, and that no two passwords share an encoding.
#include "user/password_encoding.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using rax::PasswordEncodingRecord;

std::vector<uint8_t> Encode(const std::string &password, uint16_t length,
                            const PasswordEncodingRecord &params = rax::PasswordEncodingParams)
{
    std::vector<uint8_t> input(length, 0);
    std::memcpy(input.data(), password.data(), password.size() < length ? password.size() : length);
    std::vector<uint8_t> output(length, 0xEE);
    rax::EncodeRemotePassword(input.data(), params, output.data(), length);
    return output;
}

// Undoes the encoding with the record and the table, to show that nothing is
// lost: substitution, rotation and gathering are each one-to-one.
std::vector<uint8_t> Decode(const std::vector<uint8_t> &encoded, const PasswordEncodingRecord &params)
{
    uint8_t inverse[256];
    for (int v = 0; v < 256; ++v)
        inverse[rax::PasswordSubstitutionTable[v]] = static_cast<uint8_t>(v);
    uint8_t shifts[8];
    rax::PasswordShiftList(params, shifts);
    const std::size_t length = encoded.size();
    std::vector<uint8_t> input(length, 0);
    for (std::size_t i = 0; i < length; ++i) {
        uint8_t gathered = rax::RotateLeft8(inverse[encoded[i]], (8 - shifts[i % 8]) % 8);
        for (unsigned bit = 0; bit < 8; ++bit) {
            std::size_t source = (i + params.gatherOffsets[bit]) % length;
            input[source] = static_cast<uint8_t>(input[source] | (gathered & (1u << bit)));
        }
    }
    return input;
}

TEST(PasswordConstants, SubstitutionTableIsAPermutationOfAllByteValues)
{
    std::array<int, 256> seen{};
    for (uint8_t v : rax::PasswordSubstitutionTable)
        ++seen[v];
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(seen[v], 1) << "byte value " << v;
}

// Stored passwords depend on these: a change here breaks every access server.
TEST(PasswordConstants, RecordAndTableKeepTheirValues)
{
    const uint8_t record[10] = {0x05, 0x0B, 0x02, 0x0E, 0x07, 0x00, 0x1D, 0x03, 0x6B, 0x2D};
    EXPECT_EQ(std::memcmp(&rax::PasswordEncodingParams, record, sizeof record), 0);
    EXPECT_EQ(rax::PasswordSubstitutionTable[0x00], 0xDB);
    EXPECT_EQ(rax::PasswordSubstitutionTable[0x7F], 0xB3);
    EXPECT_EQ(rax::PasswordSubstitutionTable[0xA0], 0xA9);
    EXPECT_EQ(rax::PasswordSubstitutionTable[0xFF], 0x45);
}

TEST(PasswordShiftList, WorkedOutFromTheSeedByHand)
{
    uint8_t shifts[8];
    // Seed 0x6B2D = 27437: k = 5, 6, 3, 1, 0, 1, 1, 0 in turn.
    rax::PasswordShiftList(rax::PasswordEncodingParams, shifts);
    EXPECT_EQ(std::vector<uint8_t>(shifts, shifts + 8), (std::vector<uint8_t>{7, 1, 3, 6, 5, 2, 0, 4}));

    // Seed 0: every k is 0, below i from the second step on, so each step
    // swaps with the head of the list.
    PasswordEncodingRecord zero{};
    rax::PasswordShiftList(zero, shifts);
    EXPECT_EQ(std::vector<uint8_t>(shifts, shifts + 8), (std::vector<uint8_t>{7, 0, 1, 2, 3, 4, 5, 6}));

    // 0x9D80 = 40320 = 8! wraps to seed 0.
    PasswordEncodingRecord wrapped{};
    wrapped.seedHigh = 0x9D;
    wrapped.seedLow = 0x80;
    uint8_t again[8];
    rax::PasswordShiftList(wrapped, again);
    EXPECT_EQ(std::memcmp(shifts, again, 8), 0);
}

TEST(PasswordGathering, EachBitComesFromItsOwnOffset)
{
    // Input byte m holds only bit m; offsets 0..7 pick bit j from byte i + j,
    // so only output 0 gathers any bit, and it gathers all eight.
    uint8_t input[8];
    for (int m = 0; m < 8; ++m)
        input[m] = static_cast<uint8_t>(1u << m);
    PasswordEncodingRecord params{{0, 1, 2, 3, 4, 5, 6, 7}, 0, 0};
    EXPECT_EQ(rax::GatherPasswordBits(input, 8, params, 0), 0xFF);
    for (uint16_t i = 1; i < 8; ++i)
        EXPECT_EQ(rax::GatherPasswordBits(input, 8, params, i), 0x00) << i;

    // Offsets wrap modulo the length: 255 on 16 bytes acts as 15.
    uint8_t sixteen[16] = {};
    sixteen[15] = 0xFF;
    PasswordEncodingRecord last{{255, 0, 0, 0, 0, 0, 0, 0}, 0, 0};
    EXPECT_EQ(rax::GatherPasswordBits(sixteen, 16, last, 0), 0x01);
    EXPECT_EQ(rax::GatherPasswordBits(sixteen, 16, last, 15), 0xFE);
}

TEST(PasswordEncoding, HandWorkedWithZeroOffsetsAndSeed)
{
    // Offsets 0 gather each byte whole; seed 0 rotates byte 0 by 7 places:
    // 'A' = 0x41 becomes 0xA0, which the table turns into 0xA9. The zero bytes
    // stay 0 whatever the rotation and become table[0] = 0xDB.
    PasswordEncodingRecord plain{};
    auto out = Encode("A", 8, plain);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xA9, 0xDB, 0xDB, 0xDB, 0xDB, 0xDB, 0xDB, 0xDB}));
}

TEST(PasswordEncoding, KnownOutputsOfTheSnapinsRecord)
{
    EXPECT_EQ(Encode("Secret12", 8), (std::vector<uint8_t>{0x2F, 0xB7, 0x66, 0x35, 0xAA, 0xE8, 0xC4, 0x6B}));
    EXPECT_EQ(Encode("LongPass9", 16),
              (std::vector<uint8_t>{0x13, 0x5B, 0x21, 0xB4, 0x11, 0x15, 0xB7, 0x29, 0x87, 0x33, 0x50, 0x33, 0x85,
                                    0xB8, 0x75, 0x69}));
}

TEST(PasswordEncoding, DeterministicAndOneToOne)
{
    std::mt19937 random(20261207);
    for (uint16_t length : {uint16_t{8}, uint16_t{16}}) {
        std::set<std::vector<uint8_t>> outputs;
        for (int n = 0; n < 3000; ++n) {
            std::vector<uint8_t> input(length);
            for (auto &b : input)
                b = static_cast<uint8_t>(random());
            std::vector<uint8_t> out(length), again(length);
            rax::EncodeRemotePassword(input.data(), rax::PasswordEncodingParams, out.data(), length);
            rax::EncodeRemotePassword(input.data(), rax::PasswordEncodingParams, again.data(), length);
            ASSERT_EQ(out, again);
            ASSERT_EQ(Decode(out, rax::PasswordEncodingParams), input);
            outputs.insert(out);

            // Any single bit changed anywhere changes the encoding.
            std::size_t at = random() % length;
            input[at] = static_cast<uint8_t>(input[at] ^ (1u << (random() % 8)));
            std::vector<uint8_t> flipped(length);
            rax::EncodeRemotePassword(input.data(), rax::PasswordEncodingParams, flipped.data(), length);
            ASSERT_NE(flipped, out);
        }
        EXPECT_EQ(outputs.size(), 3000u);
    }
}

TEST(StoreRemotePassword, EightCharactersAreShortAndNineAreLong)
{
    rax::PasswordParametersValue value{};
    std::memset(value.EncodedPassword, 0x77, sizeof value.EncodedPassword);
    value.PasswordFlags = 0xA3;
    ASSERT_TRUE(rax::StoreRemotePassword(value, "Secret12", 8));
    std::vector<uint8_t> expected(8, 0);
    auto encoded = Encode("Secret12", 8);
    expected.insert(expected.end(), encoded.begin(), encoded.end());
    EXPECT_EQ(std::vector<uint8_t>(value.EncodedPassword, value.EncodedPassword + 16), expected);
    EXPECT_EQ(value.PasswordFlags, 0xA2) << "bit 0 cleared, the others kept";

    ASSERT_TRUE(rax::StoreRemotePassword(value, "LongPass9", 9));
    EXPECT_EQ(std::vector<uint8_t>(value.EncodedPassword, value.EncodedPassword + 16), Encode("LongPass9", 16));
    EXPECT_EQ(value.PasswordFlags, 0xA2) << "a long password leaves the flags";

    rax::PasswordParametersValue before = value;
    EXPECT_FALSE(rax::StoreRemotePassword(value, "", 0));
    EXPECT_FALSE(rax::StoreRemotePassword(value, "ABCDEFGHIJKLMNOPQ", 17));
    EXPECT_EQ(std::memcmp(&value, &before, sizeof value), 0);
}

} // namespace
