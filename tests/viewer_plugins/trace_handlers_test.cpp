// The plug-in loader: every message it writes, what it claims in the source
// table, and the libraries it keeps and releases. Real plug-ins are loaded:
// testplug_a/_b claim the sources named in KAVELIN_TESTPLUG_A_IDS/_B_IDS and
// record each call; noquery and noevent each lack one export.
#include "settings.h"
#include "viewer_test_support.h"
#include "trace_handlers.h"
#include "trace_handlers_internal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>


namespace {

std::string AddressText(const void *address)
{
    char text[40];
    std::snprintf(text, sizeof text, "%p", address);
    return text;
}

class TraceHandlerLoading : public ::testing::Test {
protected:
    void SetUp() override
    {
        Verbose = 0;
        SetEnvironment("KAVELIN_TESTPLUG_A_IDS", nullptr);
        SetEnvironment("KAVELIN_TESTPLUG_B_IDS", nullptr);
        SetEnvironment("KAVELIN_TESTPLUG_A_RECORD", recordA_.c_str());
        SetEnvironment("KAVELIN_TESTPLUG_B_RECORD", recordB_.c_str());
    }

    void TearDown() override
    {
        FreeTraceHandlers();
        Verbose = 0;
        SetEnvironment("KAVELIN_TESTPLUG_A_RECORD", nullptr);
        SetEnvironment("KAVELIN_TESTPLUG_B_RECORD", nullptr);
    }

    // Loads with `ini` as the INI file's text; keeps the messages in output_.
    int Load(const std::string &ini)
    {
        std::string iniPath = temp_.File("k" + std::to_string(++loads_) + ".ini");
        WriteBytes(iniPath, ini);
        return LoadFromPath(iniPath);
    }

    int LoadFromPath(const std::string &iniPath)
    {
        std::string outPath = temp_.File("out" + std::to_string(++loads_) + ".txt");
        std::FILE *out = std::fopen(outPath.c_str(), "wb");
        int result = LoadTraceHandlersFromIni(iniPath.c_str(), out);
        std::fclose(out);
        output_ = ReadBytes(outPath);
        return result;
    }

    static std::string Handlers(std::initializer_list<std::string> names)
    {
        std::string ini = "[TraceHandlers]\nCount=" + std::to_string(names.size()) + "\n";
        int n = 0;
        for (const std::string &name : names)
            ini += "Handler." + std::to_string(++n) + "=" + name + "\n";
        return ini;
    }

    // Calls the handler of `source` with a small event; the record line of the
    // plug-in that got it, "" when it was neither A nor B.
    std::string Dispatch(uint32_t source)
    {
        TraceEventHandlerFn handler = FindSourceHandler(source);
        if (handler == nullptr)
            return "none";
        std::string beforeA = ReadBytes(recordA_), beforeB = ReadBytes(recordB_);
        EventHeader header = {0, 1, source, 0, 0, 0, 0, 0, 0};
        uint8_t data[1] = {0};
        handler(&header, data, &Settings);
        if (ReadBytes(recordA_) != beforeA)
            return "A";
        if (ReadBytes(recordB_) != beforeB)
            return "B";
        return "";
    }

    TempDir temp_;
    std::string recordA_ = temp_.File("record_a.txt");
    std::string recordB_ = temp_.File("record_b.txt");
    std::string output_;
    int loads_ = 0;
    const std::string pluginA_ = PluginPath("testplug_a");
    const std::string pluginB_ = PluginPath("testplug_b");
};

TEST_F(TraceHandlerLoading, NothingToLoadIsReportedAsNoHandlers)
{
    const char *const inis[] = {
        "",                                            // empty file
        "[Other]\nCount=3\n",                          // no section
        "[TraceHandlers]\nHandler.1=x\n",              // no Count
        "[TraceHandlers]\nCount=0\nHandler.1=x\n",     // Count 0
        "[TraceHandlers]\nCount=\n",                   // empty Count
        "[TraceHandlers]\nCount=none\n",               // Count without digits
    };
    for (const char *ini : inis) {
        EXPECT_EQ(Load(ini), 1) << ini;
        EXPECT_EQ(output_, "KAVELIN: No trace handlers found.\n") << ini;
    }
    EXPECT_EQ(LoadFromPath(temp_.File("no-such.ini")), 1);
    EXPECT_EQ(output_, "KAVELIN: No trace handlers found.\n");
}

TEST_F(TraceHandlerLoading, MissingHandlerNameStopsAfterTheEarlierPlugins)
{
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "5");
    EXPECT_EQ(Load("[TraceHandlers]\nCount=2\nHandler.1=" + pluginA_ + "\n"), 1);
    EXPECT_EQ(output_, "KAVELIN: Failure reading handler #2 name.\n");
    // What was loaded and claimed before stays until FreeTraceHandlers.
    EXPECT_NE(HandlerLibrary(1), nullptr);
    EXPECT_EQ(Dispatch(5), "A");
}

