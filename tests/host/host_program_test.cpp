// The host program with the real snap-in and the bundled sample directory, the
// way scripts run it: headless, one object at a time. The same steps and the
// same expectations run against the embedded store file and against a private
// directory server (slapd, scripts/directory-server.sh); what was saved on the
// server is read back with its own tool, ldapsearch.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

enum class Backend { Store, Server };

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

// A loopback port nobody listens on at the moment.
int FreePort()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 0;
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof addr;
    int port = 0;
    if (s != INVALID_SOCKET && bind(s, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    if (s != INVALID_SOCKET)
        closesocket(s);
    WSACleanup();
    return port;
}

// A remote-access value as the two directories name it.
struct StoredValue {
    const char *object, *dn;
    const char *attribute, *ldapAttribute;
};
constexpr StoredValue kAnnsIdleTimeout{"CN=Ann.OU=Sales.O=Kestrel", "cn=Ann,ou=Sales,o=Kestrel", "Dravon Idle Timeout",
                                       "Dravon-Idle-Timeout"};
constexpr StoredValue kSalesIdleTimeout{"OU=Sales.O=Kestrel", "ou=Sales,o=Kestrel", "Dravon Idle Timeout",
                                        "Dravon-Idle-Timeout"};

// Identities of the sample: the administrator, who may write everything, and
// Bob, who may only read.
struct Identity {
    const char *object, *dn, *passwordFile;
};
constexpr Identity kAdmin{"CN=Admin.O=Kestrel", "cn=Admin,o=Kestrel", "admin.pw"};
constexpr Identity kBob{"CN=Bob.OU=Sales.O=Kestrel", "cn=Bob,ou=Sales,o=Kestrel", "bob.pw"};

struct HostProgram : ::testing::TestWithParam<Backend> {
    void SetUp() override
    {
        scratch = RAX_HOST_TEST_SCRATCH "/" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(WinePath(RAX_HOST_TEST_SCRATCH).c_str(), nullptr);
        CreateDirectoryA(WinePath(scratch).c_str(), nullptr);
        UseDirectory("kestrel.ldif");
    }
    void TearDown() override
    {
        for (const std::string &dir : started)
            StopServer(dir);
        std::error_code ignored;
        std::filesystem::remove_all(WinePath(scratch), ignored);
    }

    // A fresh directory seeded from a sample store file.
    void UseDirectory(const std::string &sample)
    {
        StopServer();
        std::string source = RAX_SOURCE_DIR "/samples/store/" + sample;
        if (GetParam() == Backend::Store) {
            store = scratch + "/store.ldif";
            ASSERT_TRUE(CopyFileA(WinePath(source).c_str(), WinePath(store).c_str(), FALSE));
            return;
        }
        server = StartServer("start", "'" + source + "'", url);
    }
    // Starts a server with directory-server.sh COMMAND and EXTRA; its folder, and its URL in `serverUrl`.
    std::string StartServer(const std::string &command, const std::string &extra, std::string &serverUrl)
    {
        std::string dir = scratch + "/server-" + std::to_string(started.size() + 1), output;
        started.push_back(dir);
        bool ok = RunUnix("bash '" RAX_SOURCE_DIR "/scripts/directory-server.sh' " + command + " '" + dir + "' " +
                              std::to_string(FreePort()) + " " + extra,
                          output);
        size_t at = output.find("RAX_DIRECTORY_URL=");
        EXPECT_TRUE(ok && at != std::string::npos) << output;
        if (at != std::string::npos) {
            at += 18;
            serverUrl = output.substr(at, output.find_first_of(" \n", at) - at);
        }
        return dir;
    }
    void StopServer(const std::string &dir)
    {
        RunUnix("kill -CONT \"$(cat '" + dir + "/slapd.pid')\" 2>/dev/null; bash '" RAX_SOURCE_DIR
                "/scripts/directory-server.sh' stop '" + dir + "'");
    }
    void StopServer()
    {
        if (url.empty())
            return;
        StopServer(server);
        url.clear();
    }

    // Runs RAXHOST.EXE from the test's own folder as `who`; its output goes to a file.
    int Run(const std::string &arguments, std::string &output, const Identity &who = kAdmin)
    {
        std::string outPath = WinePath(scratch + "/out-" + std::to_string(++runs) + ".txt");
        std::string command = "RAXHOST.EXE ";
        if (GetParam() == Backend::Store) {
            command += "/store \"" + WinePath(store) + "\" ";
            SetEnvironmentVariableA("RAX_DIRECTORY_IDENTITY", who.object);
        } else {
            command += "/directory \"" + url + "\" ";
            SetEnvironmentVariableA("RAX_DIRECTORY_BIND_DN", who.dn);
            SetEnvironmentVariableA("RAX_DIRECTORY_PASSWORD_FILE",
                                    WinePath(server + "/passwords/" + who.passwordFile).c_str());
        }
        command += arguments;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        if (out == INVALID_HANDLE_VALUE)
            return -1;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = out;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        PROCESS_INFORMATION process{};
        BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                      &process);
        CloseHandle(out);
        if (!started)
            return -1;
        WaitForSingleObject(process.hProcess, 60000);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        output = ReadFile(outPath);
        return static_cast<int>(code);
    }

    // Wine starts a Unix program detached: the handle it gives back is signalled
    // at once and carries no exit code. So the command runs in a script that
    // leaves its output and its status in files, and the status is waited for.
    bool RunUnix(const std::string &command, std::string &output)
    {
        std::string base = scratch + "/unix-" + std::to_string(++unixRuns);
        std::ofstream(WinePath(base + ".sh"), std::ios::binary)
            << "(" << command << ") >'" << base << ".out' 2>&1 </dev/null\n"
            << "echo $? >'" << base << ".tmp'\nmv '" << base << ".tmp' '" << base << ".status'\n";
        std::string line = "/bin/sh \"" + base + ".sh\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return false;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        std::string status;
        for (int waited = 0; waited < 120000 && status.empty(); waited += 50) {
            Sleep(50);
            status = ReadFile(WinePath(base + ".status"));
        }
        output = ReadFile(WinePath(base + ".out"));
        return status == "0\n";
    }
    bool RunUnix(const std::string &command)
    {
        std::string ignored;
        return RunUnix(command, ignored);
    }

    // ldapsearch as the administrator, on the server at `at` (default: the one
    // the host is given); lines unwrapped.
    std::string LdapSearch(const std::string &arguments, const std::string &at = "")
    {
        std::string output;
        EXPECT_TRUE(RunUnix("ldapsearch -x -LLL -o ldif-wrap=no -o nettimeout=10 -H '" + (at.empty() ? url : at) +
                                "' -D '" + kAdmin.dn +
                                "' -y '" + server + "/passwords/admin.pw' " + arguments,
                            output))
            << output;
        return output;
    }

    // Everything the directory holds, in a form that changes with any write.
    std::string Snapshot()
    {
        if (GetParam() == Backend::Store)
            return ReadFile(WinePath(store));
        return LdapSearch("-b o=Kestrel '(objectClass=*)' '*' entryCSN");
    }

    // The stored text of an integer value, or "" when the object has none.
    std::string Value(const StoredValue &value, const std::string &at = "")
    {
        std::string found;
        if (GetParam() == Backend::Store) {
            std::string text = ReadFile(WinePath(store));
            size_t object = text.find(std::string("object: ") + value.object + "\n");
            size_t end = text.find("\nobject: ", object + 1);
            size_t at = text.find(std::string("attribute: ") + value.attribute + "\ninteger: ", object);
            if (object != std::string::npos && at < end)
                found = text.substr(text.find("integer: ", at) + 9);
        } else {
            std::string text = LdapSearch(std::string("-b '") + value.dn + "' -s base " + value.ldapAttribute, at);
            size_t at = text.find(std::string("\n") + value.ldapAttribute + ": ");
            if (at != std::string::npos)
                found = text.substr(at + std::string(value.ldapAttribute).size() + 3);
        }
        return found.substr(0, found.find('\n'));
    }

    // Whether the directory's schema defines an attribute of the snap-in.
    bool SchemaHas(const StoredValue &value, const std::string &at = "")
    {
        if (GetParam() == Backend::Store)
            return ReadFile(WinePath(store)).find(std::string("attributetype: ") + value.attribute + "\n") !=
                   std::string::npos;
        return LdapSearch("-b cn=Subschema -s base attributeTypes", at)
                   .find(std::string("NAME '") + value.ldapAttribute + "'") != std::string::npos;
    }

    std::string scratch, store, server, url;
    std::vector<std::string> started;   // the folders of every server started, stopped or not
    int runs = 0, unixRuns = 0;
};

