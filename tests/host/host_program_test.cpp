// The host program with the real snap-in and the bundled sample store, the way
// scripts run it: headless, one object at a time.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string WinePath(std::string unixPath)
{
    for (char &c : unixPath)
        if (c == '/')
            c = '\\';
    return "Z:" + unixPath;
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct HostProgram : ::testing::Test {
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "raxhost-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
        store = folder + "\\store.ldif";
        sample = ReadFile(WinePath(RAX_SOURCE_DIR "/samples/store/kestrel.ldif"));
        ASSERT_FALSE(sample.empty());
        std::ofstream(store, std::ios::binary) << sample;
    }
    void TearDown() override
    {
        DeleteFileA(store.c_str());
        DeleteFileA((store + ".lock").c_str());
        DeleteFileA((folder + "\\out.txt").c_str());
        RemoveDirectoryA(folder.c_str());
    }

    // Runs RAXHOST.EXE from the test's own folder; its output goes to a file.
    int Run(const std::string &arguments, std::string &output)
    {
        std::string outPath = folder + "\\out.txt";
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = out;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        PROCESS_INFORMATION process{};
        std::string command = "RAXHOST.EXE /store \"" + store + "\" " + arguments;
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
            CloseHandle(out);
            return -1;
        }
        WaitForSingleObject(process.hProcess, 60000);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        CloseHandle(out);
        output = ReadFile(outPath);
        return static_cast<int>(code);
    }

    std::string folder, store, sample;
};

TEST_F(HostProgram, ListsTheSampleObjects)
{
    std::string output;
    ASSERT_EQ(Run("/list", output), 0) << output;
    EXPECT_NE(output.find("CN=Ann.OU=Sales.O=Kestrel\tuser"), std::string::npos) << output;
    EXPECT_NE(output.find("Dravon Server"), std::string::npos) << output;
}

TEST_F(HostProgram, EachClassGetsItsPagesAndAnUntouchedOkWritesNothing)
{
    std::string output;
    ASSERT_EQ(Run("/headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /ok", output), 0) << output;
    EXPECT_NE(output.find("page 1: Remote Access - 1 (UserParameters)\r\npage 2: Remote Access - 2 (ServiceParameters)"),
              std::string::npos) << output;
    EXPECT_NE(output.find("applied and saved"), std::string::npos) << output;

    ASSERT_EQ(Run("/headless /open \"OU=Sales.O=Kestrel\" /ok", output), 0) << output;
    EXPECT_NE(output.find("pages: 1\r\npage 1: Remote Access (OtherParameters)"), std::string::npos) << output;

    ASSERT_EQ(Run("/headless /open \"CN=RAS-1.O=Kestrel\" /ok", output), 0) << output;
    EXPECT_NE(output.find("page 1: Identification (Identification)"), std::string::npos) << output;

    EXPECT_EQ(ReadFile(store), sample) << "nothing was changed, so nothing was written";
}

TEST_F(HostProgram, AFieldTypedHeadlessIsAppliedAndSaved)
{
    std::string output;
    ASSERT_EQ(Run("/headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /field 1 1089 25 /ok", output), 0) << output;
    EXPECT_NE(output.find("applied and saved"), std::string::npos) << output;
    std::string saved = ReadFile(store);
    size_t ann = saved.find("object: CN=Ann.OU=Sales.O=Kestrel\n");
    ASSERT_NE(ann, std::string::npos) << saved;
    EXPECT_NE(saved.find("attribute: Dravon Idle Timeout\ninteger: 25\n", ann), std::string::npos) << saved;

    EXPECT_EQ(Run("/headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /field 1 4242 x /ok", output), 1);
    EXPECT_NE(output.find("page 1 has no control 4242"), std::string::npos) << output;
    EXPECT_EQ(output.find("applied and saved"), std::string::npos) << output;
}

TEST_F(HostProgram, PageThatCannotBeCreatedFailsAndSavesNothing)
{
    std::string output;
    EXPECT_EQ(Run("/snapin PAGELESS.DLL /headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /ok", output), 1);
    EXPECT_NE(output.find("page 1: Missing (NoSuchTemplate) not created"), std::string::npos) << output;
    EXPECT_NE(output.find("nothing saved"), std::string::npos) << output;
    EXPECT_EQ(output.find("applied and saved"), std::string::npos) << output;
    EXPECT_EQ(ReadFile(store), sample);
}

TEST_F(HostProgram, UnknownObjectIsRefused)
{
    std::string output;
    EXPECT_EQ(Run("/headless /open \"CN=Nobody.O=Kestrel\"", output), 1);
    EXPECT_NE(output.find("no such object"), std::string::npos) << output;
}

} // namespace
