// The event browser in-process: dump lines, page pauses, keys, navigation,
// no-pause mode, and damaged work files.
#include "browser.h"
#include "settings.h"
#include "trace_generator.h"
#include "viewer_test_support.h"
#include "work_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

const char OptionPrompt[] = "<Select Option: View (N)ext, (P)revious, e(X)it.>";
const char PagePrompt[] = "<Press any key to view rest of event.>";
const std::string PageErase = "\r" + std::string(38, ' ') + "\r";

// The dump line format written the plain way, byte by byte
// through printf, as a second opinion on the browser's own formatting.
std::string ReferenceDump(const std::vector<uint8_t> &data)
{
    std::string out;
    char text[16];
    for (std::size_t line = 0; line < data.size(); line += 16) {
        std::snprintf(text, sizeof text, "(%04X)  ", static_cast<unsigned>(line));
        out += text;
        for (std::size_t i = line; i < line + 16; ++i) {
            if (i < data.size()) {
                std::snprintf(text, sizeof text, "%02X ", data[i]);
                out += text;
            } else {
                out += "   ";
            }
        }
        out += "  \xB3  ";
        for (std::size_t i = line; i < line + 16 && i < data.size(); ++i)
            out += (data[i] >= 0x21 && data[i] <= 0x7E) ? static_cast<char>(data[i]) : '.';
        out += "\n";
    }
    return out;
}

std::string HeaderLines(const RawEvent &e)
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "Event #%06d, Time = %04d, Full Size = %4d bytes, Traced Size = %4d,\n"
                  "Source = %04x, Type = %04x, SubType = %04x.\n\n",
                  e.EventNumber, e.Time, static_cast<int>(e.FullSize), static_cast<int>(e.TracedSize), e.Source,
                  e.Type, e.SubType);
    return text;
}

std::vector<uint8_t> Bytes(std::size_t count, uint8_t first = 0)
{
    std::vector<uint8_t> data(count);
    for (std::size_t i = 0; i < count; ++i)
        data[i] = static_cast<uint8_t>(first + i * 7);
    return data;
}

RawEvent Event(int number, std::vector<uint8_t> data, uint32_t source = 1)
{
    RawEvent e;
    e.EventNumber = number;
    e.Source = source;
    e.Time = number * 10;
    e.Type = 0x1A;
    e.SubType = 0xB;
    e.TracedSize = static_cast<uint32_t>(data.size());
    e.FullSize = e.TracedSize + 5;
    e.Data = std::move(data);
    return e;
}

// Writes the events as a work file, each linked to the one before it.
std::vector<uint8_t> LinkedWorkFile(std::vector<RawEvent> events)
{
    std::vector<uint8_t> work;
    uint32_t previous = 0;
    for (RawEvent &e : events) {
        uint32_t here = static_cast<uint32_t>(work.size());
        e.PrevOffset = previous;
        AppendEvent(work, e);
        previous = here;
    }
    return work;
}

class Browser : public ::testing::Test {
protected:
    void SetUp() override { ResetViewerState(); }
    void TearDown() override { ResetViewerState(); }

    // Browses the bytes as a work file with the keys given; fills listing_
    // and console_ and returns BrowseEvents' result.
    int Browse(const std::vector<uint8_t> &work, const std::string &keys)
    {
        std::string path = dir_.File("WORK.TMP");
        WriteBytes(path, work);
        FILE *file = std::fopen(path.c_str(), "rb");
        EXPECT_NE(file, nullptr);
        CapturedOutput out(keys);
        int result = BrowseEvents(file, EventDataBuffer);
        std::fclose(file);
        listing_ = out.Listing();
        console_ = out.Console();
        keysLeft_ = out.ConsoleState().Keys.size() - out.ConsoleState().NextKey;
        return result;
    }

    std::string Dump(const std::vector<uint8_t> &data, const std::string &keys = "")
    {
        CapturedOutput out(keys);
        dumpResult_ = DumpEventData(data.data(), static_cast<uint32_t>(data.size()));
        console_ = out.Console();
        return out.Listing();
    }

