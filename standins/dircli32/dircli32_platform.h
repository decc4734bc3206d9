// What the platform adds to the directory engine: the store file (path,
// locking, atomic replacement) and where diagnostics go.
#ifndef RAX_STANDINS_DIRCLI32_PLATFORM_H
#define RAX_STANDINS_DIRCLI32_PLATFORM_H

#include <memory>
#include <string>

#include "dir_engine.h"

// Installs the store file backend and the diagnostic reporter into `engine`,
// and the directory servers when the environment names them.
void InstallPlatform(dirstore::Engine &engine);

// The directory servers `url` with an identity (RAX_DIRECTORY_URL and the
// other settings otherwise taken from the environment); null where the build
// has no LDAP client.
std::unique_ptr<dirstore::RemoteDirectory> MakeDirectoryServers(const std::string &url, const std::string &bindDn,
                                                                const std::string &passwordFile);

#endif