TEST_P(HostProgram, ListsTheSampleObjects)
{
    std::string output;
    ASSERT_EQ(Run("/list", output), 0) << output;
    EXPECT_NE(output.find("CN=Ann.OU=Sales.O=Kestrel\tuser"), std::string::npos) << output;
    EXPECT_NE(output.find("Dravon Server"), std::string::npos) << output;
}

TEST_P(HostProgram, EachClassGetsItsPagesAndAnUntouchedOkWritesNothing)
{
    std::string before = Snapshot();
    ASSERT_FALSE(before.empty());
    std::string output;
    ASSERT_EQ(Run("/headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /ok", output), 0) << output;
    EXPECT_NE(output.find("page 1: Remote Access - 1 (UserParameters)\r\npage 2: Remote Access - 2 (ServiceParameters)"),
              std::string::npos) << output;
    EXPECT_NE(output.find("applied and saved"), std::string::npos) << output;

    ASSERT_EQ(Run("/headless /open \"OU=Sales.O=Kestrel\" /ok", output), 0) << output;
    EXPECT_NE(output.find("pages: 1\r\npage 1: Remote Access (OtherParameters)"), std::string::npos) << output;

    ASSERT_EQ(Run("/headless /open \"CN=RAS-1.O=Kestrel\" /ok", output), 0) << output;
    EXPECT_NE(output.find("page 1: Identification (Identification)"), std::string::npos) << output;

    EXPECT_EQ(Snapshot(), before) << "nothing was changed, so nothing was written";
}

