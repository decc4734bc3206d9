#include "directory_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_ldap {

namespace {

// The servers that run, by process id, for the exit paths that run no destructors.
constexpr size_t kSlots = 16;
std::array<std::atomic<int>, kSlots> g_running{};

void StopAllNow()
{
    for (auto &slot : g_running) {
        int pid = slot.exchange(0);
        if (pid > 0) {
            kill(pid, SIGCONT);
            kill(pid, SIGTERM);
        }
    }
}

void OnSignal(int signal)
{
    StopAllNow();
    ::signal(signal, SIG_DFL);
    raise(signal);
}

void InstallExitPaths()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    std::atexit(StopAllNow);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGABRT, SIGSEGV, SIGBUS, SIGFPE})
        ::signal(s, OnSignal);
}

std::string Script()
{
    return std::string(RAX_SOURCE_DIR) + "/scripts/directory-server.sh";
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Capture(const std::string &command)
{
    std::string output;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
            output.append(buf, n);
        pclose(pipe);
    }
    return output;
}

}  // namespace

int FreePort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    if (fd >= 0)
        close(fd);
    return port;
}

DirectoryServer::~DirectoryServer()
{
    Stop();
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

bool DirectoryServer::Run(const std::string &arguments, std::string &output)
{
    std::string log = dir_ + ".log";
    output = Capture("RAX_STORELDIF='" RAX_STORELDIF "' bash '" + Script() + "' " + arguments + " 2>'" + log + "'");
    output += ReadFile(log);
    std::remove(log.c_str());
    return true;
}

bool DirectoryServer::TakeSettings(const std::string &output, std::string &error)
{
    auto value = [&](const std::string &key) {
        size_t at = output.find(key + "=");
        if (at == std::string::npos)
            return std::string();
        at += key.size() + 1;
        return output.substr(at, output.find_first_of(" \n", at) - at);
    };
    url_ = value("RAX_DIRECTORY_URL");
    adminDn_ = value("RAX_DIRECTORY_BIND_DN");
    adminPasswordFile_ = value("RAX_DIRECTORY_PASSWORD_FILE");
    NotePid();
    if (url_.empty() || pid_ <= 0) {
        error = "the directory server did not start:\n" + output;
        return false;
    }
    return true;
}

void DirectoryServer::NotePid()
{
    pid_ = std::atoi(ReadFile(dir_ + "/slapd.pid").c_str());
    if (pid_ <= 0)
        return;
    for (size_t i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (g_running[i].compare_exchange_strong(expected, pid_)) {
            slot_ = static_cast<int>(i);
            return;
        }
    }
}

bool DirectoryServer::Start(const std::string &store, std::string &error)
{
    InstallExitPaths();
    char folder[] = "/tmp/rax-ldap-test-XXXXXX";
    if (!mkdtemp(folder)) {
        error = "no folder for the server";
        return false;
    }
    dir_ = folder;
    port_ = FreePort();
    std::string output;
    Run("start '" + dir_ + "' " + std::to_string(port_) + (store.empty() ? "" : " '" + store + "'"), output);
    return TakeSettings(output, error);
}

bool DirectoryServer::StartReplica(const DirectoryServer &main, std::string &error)
{
    InstallExitPaths();
    char folder[] = "/tmp/rax-ldap-replica-XXXXXX";
    if (!mkdtemp(folder)) {
        error = "no folder for the server";
        return false;
    }
    // The script builds the replica in a folder of its own making.
    std::filesystem::remove(folder);
    dir_ = folder;
    port_ = FreePort();
    std::string output;
    Run("replica '" + dir_ + "' " + std::to_string(port_) + " '" + main.dir_ + "'", output);
    return TakeSettings(output, error);
}

void DirectoryServer::Stop()
{
    if (pid_ <= 0)
        return;
    Pause(false);
    std::string output;
    Run("stop '" + dir_ + "'", output);
    if (slot_ >= 0)
        g_running[static_cast<size_t>(slot_)] = 0;
    slot_ = -1;
    pid_ = 0;
}

bool DirectoryServer::Restart(std::string &error)
{
    std::string output;
    Run("start '" + dir_ + "' " + std::to_string(port_), output);
    return TakeSettings(output, error);
}

void DirectoryServer::Pause(bool paused)
{
    if (pid_ > 0)
        kill(pid_, paused ? SIGSTOP : SIGCONT);
}

std::string DirectoryServer::Search(const std::string &dn, const std::string &attributes) const
{
    std::string base = url_.substr(0, url_.find('/', 7) + 1);
    return Capture("ldapsearch -x -LLL -o ldif-wrap=no -H '" + base + "' -D '" + adminDn_ + "' -y '" +
                   adminPasswordFile_ + "' -s base -b '" + dn + "' " + attributes + " 2>&1");
}

}  // namespace testing_ldap
