// Native builds keep the store in memory only: no store file, diagnostics on stderr.
#include <cstdio>

#include "dircli32_platform.h"

void InstallPlatform(dirstore::Engine &engine)
{
    engine.SetReporter([](const std::string &message) { std::fprintf(stderr, "%s\n", message.c_str()); });
}
