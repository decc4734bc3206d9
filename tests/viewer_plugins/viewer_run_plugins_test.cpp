// The real viewer program with plug-ins: dispatch by decoding level, dumps
// of unclaimed sources, the order of the header lines and a plug-in's output
// in a redirected file, "/V", and the INI file found by the program's own
// path. Each run uses a copy of the program in a fresh folder with its INI.
#include "viewer_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>


namespace {

#ifdef KAVELIN_PROGRAM_NAME

struct Event {
    int32_t Number;
    uint32_t Source;
    std::vector<uint8_t> Data;
};

void Put32(std::string &out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string TraceBytes(const std::vector<Event> &events)
{
    std::string trace;
    for (const Event &e : events) {
        Put32(trace, 0);  // the work file fills in the backward link
        Put32(trace, static_cast<uint32_t>(e.Number));
        Put32(trace, e.Source);
        Put32(trace, static_cast<uint32_t>(10 * e.Number));  // Time
        Put32(trace, 0);                                     // Spare
        Put32(trace, 1);                                     // Type
        Put32(trace, 2);                                     // SubType
        Put32(trace, static_cast<uint32_t>(e.Data.size()));  // TracedSize
        Put32(trace, static_cast<uint32_t>(e.Data.size()));  // FullSize
        trace.append(e.Data.begin(), e.Data.end());
    }
    return trace;
}

// What the viewer itself writes to standard output; on Windows in text mode.
std::string ViewerText(const std::string &text)
{
#ifdef _WIN32
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
#else
    return text;
#endif
}

std::string HeaderLines(int number, uint32_t source, std::size_t size)
{
    char text[200];
    std::snprintf(text, sizeof text,
                  "Event #%06d, Time = %04d, Full Size = %4d bytes, Traced Size = %4d,\n"
                  "Source = %04x, Type = 0001, SubType = 0002.\n\n",
                  number, 10 * number, static_cast<int>(size), static_cast<int>(size), source);
    return ViewerText(text);
}

// Events 1 and 3 are of source 5, which testplug_a claims; event 2 is of
// source 6, which no plug-in claims.
const std::vector<Event> SampleEvents = {
    {1, 5, {0x41, 0x42, 0x43}},
    {2, 6, {0x41, 0x42, 0x43}},
    {3, 5, {0x00, 0xFF}},
};

// Preparing a new work file ends with a line end on standard output.
const std::string AfterPreparation = ViewerText("\n");

const std::string DumpOfEvent2 = ViewerText("(0000)  41 42 43 " + std::string(13 * 3, ' ') + "  \xB3  ABC\n");

class ViewerRunWithPlugins : public ::testing::Test {
protected:
    void SetUp() override
    {
        program_ = temp_.File(KAVELIN_PROGRAM_NAME);
        std::filesystem::copy_file(ProgramDirectory() / KAVELIN_PROGRAM_NAME, program_);
        trace_ = temp_.File("sample.trc");
        WriteBytes(trace_, TraceBytes(SampleEvents));
        SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "5");
        SetEnvironment("KAVELIN_TESTPLUG_A_RECORD", record_.c_str());
    }

    void TearDown() override
    {
        SetEnvironment("KAVELIN_TESTPLUG_A_IDS", nullptr);
        SetEnvironment("KAVELIN_TESTPLUG_A_RECORD", nullptr);
    }

    // The INI file beside the program copy, by this platform's rule.
    void WriteIni(const std::string &text)
    {
#ifdef _WIN32
        WriteBytes(temp_.File("KAVELIN.INI"), text);
#else
        WriteBytes(program_ + ".ini", text);
#endif
    }

    static std::string Handlers(const std::string &library)
    {
        return "[TraceHandlers]\nCount=1\nHandler.1=" + library + "\n";
    }

    int Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), trace_);
        int status = RunProgram(program_, args, output_);
        listing_ = ReadBytes(output_);
        return status;
    }

    // The record lines of the events testplug_a was handed.
    std::vector<std::string> RecordedEvents()
    {
        std::vector<std::string> events;
        std::string text = ReadBytes(record_);
        std::size_t start = 0, end;
        while ((end = text.find('\n', start)) != std::string::npos) {
            std::string line = text.substr(start, end - start);
            if (line.rfind("event ", 0) == 0)
                events.push_back(line);
            start = end + 1;
        }
        return events;
    }

    TempDir temp_;
    std::string program_, trace_;
    std::string record_ = temp_.File("record.txt");
    std::string output_ = temp_.File("listing.txt");
    std::string listing_;
};