    TempDir dir_;
    std::string listing_, console_;
    std::size_t keysLeft_ = 0;
    bool dumpResult_ = true;
};

TEST_F(Browser, DumpLineFormatSixteenAndSeventeenBytes)
{
    std::vector<uint8_t> data = {0x00, 0x20, 0x21, 0x41, 0x7E, 0x7F, 0x80, 0xFF,
                                 0x30, 0x31, 0x32, 0x33, 0x61, 0x62, 0x63, 0x0A};
    EXPECT_EQ(Dump(data), Golden("dump16.txt"));
    data.push_back(0x5A);
    EXPECT_EQ(Dump(data), Golden("dump17.txt"));
    EXPECT_EQ(Dump({}), "") << "no data, no lines";
    EXPECT_EQ(console_, "");
}

TEST_F(Browser, DumpMatchesThePlainFormattingForEveryByteAndLength)
{
    Settings.NoPause = 1;   // no page pauses
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(Dump(all), ReferenceDump(all));
    for (std::size_t n : {1u, 15u, 31u, 33u, 1000u}) {
        std::vector<uint8_t> data = Bytes(n, 3);
        EXPECT_EQ(Dump(data), ReferenceDump(data)) << n;
    }
    std::vector<uint8_t> full(EventDataBufferSize, 0x41);
    EXPECT_EQ(Dump(full), ReferenceDump(full));
}

TEST_F(Browser, PagePauseAtTwentyFiveLines)
{
    // 21 lines fill the page: no pause.
    std::vector<uint8_t> page = Bytes(336);
    EXPECT_EQ(Dump(page, "k"), ReferenceDump(page));
    EXPECT_EQ(console_, "");
    // One byte more pauses once, after the 21st line.
    std::vector<uint8_t> more = Bytes(337);
    EXPECT_EQ(Dump(more, "k"), ReferenceDump(more));
    EXPECT_EQ(console_, PagePrompt + PageErase);
    // Three pages and a bit: three pauses.
    EXPECT_EQ(Dump(Bytes(21 * 16 * 3 + 1), "abc"), ReferenceDump(Bytes(21 * 16 * 3 + 1)));
    EXPECT_EQ(console_, PagePrompt + PageErase + PagePrompt + PageErase + PagePrompt + PageErase);
}

TEST_F(Browser, PagePauseAtFiftyLines)
{
    Settings.ScreenLines = 50;
    EXPECT_EQ(Dump(Bytes(46 * 16), "k"), ReferenceDump(Bytes(46 * 16)));
    EXPECT_EQ(console_, "");
    EXPECT_EQ(Dump(Bytes(46 * 16 + 1), "k"), ReferenceDump(Bytes(46 * 16 + 1)));
    EXPECT_EQ(console_, PagePrompt + PageErase);
}

TEST_F(Browser, PagePauseWithoutAKeyEndsTheDump)
{
    std::vector<uint8_t> more = Bytes(337);
    std::string listing = Dump(more, "");
    EXPECT_FALSE(dumpResult_);
    EXPECT_EQ(listing, ReferenceDump(Bytes(336)));
    EXPECT_EQ(console_, PagePrompt);
}

TEST_F(Browser, NextPreviousAndExit)
{
    RawEvent a = Event(1, Bytes(3)), b = Event(2, Bytes(20)), c = Event(3, {});
    std::vector<uint8_t> work = LinkedWorkFile({a, b, c});
    // n: 2, P: back to 1, p: stays at 1 (it links to itself), blank: 2, digit: 3, x.
    EXPECT_EQ(Browse(work, "nPp 5x"), 0);
    std::string A = HeaderLines(a) + ReferenceDump(a.Data), B = HeaderLines(b) + ReferenceDump(b.Data),
                C = HeaderLines(c);
    EXPECT_EQ(listing_, A + B + A + A + B + C);
    std::string prompt = std::string("\f") + OptionPrompt;
    EXPECT_EQ(console_, prompt + "n" + prompt + "P" + prompt + "p" + prompt + " " + prompt + "5" + prompt + "x");
}

