// The sample PPP decoder loaded as the viewer loads it: what it shows of
// each kind of frame at the two levels, and that no frame cut anywhere makes
// it read past the traced bytes (each frame lies in a heap block of exactly
// its size, so the sanitizer build catches any read beyond).
#include "dynamic_library.h"
#include "kavelin_plugin.h"
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

class PppDecoder : public ::testing::Test {
protected:
    void SetUp() override
    {
        library_ = OpenLibrary(PluginPath("pppdec").c_str());
        ASSERT_NE(library_, nullptr);
        handler_ = reinterpret_cast<TraceEventHandlerFn>(FindLibraryEntry(library_, "TraceEventHandler_"));
        ASSERT_NE(handler_, nullptr);
        auto query = reinterpret_cast<SourceIDQueryHandlerFn>(FindLibraryEntry(library_, "SourceIDQueryHandler_"));
        ASSERT_NE(query, nullptr);
        uint32_t count = 0;
        uint32_t *ids = nullptr;
        query(&count, &ids);
        ASSERT_EQ(count, 1u);
        EXPECT_EQ(ids[0], 0x21u);
    }

    void TearDown() override { CloseLibrary(library_); }

    // The decoder's output for `frame` at `level`.
    std::string Decode(const std::vector<uint8_t> &frame, int level)
    {
        std::unique_ptr<uint8_t[]> exact(new uint8_t[frame.size() ? frame.size() : 1]);
        std::copy(frame.begin(), frame.end(), exact.get());
        EventHeader header = {0, 1, 0x21, 0, 0, 0, 0, static_cast<uint32_t>(frame.size()),
                              static_cast<uint32_t>(frame.size())};
        ViewerSettings settings = {"trace", 1, 25, level};
        ::testing::internal::CaptureStdout();
        handler_(&header, exact.get(), &settings);
        std::fflush(stdout);
        return ::testing::internal::GetCapturedStdout();
    }

    LibraryHandle library_ = nullptr;
    TraceEventHandlerFn handler_ = nullptr;
};

const std::vector<uint8_t> IpcpRequest = {0xFF, 0x03, 0x80, 0x21, 0x01, 0x09, 0x00, 0x0A, 0x03, 0x06, 10, 0, 0, 7};
const std::vector<uint8_t> PapRequest = {0xFF, 0x03, 0xC0, 0x23, 0x01, 0x02, 0x00, 0x0D, 0x03, 'a', 'n', 'n',
                                         0x04, 's', 'e', 'c', 'r'};
const std::vector<uint8_t> IpDatagram = {0x00, 0x21,  // address and control compressed
                                         0x45, 0x00, 0x00, 0x18, 0x12, 0x34, 0x40, 0x00, 64, 17, 0xAB, 0xCD,
                                         10, 0, 0, 1, 10, 0, 0, 2, 0xDE, 0xAD, 0xBE, 0xEF};

TEST_F(PppDecoder, LevelOneIsOneLineAndLevelTwoEveryField)
{
    EXPECT_EQ(Decode(IpcpRequest, 1), "PPP IPCP Configure-Request code 1, id 9, length 10\n");
    EXPECT_EQ(Decode(IpcpRequest, 2), "PPP frame, 14 bytes\n"
                                      "  Address 0xFF, control 0x03\n"
                                      "  Protocol 0x8021 (IPCP)\n"
                                      "  Code 1 Configure-Request, identifier 9, length 10\n"
                                      "    Option   3 IP-Address, length 6: 10.0.0.7\n");
    EXPECT_EQ(Decode(PapRequest, 1), "PPP PAP Authenticate-Request code 1, id 2, length 13, peer \"ann\"\n");
    EXPECT_EQ(Decode(PapRequest, 2), "PPP frame, 17 bytes\n"
                                     "  Address 0xFF, control 0x03\n"
                                     "  Protocol 0xC023 (PAP)\n"
                                     "  Code 1 Authenticate-Request, identifier 2, length 13\n"
                                     "  Peer-ID \"ann\"\n"
                                     "  Password of 4 characters (not shown)\n");
    EXPECT_EQ(Decode(IpDatagram, 1), "PPP IP UDP 10.0.0.1 -> 10.0.0.2, 26 bytes\n");
    EXPECT_EQ(Decode(IpDatagram, 2), "PPP frame, 26 bytes\n"
                                     "  Address and control fields compressed\n"
                                     "  Protocol 0x0021 (IP)\n"
                                     "  IP version 4, header 20 bytes, total 24 bytes\n"
                                     "  Identification 0x1234, fragment 0x4000, TTL 64, protocol 17 UDP, "
                                     "checksum 0xABCD\n"
                                     "  Source 10.0.0.1, destination 10.0.0.2\n"
                                     "  Data, 4 bytes:\n"
                                     "    DE AD BE EF\n");
    // Levels other than 1 decode fully.
    EXPECT_EQ(Decode(IpcpRequest, 7), Decode(IpcpRequest, 2));
}

TEST_F(PppDecoder, FrameCutShortIsMarkedAndNeverReadPast)
{
    EXPECT_EQ(Decode({0xFF}, 1), "PPP frame too short (1 bytes)\n");
    std::vector<uint8_t> cut(PapRequest.begin(), PapRequest.begin() + 11);
    EXPECT_EQ(Decode(cut, 1), "PPP PAP Authenticate-Request code 1, id 2, length 13 (cut)\n");
    for (const std::vector<uint8_t> *frame : {&IpcpRequest, &PapRequest, &IpDatagram}) {
        for (std::size_t size = 0; size < frame->size(); ++size) {
            std::vector<uint8_t> prefix(frame->begin(), frame->begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_FALSE(Decode(prefix, 1).empty()) << size;
            EXPECT_FALSE(Decode(prefix, 2).empty()) << size;
        }
    }
}

TEST_F(PppDecoder, ArbitraryBytesDecodeWithoutFault)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> frame(random() % 64);
        for (uint8_t &b : frame)
            b = static_cast<uint8_t>(random());
        if (frame.size() >= 4 && round % 2 == 0) {  // give half of them a known protocol
            static const uint16_t protocols[] = {0xC021, 0x8021, 0xC023, 0xC223, 0x0021, 0x802B};
            uint16_t p = protocols[random() % 6];
            frame[0] = 0xFF;
            frame[1] = 0x03;
            frame[2] = static_cast<uint8_t>(p >> 8);
            frame[3] = static_cast<uint8_t>(p);
        }
        Decode(frame, 1 + round % 2);
    }
}

}  // namespace
