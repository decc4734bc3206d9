// The store file on Windows: reloaded when its identity (volume, file index,
// size, write time) changes; changed only under an exclusive lock on
// "<store>.lock"; replaced whole by writing "<store>.tmp", flushing it and
// renaming it over the store.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "store_file.h"
#include "store_text.h"

namespace {

constexpr DWORD kLockWaitMs = 10000;
constexpr DWORD kBusyWaitMs = 2000;

// A reader in another process holds the store open for a moment while it checks or
// reads it; Windows then refuses to open it anew or to rename over it. Wait that out.
bool Busy(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

template <typename Try>
bool Retrying(Try attempt)
{
    for (DWORD waited = 0;; waited += 2) {
        if (attempt())
            return true;
        if (!Busy(GetLastError()) || waited >= kBusyWaitMs)
            return false;
        Sleep(2);
    }
}

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    explicit Handle(HANDLE handle) : h(handle) {}
    ~Handle()
    {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    bool Valid() const { return h != INVALID_HANDLE_VALUE; }
};

std::string LastError(const char *what)
{
    return std::string(what) + " (error " + std::to_string(GetLastError()) + ")";
}

struct Stamp {
    bool exists = false;
    DWORD volume = 0, indexHigh = 0, indexLow = 0, sizeHigh = 0, sizeLow = 0;
    FILETIME written{};

    bool operator==(const Stamp &o) const
    {
        return exists == o.exists && volume == o.volume && indexHigh == o.indexHigh && indexLow == o.indexLow &&
               sizeHigh == o.sizeHigh && sizeLow == o.sizeLow &&
               written.dwLowDateTime == o.written.dwLowDateTime &&
               written.dwHighDateTime == o.written.dwHighDateTime;
    }
};

bool StampOf(HANDLE file, Stamp &stamp)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info))
        return false;
    stamp.exists = true;
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.indexHigh = info.nFileIndexHigh;
    stamp.indexLow = info.nFileIndexLow;
    stamp.sizeHigh = info.nFileSizeHigh;
    stamp.sizeLow = info.nFileSizeLow;
    stamp.written = info.ftLastWriteTime;
    return true;
}

class Win32StoreFile : public dirstore::StoreBackend {
public:
    explicit Win32StoreFile(std::string path) : path_(std::move(path)) {}
    ~Win32StoreFile() override { Unlock(); }

    std::string Path() const override { return path_; }

    bool Refresh(dirstore::Store &store, std::string &error) override
    {
        Handle file(INVALID_HANDLE_VALUE);
        Retrying([&] {
            file.h = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            return file.Valid();
        });
        if (!file.Valid()) {
            DWORD code = GetLastError();
            if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
                error = "cannot open it (error " + std::to_string(code) + ")";
                return false;
            }
            if (loaded_ && !stamp_.exists)
                return true;
            store = dirstore::Store{};   // no file yet (or removed): an empty directory
            stamp_ = Stamp{};
            loaded_ = true;
            return true;
        }
        Stamp now;
        if (!StampOf(file.h, now)) {
            error = LastError("cannot query it");
            return false;
        }
        if (loaded_ && now == stamp_)
            return true;
        if (now.sizeHigh != 0 || now.sizeLow > dirstore::kMaxStoreText) {
            error = "it is larger than 64 MiB";
            return false;
        }
        std::string text(now.sizeLow, '\0');
        DWORD got = 0;
        if (now.sizeLow > 0 && (!ReadFile(file.h, text.data(), now.sizeLow, &got, nullptr) || got != now.sizeLow)) {
            error = LastError("cannot read it");
            return false;
        }
        if (!dirstore::StoreFromFileText(text, store, error))
            return false;
        stamp_ = now;
        loaded_ = true;
        return true;
    }

    bool Lock(std::string &error) override
    {
        std::string lockPath = path_ + ".lock";
        lock_ = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (lock_ == INVALID_HANDLE_VALUE) {
            error = LastError(("cannot open " + lockPath).c_str());
            return false;
        }
        DWORD waited = 0;
        for (;;) {
            OVERLAPPED at{};
            if (LockFileEx(lock_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
                return true;
            if (waited >= kLockWaitMs) {
                error = "another process holds " + lockPath;
                CloseHandle(lock_);
                lock_ = INVALID_HANDLE_VALUE;
                return false;
            }
            Sleep(5);
            waited += 5;
        }
    }

    void Unlock() override
    {
        if (lock_ == INVALID_HANDLE_VALUE)
            return;
        OVERLAPPED at{};
        UnlockFileEx(lock_, 0, 1, 0, &at);
        CloseHandle(lock_);
        lock_ = INVALID_HANDLE_VALUE;
    }

    bool Save(const dirstore::Store &store, std::string &error) override
    {
        std::string text = dirstore::PrintStoreText(store);
        std::string temp = path_ + ".tmp";
        {
            Handle file(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
            if (!file.Valid()) {
                error = LastError(("cannot create " + temp).c_str());
                return false;
            }
            DWORD put = 0;
            bool ok = WriteFile(file.h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr) &&
                      put == text.size() && FlushFileBuffers(file.h);
            if (!ok) {
                error = LastError(("cannot write " + temp).c_str());
                CloseHandle(file.h);
                file.h = INVALID_HANDLE_VALUE;
                DeleteFileA(temp.c_str());
                return false;
            }
        }
        if (!Retrying([&] {
                return MoveFileExA(temp.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
            })) {
            error = LastError(("cannot rename " + temp).c_str());
            DeleteFileA(temp.c_str());
            return false;
        }
        // What we wrote is what we hold: note its identity so it is not read back.
        Handle written(CreateFileA(path_.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        Stamp now;
        if (written.Valid() && StampOf(written.h, now)) {
            stamp_ = now;
            loaded_ = true;
        } else {
            loaded_ = false;   // read it again next time
        }
        return true;
    }

private:
    std::string path_;
    Stamp stamp_;
    bool loaded_ = false;
    HANDLE lock_ = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<dirstore::StoreBackend> dirstore::MakeStoreFile(const std::string &path)
{
    return std::make_unique<Win32StoreFile>(path);
}
