// Native builds: the store file named by RAX_DIRECTORY_STORE (or given through
// the test control); with neither, the store is kept in memory only.
// Diagnostics go to stderr.
#include <cstdio>
#include <cstdlib>

#include "dircli32_platform.h"
#include "store_file.h"

void InstallPlatform(dirstore::Engine &engine)
{
    engine.SetReporter([](const std::string &message) { std::fprintf(stderr, "%s\n", message.c_str()); });
    if (const char *identity = std::getenv("RAX_DIRECTORY_IDENTITY"); identity && *identity)
        engine.SetIdentityOverride(identity);
    engine.SetBackendFactory([](const char *path) -> std::unique_ptr<dirstore::StoreBackend> {
        const char *chosen = path ? path : std::getenv("RAX_DIRECTORY_STORE");
        if (!chosen || !*chosen)
            return nullptr;
        return dirstore::MakeStoreFile(chosen);
    });
}