TEST_F(ViewerRunWithPlugins, LevelZeroDumpsEveryEventWithPluginsLoaded)
{
    WriteIni(Handlers(PluginPath("testplug_a")));
    EXPECT_EQ(Run({"/NOPAUSE"}), 0);
    EXPECT_EQ(listing_.find("[testplug"), std::string::npos) << listing_;
    EXPECT_TRUE(RecordedEvents().empty());
    EXPECT_EQ(ReadBytes(record_), "load\nquery\nunload\n");
    std::string start = AfterPreparation + HeaderLines(1, 5, 3);
    EXPECT_EQ(listing_.substr(0, start.size()), start);
}

TEST_F(ViewerRunWithPlugins, ClaimedSourcesGoToThePluginAfterTheFlushedHeaderLines)
{
    WriteIni(Handlers(PluginPath("testplug_a")));
    EXPECT_EQ(Run({"/NOPAUSE", "/L", "1"}), 0);
    const std::string separator = ViewerText("\n\n");
    std::string expected = AfterPreparation + HeaderLines(1, 5, 3) + "[testplug A] event 1 level 1\n" + separator +
                           HeaderLines(2, 6, 3) + DumpOfEvent2 + separator + HeaderLines(3, 5, 2) +
                           "[testplug A] event 3 level 1\n" + separator;
    EXPECT_EQ(listing_, expected);
}

TEST_F(ViewerRunWithPlugins, HandlerIsGivenTheWorkFileHeaderDataAndSettings)
{
    WriteIni(Handlers(PluginPath("testplug_a")));
    EXPECT_EQ(Run({"/L", "2", "/NOPAUSE", "/50"}), 0);
    std::vector<std::string> events = RecordedEvents();
    ASSERT_EQ(events.size(), 2u) << ReadBytes(record_);
    auto withoutAddress = [](const std::string &line) {
        std::size_t at = line.find(" settings=");
        std::size_t end = line.find(' ', at + 1);
        return line.substr(0, at) + line.substr(end);
    };
    const std::string settings = " name=\"" + trace_ + "\" nopause=1 lines=50 level=2";
    EXPECT_EQ(withoutAddress(events[0]), "event A header=0,1,5,10,0,1,2,3,3 data=414243" + settings);
    // The backward link of event 3 points at event 2, 39 bytes into the file.
    EXPECT_EQ(withoutAddress(events[1]), "event A header=39,3,5,30,0,1,2,2,2 data=00FF" + settings);
}

TEST_F(ViewerRunWithPlugins, AnyLevelOtherThanZeroDispatches)
{
    WriteIni(Handlers(PluginPath("testplug_a")));
    EXPECT_EQ(Run({"/NOPAUSE", "/L", "7"}), 0);
    EXPECT_NE(listing_.find("[testplug A] event 3 level 7\n"), std::string::npos) << listing_;
    EXPECT_NE(listing_.find(DumpOfEvent2), std::string::npos) << listing_;
    EXPECT_EQ(RecordedEvents().size(), 2u);
}

TEST_F(ViewerRunWithPlugins, VerboseReportsTheLoadingBeforeTheEvents)
{
    std::string library = PluginPath("testplug_a");
    WriteIni(Handlers(library));
    EXPECT_EQ(Run({"/NOPAUSE", "/V"}), 0);
    std::string expected = AfterPreparation +
                           ViewerText("Loading " + library + ".\nKAVELIN: Finished loading sequence.\n") +
                           HeaderLines(1, 5, 3);
    EXPECT_EQ(listing_.substr(0, expected.size()), expected);
}

TEST_F(ViewerRunWithPlugins, FailedLoadingShowsNoEventAndReleasesTheLibraries)
{
    WriteIni("[TraceHandlers]\nCount=2\nHandler.1=" + PluginPath("testplug_a") + "\n");
    EXPECT_NE(Run({"/NOPAUSE", "/L", "1"}), 0);
    EXPECT_EQ(listing_, AfterPreparation + ViewerText("KAVELIN: Failure reading handler #2 name.\n"));
    EXPECT_EQ(ReadBytes(record_), "load\nquery\nunload\n");
}

TEST_F(ViewerRunWithPlugins, NoIniBesideTheProgramShowsNoEvent)
{
    EXPECT_NE(Run({"/NOPAUSE"}), 0);
    EXPECT_EQ(listing_, AfterPreparation + ViewerText("KAVELIN: No trace handlers found.\n"));
}

// A library named without a folder: Windows looks beside the program first;
// POSIX leaves the name to the dynamic loader, which does not look there.
TEST_F(ViewerRunWithPlugins, BareLibraryNameBesideTheProgram)
{
    const std::string name = std::string("testplug_a") + PLUGIN_SUFFIX;
    std::filesystem::copy_file(PluginPath("testplug_a"), temp_.File(name));
    WriteIni(Handlers(name));
#ifdef _WIN32
    EXPECT_EQ(Run({"/NOPAUSE", "/L", "1"}), 0) << listing_;
    EXPECT_EQ(RecordedEvents().size(), 2u);
#else
    EXPECT_NE(Run({"/NOPAUSE", "/L", "1"}), 0);
    EXPECT_EQ(listing_, AfterPreparation + "KAVELIN: Failure loading dll \"" + name + "\".\n");
#endif
}

