// The store file on this platform: reloads when another process replaced it,
// locks "<path>.lock" for a change, replaces the file atomically through
// "<path>.tmp". Windows: standins/dircli32/store_file_win32.cpp; POSIX:
// store_file_posix.cpp.
#ifndef RAX_STANDINS_STORE_FILE_H
#define RAX_STANDINS_STORE_FILE_H

#include <memory>
#include <string>
#include <string_view>

#include "dir_engine.h"

namespace dirstore {

std::unique_ptr<StoreBackend> MakeStoreFile(const std::string &path);

// Fills `store` from the text read out of the store file. On failure returns
// false with `error` saying where and why, and leaves `store` unchanged.
bool StoreFromFileText(std::string_view text, Store &store, std::string &error);

}  // namespace dirstore

#endif