TEST_F(Browser, EndOfFileClearsTheScreenAndEnds)
{
    RawEvent a = Event(1, Bytes(3)), b = Event(2, Bytes(4));
    EXPECT_EQ(Browse(LinkedWorkFile({a, b}), "\r\r"), 0);
    EXPECT_EQ(listing_, HeaderLines(a) + ReferenceDump(a.Data) + HeaderLines(b) + ReferenceDump(b.Data));
    std::string prompt = std::string("\f") + OptionPrompt;
    EXPECT_EQ(console_, prompt + "\r" + prompt + "\r\f") << "every key is echoed, Enter too";
}

TEST_F(Browser, KeyWithoutCharacterCountsAsTwoAnswers)
{
    // A cursor key arrives as 0 and its scan code; Down is 0x50, the code of
    // "P": next, then straight back.
    RawEvent a = Event(1, Bytes(3)), b = Event(2, Bytes(4));
    EXPECT_EQ(Browse(LinkedWorkFile({a, b}), std::string("\0\x50x", 3)), 0);
    EXPECT_EQ(listing_, HeaderLines(a) + ReferenceDump(a.Data) + HeaderLines(b) + ReferenceDump(b.Data) +
                            HeaderLines(a) + ReferenceDump(a.Data));
}

TEST_F(Browser, NoKeyToReadEndsAsExit)
{
    RawEvent a = Event(1, Bytes(3)), b = Event(2, Bytes(4));
    EXPECT_EQ(Browse(LinkedWorkFile({a, b}), ""), 0);
    EXPECT_EQ(listing_, HeaderLines(a) + ReferenceDump(a.Data));
    EXPECT_EQ(console_, std::string("\f") + OptionPrompt);
}

TEST_F(Browser, NoPauseRunsThroughWithOneSpinnerStepPerEvent)
{
    Settings.NoPause = 1;
    RawEvent a = Event(1, Bytes(3)), b = Event(2, {}), c = Event(3, Bytes(40));
    EXPECT_EQ(Browse(LinkedWorkFile({a, b, c}), "xxx"), 0);
    EXPECT_EQ(listing_, HeaderLines(a) + ReferenceDump(a.Data) + "\n\n" + HeaderLines(b) + "\n\n" + HeaderLines(c) +
                            ReferenceDump(c.Data) + "\n\n");
    EXPECT_EQ(console_, "\b-\b\\\b|\b/") << "three events and the end test";
    EXPECT_EQ(keysLeft_, 3u) << "no key is read";
}

TEST_F(Browser, EmptyWorkFileShowsNothing)
{
    EXPECT_EQ(Browse({}, "n"), 0);
    EXPECT_EQ(listing_, "");
    EXPECT_EQ(console_, "\f");
}

TEST_F(Browser, SizesAreShownAsReadNotCompared)
{
    RawEvent a = Event(1, Bytes(8));
    a.FullSize = 2;   // smaller than what was traced
    a.EventNumber = -5;
    a.Time = 123456;
    a.Source = 0xABCDE;
    EXPECT_EQ(Browse(LinkedWorkFile({a}), "x"), 0);
    EXPECT_EQ(listing_.substr(0, listing_.find("\n\n") + 2),
              "Event #-00005, Time = 123456, Full Size =    2 bytes, Traced Size =    8,\n"
              "Source = abcde, Type = 001a, SubType = 000b.\n\n");
}

TEST_F(Browser, HeaderCutShort)
{
    RawEvent a = Event(1, Bytes(3));
    std::vector<uint8_t> work = LinkedWorkFile({a});
    work.insert(work.end(), 20, 0xEE);
    EXPECT_EQ(Browse(work, "nn"), 1);
    EXPECT_EQ(listing_, HeaderLines(a) + ReferenceDump(a.Data));
    std::string prompt = std::string("\f") + OptionPrompt;
    EXPECT_EQ(console_, prompt + "n\f\rKAVELIN: Error reading event header.\r\n");
}

