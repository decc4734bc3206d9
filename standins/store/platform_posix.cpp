// Native builds: the directory servers named by RAX_DIRECTORY_URL; otherwise the
// store file named by RAX_DIRECTORY_STORE (or given through the test control);
// with neither, the store is kept in memory only. Diagnostics go to stderr.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "dircli32_platform.h"
#include "store_file.h"
#ifdef RAX_WITH_LDAP
#include "ldap_directory.h"
#endif

namespace {

void ReportDiagnostic(const std::string &message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
}

std::string Environment(const char *name)
{
    const char *value = std::getenv(name);
    return std::string(value ? value : "");
}

}  // namespace

std::unique_ptr<dirstore::RemoteDirectory> MakeDirectoryServers(const std::string &url, const std::string &bindDn,
                                                                const std::string &passwordFile)
{
#ifdef RAX_WITH_LDAP
    using namespace dirstore::ldap;
    auto readFile = [](const std::string &path, std::string &text) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return false;
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    };
    return std::make_unique<LdapDirectory>(SettingsForServers(url, bindDn, passwordFile, Environment, readFile),
                                           MakeConnection, ReportDiagnostic);
#else
    (void)url, (void)bindDn, (void)passwordFile;
    return nullptr;
#endif
}

void InstallPlatform(dirstore::Engine &engine)
{
    engine.SetReporter(ReportDiagnostic);
    if (const char *identity = std::getenv("RAX_DIRECTORY_IDENTITY"); identity && *identity)
        engine.SetIdentityOverride(identity);
    engine.SetBackendFactory([](const char *path) -> std::unique_ptr<dirstore::StoreBackend> {
        const char *chosen = path ? path : std::getenv("RAX_DIRECTORY_STORE");
        if (!chosen || !*chosen)
            return nullptr;
        return dirstore::MakeStoreFile(chosen);
    });
    if (std::string url = Environment("RAX_DIRECTORY_URL"); !url.empty())
        engine.SetRemote(MakeDirectoryServers(url, Environment("RAX_DIRECTORY_BIND_DN"),
                                              Environment("RAX_DIRECTORY_PASSWORD_FILE")));
}