TEST_P(HostProgram, FieldsTypedHeadlessOnAUserAndAContainerAreAppliedAndSaved)
{
    ASSERT_EQ(Value(kAnnsIdleTimeout), "30");
    std::string output;
    ASSERT_EQ(Run("/headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /field 1 1089 25 /ok", output), 0) << output;
    EXPECT_NE(output.find("applied and saved"), std::string::npos) << output;
    EXPECT_EQ(output.find("message:"), std::string::npos) << output;
    EXPECT_EQ(Value(kAnnsIdleTimeout), "25");

    ASSERT_EQ(Value(kSalesIdleTimeout), "45");
    ASSERT_EQ(Run("/headless /open \"OU=Sales.O=Kestrel\" /field 1 1089 50 /ok", output), 0) << output;
    EXPECT_EQ(output.find("message:"), std::string::npos) << output;
    EXPECT_EQ(Value(kSalesIdleTimeout), "50");

    EXPECT_EQ(Run("/headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /field 1 4242 x /ok", output), 1);
    EXPECT_NE(output.find("page 1 has no control 4242"), std::string::npos) << output;
    EXPECT_EQ(output.find("applied and saved"), std::string::npos) << output;
}

TEST_P(HostProgram, TheReadOnlyIdentityGetsPagesThatWriteNothing)
{
    std::string before = Snapshot();
    std::string output;
    ASSERT_EQ(Run("/headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /field 1 1089 25 /ok", output, kBob), 0) << output;
    EXPECT_EQ(output.find("message:"), std::string::npos) << output;
    EXPECT_EQ(Value(kAnnsIdleTimeout), "30");
    EXPECT_EQ(Snapshot(), before);
}

TEST_P(HostProgram, FirstUseExtendsTheSchemaOfAFreshDirectory)
{
    UseDirectory("kestrel-fresh.ldif");
    ASSERT_FALSE(SchemaHas(kAnnsIdleTimeout));
    std::string output;
    ASSERT_EQ(Run("/headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /ok", output), 0) << output;
    EXPECT_NE(output.find("applied and saved"), std::string::npos) << output;
    EXPECT_EQ(output.find("message:"), std::string::npos) << output;
    EXPECT_TRUE(SchemaHas(kAnnsIdleTimeout));
}

TEST_P(HostProgram, PageThatCannotBeCreatedFailsAndSavesNothing)
{
    std::string before = Snapshot();
    std::string output;
    EXPECT_EQ(Run("/snapin PAGELESS.DLL /headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /ok", output), 1);
    EXPECT_NE(output.find("page 1: Missing (NoSuchTemplate) not created"), std::string::npos) << output;
    EXPECT_NE(output.find("nothing saved"), std::string::npos) << output;
    EXPECT_EQ(output.find("applied and saved"), std::string::npos) << output;
    EXPECT_EQ(Snapshot(), before);
}

