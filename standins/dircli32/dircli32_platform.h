// What the platform adds to the directory engine: the store file (path,
// locking, atomic replacement) and where diagnostics go.
#ifndef RAX_STANDINS_DIRCLI32_PLATFORM_H
#define RAX_STANDINS_DIRCLI32_PLATFORM_H

#include "dir_engine.h"

// Installs the store file backend and the diagnostic reporter into `engine`.
void InstallPlatform(dirstore::Engine &engine);

#endif
