// The store file on this platform: reloads when another process replaced it,
// locks "<path>.lock" for a change, replaces the file atomically through
// "<path>.tmp". Windows: standins/dircli32/store_file_win32.cpp; POSIX:
// store_file_posix.cpp.
#ifndef RAX_STANDINS_STORE_FILE_H
#define RAX_STANDINS_STORE_FILE_H

#include <memory>
#include <string>

#include "dir_engine.h"

namespace dirstore {

std::unique_ptr<StoreBackend> MakeStoreFile(const std::string &path);

}  // namespace dirstore

#endif