TEST_F(Browser, DataCutShort)
{
    RawEvent a = Event(1, Bytes(30));
    std::vector<uint8_t> work = LinkedWorkFile({a});
    work.resize(work.size() - 1);
    EXPECT_EQ(Browse(work, "n"), 1);
    EXPECT_EQ(listing_, HeaderLines(a) + "\rKAVELIN: Error reading event data.\r\n");
}

TEST_F(Browser, TracedSizeOverTheBufferIsNeverRead)
{
    RawEvent a = Event(1, Bytes(10));
    a.TracedSize = static_cast<uint32_t>(EventDataBufferSize + 1);   // damaged header
    std::vector<uint8_t> work = LinkedWorkFile({a});
    work.resize(work.size() + EventDataBufferSize + 100, 0x55);
    std::memset(EventDataBuffer, 0, sizeof EventDataBuffer);
    EXPECT_EQ(Browse(work, "n"), 1);
    EXPECT_EQ(listing_, HeaderLines(a) + "\rKAVELIN: Error reading event data.\r\nCause : Traced size larger "
                                         "than the event buffer of 65536 bytes.\r\n");
    EXPECT_EQ(EventDataBuffer[0], 0) << "nothing was read into the buffer";
}

TEST_F(Browser, PreviousOffsetIsFollowedWhereverTheEventThereCanBeRead)
{
    RawEvent a = Event(1, Bytes(3)), b = Event(2, Bytes(3)), c = Event(3, Bytes(3));
    std::vector<uint8_t> work = LinkedWorkFile({a, b, c});
    const uint32_t second = 36 + 3, third = 2 * (36 + 3);
    std::string A = HeaderLines(a) + ReferenceDump(a.Data), B = HeaderLines(b) + ReferenceDump(b.Data),
                C = HeaderLines(c) + ReferenceDump(c.Data);
    work[second] = static_cast<uint8_t>(third);   // event 2 links forward to event 3,
    work[third] = static_cast<uint8_t>(third);    // which links to itself
    EXPECT_EQ(Browse(work, "nPPx"), 0);
    EXPECT_EQ(listing_, A + B + C + C);
    // A link to a header that is cut short, or whose data runs past the end,
    // or to beyond the end, is refused.
    for (uint32_t link : {third + 20, third - 2, 0x7F0000FFu}) {
        for (int i = 0; i < 4; ++i)
            work[second + i] = static_cast<uint8_t>(link >> (8 * i));
        EXPECT_EQ(Browse(work, "nPn"), 1);
        EXPECT_EQ(listing_, A + B);
        EXPECT_NE(console_.find("\rKAVELIN: Error, Bad previous event offset " + std::to_string(link) +
                                " in event #000002.\r\n"),
                  std::string::npos)
            << console_;
    }
}

TEST_F(Browser, SourceWithoutSlotIsDumpedSilently)
{
    RawEvent a = Event(1, Bytes(3), 256);
    std::vector<uint8_t> work = LinkedWorkFile({a});
    for (int level : {0, 2}) {
        Settings.DecodeLevel = level;
        EXPECT_EQ(Browse(work, "x"), 0);
        EXPECT_EQ(listing_, HeaderLines(a) + ReferenceDump(a.Data)) << "level " << level;
    }
}

TEST_F(Browser, GeneratedTraceRoundTripsThroughPreparation)
{
    // Everything the copy produced can be browsed to its end.
    TraceOptions options;
    options.Events = 200;
    options.MaxData = 700;
    std::string trace = dir_.File("GEN.TRC");
    WriteBytes(trace, MakeTrace(options));
    FILE *work = nullptr;
    {
        CapturedOutput quiet;
        ASSERT_EQ(PrepareWorkFile(trace.c_str(), &work, EventDataBuffer), 0);
    }
    Settings.NoPause = 1;
    CapturedOutput out;
    EXPECT_EQ(BrowseEvents(work, EventDataBuffer), 0);
    std::fclose(work);
    std::string listing = out.Listing();
    EXPECT_NE(listing.find("Event #000200,"), std::string::npos);
    EXPECT_EQ(out.Console().size(), 2u * 201);
}

}  // namespace
