#include "core/profile_items.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace rax {
namespace {

std::vector<uint8_t> Item(uint16_t tag, std::vector<uint8_t> data)
{
    std::vector<uint8_t> out(ProfileItemHeaderSize + data.size());
    ByteWriter w(out.data(), out.size());
    EXPECT_TRUE(WriteProfileItem(w, tag, data.data(), static_cast<uint32_t>(data.size())));
    return out;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const auto &part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

TEST(ProfileItems, TheIpxAddressItemIsEighteenBytes)
{
    auto stream = Item(TagIpxAddress, {0, 0, 0, 0, 0, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    const std::vector<uint8_t> expected = {0x01, 0xC0, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0x00, 0x00, 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(stream, expected);

    uint8_t found[13];
    ASSERT_TRUE(FindProfileItem(stream.data(), stream.size(), TagIpxAddress, found, sizeof found));
    EXPECT_EQ(std::memcmp(found, expected.data() + 6, 12), 0);
    EXPECT_EQ(found[12], 0) << "a NUL follows the data";
}

TEST(ProfileItems, TftpServerItemIsTenBytes)
{
    auto stream = Item(TagTftpServer, {10, 0, 0, 1});
    const std::vector<uint8_t> expected = {0x35, 0x80, 4, 0, 0, 0, 10, 0, 0, 1};
    EXPECT_EQ(stream, expected);
}

TEST(ProfileItems, UnknownTagsBetweenKnownItemsAreSteppedOver)
{
    auto stream = Concat({Item(TagDomainServer, {1, 2, 3, 4}), Item(0x1234, {9, 9, 9, 9, 9, 9, 9}),
                          Item(TagDomainName, {'a', '.', 'b', 0})});
    uint8_t server[5];
    char name[58];
    ASSERT_TRUE(FindProfileItem(stream.data(), stream.size(), TagDomainServer, server, sizeof server));
    EXPECT_EQ(server[3], 4);
    ASSERT_TRUE(FindProfileItem(stream.data(), stream.size(), TagDomainName, name, sizeof name));
    EXPECT_STREQ(name, "a.b");
    EXPECT_FALSE(FindProfileItem(stream.data(), stream.size(), TagBootFile, name, sizeof name));
}


TEST(ProfileItems, AnItemRunningPastTheValueEndsTheScan)
{
    // The second item announces 200 data bytes but only 3 follow; the third
    // "item" lies inside those bytes and must not be found.
    auto stream = Concat({Item(TagDomainServer, {1, 2, 3, 4}), {0x37, 0x80, 200, 0, 0, 0, 0x35, 0x80, 0}});
    ByteReader in(stream.data(), stream.size());
    ProfileItem item{};
    ASSERT_TRUE(ReadProfileItem(in, item));
    EXPECT_EQ(item.tag, TagDomainServer);
    EXPECT_FALSE(ReadProfileItem(in, item));
    EXPECT_EQ(in.Position(), 10u) << "the reader stays at the damaged item";
    uint8_t out[5];
    EXPECT_FALSE(FindProfileItem(stream.data(), stream.size(), TagBootFile, out, sizeof out));

    const uint8_t huge[] = {0x06, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4};
    EXPECT_FALSE(FindProfileItem(huge, sizeof huge, TagDomainServer, out, sizeof out));
}

TEST(ProfileItems, ATrailingPartialHeaderIsNotAnItem)
{
    auto stream = Concat({Item(TagTftpServer, {1, 2, 3, 4}), {0x37, 0x80, 1}});
    uint8_t out[5];
    EXPECT_TRUE(FindProfileItem(stream.data(), stream.size(), TagTftpServer, out, sizeof out));
    EXPECT_FALSE(FindProfileItem(stream.data(), stream.size(), TagBootFile, out, sizeof out));
    EXPECT_FALSE(FindProfileItem(stream.data(), 0, TagTftpServer, out, sizeof out));
    EXPECT_FALSE(FindProfileItem(nullptr, 0, TagTftpServer, out, sizeof out));
}

TEST(ProfileItems, OversizeDataIsCutToTheDestinationAndShortDataLeavesZeros)
{
    std::vector<uint8_t> longName(100, 'x');
    auto stream = Concat({Item(TagDomainName, longName), Item(TagTftpServer, {7, 7})});
    char name[58];
    std::memset(name, '#', sizeof name);
    ASSERT_TRUE(FindProfileItem(stream.data(), stream.size(), TagDomainName, name, sizeof name));
    EXPECT_EQ(std::strlen(name), 57u);

    uint8_t address[5];
    std::memset(address, 0xEE, sizeof address);
    ASSERT_TRUE(FindProfileItem(stream.data(), stream.size(), TagTftpServer, address, sizeof address));
    const uint8_t expected[5] = {7, 7, 0, 0, 0};
    EXPECT_EQ(std::memcmp(address, expected, 5), 0);
}

TEST(ProfileItems, CollectingScanResumesBehindEachFind)
{
    auto stream = Concat({Item(TagHomeServerName, {'A', 0}), Item(TagHomeServerAddress, std::vector<uint8_t>(10, 1)),
                          Item(TagHomeServerName, {'B', 0})});
    ByteReader in(stream.data(), stream.size());
    ProfileItem item{};
    ASSERT_TRUE(FindNextProfileItem(in, TagHomeServerName, item));
    EXPECT_EQ(item.data[0], 'A');
    EXPECT_EQ(item.offset, 0u);
    ASSERT_TRUE(FindNextProfileItem(in, TagHomeServerName, item));
    EXPECT_EQ(item.data[0], 'B');
    EXPECT_EQ(item.offset, 24u);
    EXPECT_FALSE(FindNextProfileItem(in, TagHomeServerName, item));
    EXPECT_TRUE(in.AtEnd());
}


} // namespace
} // namespace rax