TEST_F(TraceHandlerLoading, NoneAsTheNameIsMissingButOnlyInThatCase)
{
    EXPECT_EQ(Load("[TraceHandlers]\nCount=1\nHandler.1=(None)\n"), 1);
    EXPECT_EQ(output_, "KAVELIN: Failure reading handler #1 name.\n");
    // A key without "=" has no value either.
    EXPECT_EQ(Load("[TraceHandlers]\nCount=1\nHandler.1\n"), 1);
    EXPECT_EQ(output_, "KAVELIN: Failure reading handler #1 name.\n");
    EXPECT_EQ(Load("[TraceHandlers]\nCount=1\nHandler.1=(none)\n"), 1);
    EXPECT_EQ(output_, "KAVELIN: Failure loading dll \"(none)\".\n");
}

TEST_F(TraceHandlerLoading, LibraryThatDoesNotLoad)
{
    std::string missing = temp_.File("missing" PLUGIN_SUFFIX);
    EXPECT_EQ(Load(Handlers({missing})), 1);
    EXPECT_EQ(output_, "KAVELIN: Failure loading dll \"" + missing + "\".\n");

    std::string notALibrary = temp_.File("text" PLUGIN_SUFFIX);
    WriteBytes(notALibrary, "this is not a library\n");
    EXPECT_EQ(Load(Handlers({notALibrary})), 1);
    EXPECT_EQ(output_, "KAVELIN: Failure loading dll \"" + notALibrary + "\".\n");
    EXPECT_EQ(HandlerLibrary(1), nullptr);
}

TEST_F(TraceHandlerLoading, MissingExportsAreReportedAndTheLibraryKeptForRelease)
{
    std::string noQuery = PluginPath("noquery");
    EXPECT_EQ(Load(Handlers({noQuery})), 1);
    EXPECT_EQ(output_, "KAVELIN: Failure importing ID query handler for dll \"" + noQuery + "\".\n");
    EXPECT_NE(HandlerLibrary(1), nullptr);
    FreeTraceHandlers();

    std::string noEvent = PluginPath("noevent");
    EXPECT_EQ(Load(Handlers({noEvent})), 1);
    EXPECT_EQ(output_, "KAVELIN: Failure importing event handler for dll \"" + noEvent + "\".\n");
    EXPECT_NE(HandlerLibrary(1), nullptr);
    EXPECT_EQ(FindSourceHandler(9), nullptr);
}

TEST_F(TraceHandlerLoading, PluginWithoutSourcesFailsTheLoading)
{
    EXPECT_EQ(Load(Handlers({pluginA_})), 1);  // no ids at all
    EXPECT_EQ(output_, "KAVELIN: No source IDs returned by dll \"" + pluginA_ + "\".\n");
    // A count without an array is refused the same way rather than read.
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "null");
    EXPECT_EQ(Load(Handlers({pluginA_})), 1);
    EXPECT_EQ(output_, "KAVELIN: No source IDs returned by dll \"" + pluginA_ + "\".\n");
}