// The INI is named by the program's own path: on Windows cut at the first
// ".EXE", even one in a folder name; on POSIX the path followed by ".ini".
TEST_F(ViewerRunWithPlugins, IniIsNamedAfterTheProgramPath)
{
#ifdef _WIN32
    std::filesystem::path folder = std::filesystem::path(temp_.Path()) / "A.EXE.DIR";
    std::string iniPath = temp_.File("A.INI");
#else
    std::filesystem::path folder = std::filesystem::path(temp_.Path()) / "a.EXE.dir";
    std::string iniPath = (folder / KAVELIN_PROGRAM_NAME).string() + ".ini";
#endif
    std::filesystem::create_directory(folder);
    std::filesystem::rename(program_, folder / KAVELIN_PROGRAM_NAME);
    program_ = (folder / KAVELIN_PROGRAM_NAME).string();
    WriteBytes(iniPath, Handlers(PluginPath("testplug_a")));
    EXPECT_EQ(Run({"/NOPAUSE", "/L", "1"}), 0) << listing_;
    EXPECT_EQ(RecordedEvents().size(), 2u);
}

#ifdef _WIN32
// A program file started under a name without ".EXE" has no INI name.
TEST_F(ViewerRunWithPlugins, ProgramNameWithoutExeIsReported)
{
    std::string renamed = temp_.File("kavelin.bin");
    std::filesystem::rename(program_, renamed);
    program_ = renamed;
    WriteIni(Handlers(PluginPath("testplug_a")));
    EXPECT_NE(Run({"/NOPAUSE", "/L", "1"}), 0);
    EXPECT_EQ(listing_, AfterPreparation + ViewerText("KAVELIN: Module name doesn't have .EXE extension.\n"));
}
#else
// A program path longer than 255 characters is read whole, not cut short.
TEST_F(ViewerRunWithPlugins, LongProgramPathFindsItsIni)
{
    std::filesystem::path folder = temp_.Path();
    for (int i = 0; i < 6; ++i)
        folder /= std::string(60, static_cast<char>('a' + i));
    std::filesystem::create_directories(folder);
    std::filesystem::rename(program_, folder / KAVELIN_PROGRAM_NAME);
    program_ = (folder / KAVELIN_PROGRAM_NAME).string();
    ASSERT_GT(program_.size(), 360u);
    WriteIni(Handlers(PluginPath("testplug_a")));
    EXPECT_EQ(Run({"/NOPAUSE", "/L", "1"}), 0) << listing_;
    EXPECT_EQ(RecordedEvents().size(), 2u);
}
#endif

// The sample decoder: a PPP frame of source 0x21 reads differently at the
// two levels; the other events stay dumps.
TEST_F(ViewerRunWithPlugins, SampleDecoderShowsLessAtLevelOneThanAtLevelTwo)
{
    const std::vector<uint8_t> lcpRequest = {0xFF, 0x03, 0xC0, 0x21, 0x01, 0x07, 0x00, 0x0E, 0x01, 0x04,
                                             0x05, 0xDC, 0x05, 0x06, 0x12, 0x34, 0x56, 0x78};
    WriteBytes(trace_, TraceBytes({{1, 0x21, lcpRequest}, {2, 6, {0x41, 0x42, 0x43}}}));
    WriteIni(Handlers(PluginPath("pppdec")));

    EXPECT_EQ(Run({"/NOPAUSE", "/L", "1"}), 0);
    std::string level1 = listing_;
    EXPECT_EQ(level1, AfterPreparation + HeaderLines(1, 0x21, lcpRequest.size()) +
                          ViewerText("PPP LCP Configure-Request code 1, id 7, length 14\n\n\n") +
                          HeaderLines(2, 6, 3) + DumpOfEvent2 + ViewerText("\n\n"));

    EXPECT_EQ(Run({"/NOPAUSE", "/L", "2"}), 0);
    std::string level2 = listing_;
    // The work file of the first run is reused: no line end before the event.
    EXPECT_EQ(level2, HeaderLines(1, 0x21, lcpRequest.size()) +
                          ViewerText("PPP frame, 18 bytes\n"
                                     "  Address 0xFF, control 0x03\n"
                                     "  Protocol 0xC021 (LCP)\n"
                                     "  Code 1 Configure-Request, identifier 7, length 14\n"
                                     "    Option   1 Maximum-Receive-Unit, length 4: 0x5DC (1500)\n"
                                     "    Option   5 Magic-Number, length 6: 0x12345678 (305419896)\n"
                                     "\n\n") +
                          HeaderLines(2, 6, 3) + DumpOfEvent2 + ViewerText("\n\n"));
}

#endif  // KAVELIN_PROGRAM_NAME

}  // namespace
