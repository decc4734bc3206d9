// Which INI file the viewer reads: the two naming rules, and one loading
// through LoadTraceHandlers itself with the INI named after this test program.
#include "ini_file_name.h"
#include "output.h"
#include "program_path.h"
#include "viewer_test_support.h"
#include "trace_handlers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>


namespace {

std::string IniFromExe(const std::string &path)
{
    std::string ini = "(unchanged)";
    if (!IniNameFromExePath(path, ini))
        return "(no .EXE)";
    return ini;
}

TEST(IniFileName, WindowsRuleUpperCasesAndCutsAtTheFirstExe)
{
    EXPECT_EQ(IniFromExe("C:\\TOOLS\\KAVELIN.EXE"), "C:\\TOOLS\\KAVELIN.INI");
    EXPECT_EQ(IniFromExe("c:\\tools\\kavelin.exe"), "C:\\TOOLS\\KAVELIN.INI");
    EXPECT_EQ(IniFromExe("C:\\A.EXE.DIR\\KAVELIN.EXE"), "C:\\A.INI");
    EXPECT_EQ(IniFromExe("C:\\Tools\\Kavelin.Exe"), "C:\\TOOLS\\KAVELIN.INI");
    EXPECT_EQ(IniFromExe("C:\\TOOLS\\KAVELIN.EXEC"), "C:\\TOOLS\\KAVELIN.INI");
    EXPECT_EQ(IniFromExe("C:\\\xE9t\xE9\\kavelin.exe"), "C:\\\xE9T\xE9\\KAVELIN.INI");  // only a to z change
    EXPECT_EQ(IniFromExe("C:\\TOOLS\\KAVELIN.COM"), "(no .EXE)");
    EXPECT_EQ(IniFromExe("C:\\TOOLS\\KAVELIN.EX"), "(no .EXE)");
    EXPECT_EQ(IniFromExe(""), "(no .EXE)");
}

TEST(IniFileName, PosixRuleKeepsThePathAndAddsIni)
{
    EXPECT_EQ(IniNameFromPosixPath("/opt/kavelin/bin/kavelin"), "/opt/kavelin/bin/kavelin.ini");
    EXPECT_EQ(IniNameFromPosixPath("/home/Ann/Tools/Kavelin"), "/home/Ann/Tools/Kavelin.ini");
    EXPECT_EQ(IniNameFromPosixPath("/srv/a.EXE.dir/KAVELIN.EXE"), "/srv/a.EXE.dir/KAVELIN.EXE.ini");
}

TEST(ProgramPath, NamesThisTestProgram)
{
    std::string path;
    ASSERT_TRUE(GetProgramPath(path));
    std::string name = std::filesystem::path(path).filename().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_EQ(name.substr(0, 20), "viewer_plugins_tests");
    EXPECT_TRUE(std::filesystem::path(path).is_absolute()) << path;
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
}

// The only test that puts an INI beside the test program: it shows that
// LoadTraceHandlers reads the file that this platform's rule names.
TEST(ProgramPath, LoadTraceHandlersReadsTheIniNamedAfterTheProgram)
{
    std::string program, ini;
    ASSERT_TRUE(GetProgramPath(program));
    ASSERT_TRUE(ProgramIniFileName(program, ini));
    // The file is written under the name in the case the program has, which
    // Windows file names do not tell apart from the upper-cased one.
    std::string written = (std::filesystem::path(program).parent_path() /
                           (std::filesystem::path(program).stem().string() + ".ini")).string();
    if (std::filesystem::path(program).extension().empty())
        written = ini;
    TempDir temp;
    std::string record = temp.File("record.txt");
    SetEnvironment("KAVELIN_TESTPLUG_A_IDS", "12");
    SetEnvironment("KAVELIN_TESTPLUG_A_RECORD", record.c_str());
    WriteBytes(written, "[TraceHandlers]\nCount=1\nHandler.1=" + PluginPath("testplug_a") + "\n");

    std::string outPath = temp.File("out.txt");
    std::FILE *out = std::fopen(outPath.c_str(), "wb");
    SetListingStream(out);
    int result = LoadTraceHandlers();
    SetListingStream(nullptr);
    std::fclose(out);
    bool claimed = FindSourceHandler(12) != nullptr;
    FreeTraceHandlers();
    std::filesystem::remove(written);
    SetEnvironment("KAVELIN_TESTPLUG_A_RECORD", nullptr);

    EXPECT_EQ(result, 0) << ReadBytes(outPath);
    EXPECT_TRUE(claimed);
    EXPECT_EQ(ReadBytes(record), "load\nquery\nunload\n");

    // Without the file: nothing to load, reported on the listing stream.
    out = std::fopen(outPath.c_str(), "wb");
    SetListingStream(out);
    result = LoadTraceHandlers();
    SetListingStream(nullptr);
    std::fclose(out);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ReadBytes(outPath), "KAVELIN: No trace handlers found.\n");
}

}  // namespace