TEST_F(TraceHandlerLoading, FirstClaimWinsAndATakenSourceEndsThatPluginsClaims)
{
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "5,6");
    SetEnvironment("KAVELIN_TESTPLUG_B_IDS", "7,5,8");
    EXPECT_EQ(Load(Handlers({pluginA_, pluginB_})), 0);
    EXPECT_EQ(output_, "KAVELIN: dll \"" + pluginB_ + "\". tried to register for source 5 wich is taken.\n");
    EXPECT_EQ(Dispatch(5), "A");
    EXPECT_EQ(Dispatch(6), "A");
    EXPECT_EQ(Dispatch(7), "B");
    EXPECT_EQ(Dispatch(8), "none");
    EXPECT_EQ(ReadBytes(recordA_).substr(0, 11), "load\nquery\n");
}

TEST_F(TraceHandlerLoading, SameSourceTwiceInOnePluginIsTakenTheSecondTime)
{
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "0,0,255");
    EXPECT_EQ(Load(Handlers({pluginA_})), 0);
    EXPECT_EQ(output_, "KAVELIN: dll \"" + pluginA_ + "\". tried to register for source 0 wich is taken.\n");
    EXPECT_EQ(Dispatch(0), "A");
    EXPECT_EQ(Dispatch(255), "none");
}

TEST_F(TraceHandlerLoading, SameLibraryListedTwiceIsRefusedItsSourcesAndReleasedOnce)
{
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "5,6");
    EXPECT_EQ(Load(Handlers({pluginA_, pluginA_})), 0);
    EXPECT_EQ(output_, "KAVELIN: dll \"" + pluginA_ + "\". tried to register for source 5 wich is taken.\n");
    EXPECT_EQ(Dispatch(6), "A");
    FreeTraceHandlers();
    EXPECT_EQ(ReadBytes(recordA_), "load\nquery\nquery\nevent A header=0,1,6,0,0,0,0,0,0 data= settings=" +
                                      AddressText(&Settings) + " name=\"\" nopause=0 lines=25 level=0\nunload\n");
}

TEST_F(TraceHandlerLoading, SourcesOver255AreRefusedWithoutTouchingTheTable)
{
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "255,256,6");
    SetEnvironment("KAVELIN_TESTPLUG_B_IDS", "0xFFFFFFFF");
    EXPECT_EQ(Load(Handlers({pluginA_, pluginB_})), 0);
    EXPECT_EQ(output_,
              "KAVELIN: dll \"" + pluginA_ + "\". tried to register for source 256 which is out of range.\n"
              "KAVELIN: dll \"" + pluginB_ + "\". tried to register for source 4294967295 which is out of range.\n");
    EXPECT_EQ(Dispatch(255), "A");
    EXPECT_EQ(Dispatch(6), "none");  // claims after the refused one are not made
    EXPECT_EQ(FindSourceHandler(256), nullptr);
    EXPECT_EQ(FindSourceHandler(0xFFFFFFFFu), nullptr);
    EXPECT_NE(HandlerLibrary(2), nullptr);  // both plug-ins stay loaded
}

TEST_F(TraceHandlerLoading, CountOver255IsRefusedBeforeAnythingLoads)
{
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "5");
    std::string handler1 = "Handler.1=" + pluginA_ + "\n";
    EXPECT_EQ(Load("[TraceHandlers]\nCount=256\n" + handler1), 1);
    EXPECT_EQ(output_, "KAVELIN: Too many trace handlers (256); at most 255.\n");
    EXPECT_EQ(HandlerLibrary(1), nullptr);
    // -1 reads as the largest unsigned count.
    EXPECT_EQ(Load("[TraceHandlers]\nCount=-1\n" + handler1), 1);
    EXPECT_EQ(output_, "KAVELIN: Too many trace handlers (4294967295); at most 255.\n");
    // 255 is allowed: the loading goes on to the missing second name.
    EXPECT_EQ(Load("[TraceHandlers]\nCount=255\n" + handler1), 1);
    EXPECT_EQ(output_, "KAVELIN: Failure reading handler #2 name.\n");
}