TEST_P(HostProgram, UnknownObjectIsRefused)
{
    std::string output;
    EXPECT_EQ(Run("/headless /open \"CN=Nobody.O=Kestrel\"", output), 1);
    EXPECT_NE(output.find("no such object"), std::string::npos) << output;
}

auto BackendName = [](const ::testing::TestParamInfo<Backend> &info) {
    return info.param == Backend::Store ? "Store" : "Server";
};
INSTANTIATE_TEST_SUITE_P(Directory, HostProgram, ::testing::Values(RAX_HOST_TEST_BACKENDS), BackendName);

#ifdef RAX_HOST_TEST_SERVERS
using DirectoryServer = HostProgram;

TEST_P(DirectoryServer, AStoppedOrSilentServerIsReportedInTime)
{
    SetEnvironmentVariableA("RAX_DIRECTORY_TIMEOUT", "2");
    const std::string open = "/headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /field 1 1089 25 /ok";
    std::string output;
    ASSERT_TRUE(RunUnix("kill -STOP \"$(cat '" + server + "/slapd.pid')\""));
    DWORD start = GetTickCount();
    EXPECT_EQ(Run(open, output), 1);
    EXPECT_LT(GetTickCount() - start, 20000u);
    EXPECT_NE(output.find("LDAP result 85"), std::string::npos) << output;
    EXPECT_NE(output.find("the directory could not be opened"), std::string::npos) << output;

    StopServer(server);
    EXPECT_EQ(Run(open, output), 1);
    EXPECT_NE(output.find("LDAP result 81"), std::string::npos) << output;
    SetEnvironmentVariableA("RAX_DIRECTORY_TIMEOUT", nullptr);
}

INSTANTIATE_TEST_SUITE_P(Directory, DirectoryServer, ::testing::Values(Backend::Server), BackendName);

// A main server and a replica that follows it and passes writes on to it.
struct ReplicatedDirectory : HostProgram {
    void StartReplica()
    {
        mainUrl = url;
        replicaDir = StartServer("replica", "'" + server + "'", replicaUrl);
        ASSERT_FALSE(replicaUrl.empty());
    }
    template <typename Check> bool Eventually(Check check)
    {
        for (int i = 0; i < 100; ++i, Sleep(100))
            if (check())
                return true;
        return false;
    }
    std::string mainUrl, replicaUrl, replicaDir;
};

TEST_P(ReplicatedDirectory, SchemaExtendedOnTheMainServerReachesTheReplica)
{
    UseDirectory("kestrel-fresh.ldif");
    StartReplica();
    std::string output;
    ASSERT_EQ(Run("/headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /ok", output), 0) << output;
    EXPECT_TRUE(SchemaHas(kAnnsIdleTimeout, mainUrl));
    EXPECT_TRUE(Eventually([&] { return SchemaHas(kAnnsIdleTimeout, replicaUrl); }));
}

TEST_P(ReplicatedDirectory, HostSavesThroughEitherServerAndTheNextStandsInForAStoppedOne)
{
    StartReplica();
    std::string output;
    const std::string open = "/headless /open \"CN=Ann.OU=Sales.O=Kestrel\" /field 1 1089 ";
    ASSERT_EQ(Run(open + "21 /ok", output), 0) << output;
    EXPECT_TRUE(Eventually([&] { return Value(kAnnsIdleTimeout, replicaUrl) == "21"; })) << "saved on the main server";

    url = replicaUrl + " " + mainUrl;
    ASSERT_EQ(Run(open + "22 /ok", output), 0) << output;
    EXPECT_EQ(output.find("message:"), std::string::npos) << output;
    EXPECT_EQ(Value(kAnnsIdleTimeout, mainUrl), "22") << "saved through the replica, held by the main server";

    StopServer(replicaDir);
    ASSERT_EQ(Run(open + "23 /ok", output), 0) << output;
    EXPECT_EQ(output.find("message:"), std::string::npos) << output;
    EXPECT_EQ(Value(kAnnsIdleTimeout, mainUrl), "23") << "the first server stopped, the next one saved";
    url = mainUrl;
}

INSTANTIATE_TEST_SUITE_P(Directory, ReplicatedDirectory, ::testing::Values(Backend::Server), BackendName);
#endif

} // namespace
