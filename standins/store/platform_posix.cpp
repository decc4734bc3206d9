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

#ifdef RAX_WITH_LDAP
std::unique_ptr<dirstore::RemoteDirectory> DirectoryServers()
{
    using namespace dirstore::ldap;
    auto env = [](const char *name) {
        const char *value = std::getenv(name);
        return std::string(value ? value : "");
    };
    auto readFile = [](const std::string &path, std::string &text) {
        std::ifstream in(path, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return static_cast<bool>(in) || in.eof();
    };
    return std::make_unique<LdapDirectory>(SettingsFromEnvironment(env, readFile), MakeConnection, ReportDiagnostic);
}
#endif

}  // namespace

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
#ifdef RAX_WITH_LDAP
    if (const char *url = std::getenv("RAX_DIRECTORY_URL"); url && *url)
        engine.SetRemote(DirectoryServers());
#endif
}