TEST_F(TraceHandlerLoading, NameTooLongForItsBufferIsRefusedNotCut)
{
    std::string longest(254, 'x');  // fills the 255-byte buffer with its zero
    EXPECT_EQ(Load(Handlers({longest})), 1);
    EXPECT_EQ(output_, "KAVELIN: Failure loading dll \"" + longest + "\".\n");
    EXPECT_EQ(Load(Handlers({longest + "y"})), 1);
    EXPECT_EQ(output_, "KAVELIN: Failure reading handler #1 name.\n");
}

TEST_F(TraceHandlerLoading, VerboseReportsEachLoadAndTheEnd)
{
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "5");
    SetEnvironment("KAVELIN_TESTPLUG_B_IDS", "6");
    EXPECT_EQ(Load(Handlers({pluginA_, pluginB_})), 0);
    EXPECT_EQ(output_, "");  // a quiet success

    FreeTraceHandlers();
    Verbose = 1;
    EXPECT_EQ(Load(Handlers({pluginA_, pluginB_})), 0);
    EXPECT_EQ(output_, "Loading " + pluginA_ + ".\nLoading " + pluginB_ +
                           ".\nKAVELIN: Finished loading sequence.\n");

    // A failed loading has no closing line.
    FreeTraceHandlers();
    EXPECT_EQ(Load("[TraceHandlers]\nCount=2\nHandler.1=" + pluginA_ + "\n"), 1);
    EXPECT_EQ(output_, "Loading " + pluginA_ + ".\nKAVELIN: Failure reading handler #2 name.\n");
}

TEST_F(TraceHandlerLoading, QuotedNameInTheIniLosesItsQuotes)
{
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "5");
    EXPECT_EQ(Load("[tracehandlers]\n count = 1 \nHANDLER.1 = \"" + pluginA_ + "\"\n"), 0) << output_;
    EXPECT_EQ(Dispatch(5), "A");
}

TEST_F(TraceHandlerLoading, FreeReleasesEveryLibraryAndEmptiesTheSourceTable)
{
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "5");
    SetEnvironment("KAVELIN_TESTPLUG_B_IDS", "5");  // refused, B stays loaded
    EXPECT_EQ(Load(Handlers({pluginA_, pluginB_, PluginPath("noquery")})), 1);
    EXPECT_EQ(ReadBytes(recordA_), "load\nquery\n");
    EXPECT_EQ(ReadBytes(recordB_), "load\nquery\n");
    FreeTraceHandlers();
    EXPECT_EQ(ReadBytes(recordA_), "load\nquery\nunload\n");
    EXPECT_EQ(ReadBytes(recordB_), "load\nquery\nunload\n");
    for (unsigned n = 0; n < HandlerLibraryTableSize; ++n)
        EXPECT_EQ(HandlerLibrary(n), nullptr) << n;
    EXPECT_EQ(FindSourceHandler(5), nullptr);
    FreeTraceHandlers();  // again, with nothing loaded
}

TEST_F(TraceHandlerLoading, LoadingAgainStartsFromAnEmptySourceTable)
{
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "5");
    EXPECT_EQ(Load(Handlers({pluginA_})), 0);
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "6");
    EXPECT_EQ(Load("[TraceHandlers]\nCount=0\n"), 1);
    EXPECT_EQ(FindSourceHandler(5), nullptr);
}

TEST_F(TraceHandlerLoading, HandlerGetsHeaderDataAndTheSettingsRecord)
{
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "33");
    ASSERT_EQ(Load(Handlers({pluginA_})), 0);
    Settings.DecodeLevel = 2;
    EventHeader header = {72, 3, 33, 1234, 0xABCDEF01u, 7, 8, 3, 60};
    const uint8_t data[3] = {0x01, 0xFE, 0x20};
    FindSourceHandler(33)(&header, data, &Settings);
    Settings.DecodeLevel = 0;
    EXPECT_EQ(ReadBytes(recordA_), "load\nquery\nevent A header=72,3,33,1234,2882400001,7,8,3,60 data=01FE20 "
                                  "settings=" +
                                      AddressText(&Settings) + " name=\"\" nopause=0 lines=25 level=2\n");
}

}  // namespace
