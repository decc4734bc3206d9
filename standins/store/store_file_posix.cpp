#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store_file.h"
#include "store_text.h"

namespace dirstore {

namespace {

constexpr int kLockWaitMs = 10000;

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            close(fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
};

std::string Errno(const std::string &what)
{
    return what + " (" + std::strerror(errno) + ")";
}

struct Stamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec written{};

    bool operator==(const Stamp &o) const
    {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               written.tv_sec == o.written.tv_sec && written.tv_nsec == o.written.tv_nsec;
    }
};

Stamp StampOf(const struct stat &st)
{
    Stamp s;
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.written = st.st_mtim;
    return s;
}

bool WriteAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

class PosixStoreFile : public StoreBackend {
public:
    explicit PosixStoreFile(std::string path) : path_(std::move(path)) {}
    ~PosixStoreFile() override { Unlock(); }

    std::string Path() const override { return path_; }

    bool Refresh(Store &store, std::string &error) override
    {
        Fd file(open(path_.c_str(), O_RDONLY | O_CLOEXEC));
        if (file.fd < 0) {
            if (errno != ENOENT) {
                error = Errno("cannot open it");
                return false;
            }
            if (loaded_ && !stamp_.exists)
                return true;
            store = Store{};
            stamp_ = Stamp{};
            loaded_ = true;
            return true;
        }
        struct stat st;
        if (fstat(file.fd, &st) != 0) {
            error = Errno("cannot query it");
            return false;
        }
        Stamp now = StampOf(st);
        if (loaded_ && now == stamp_)
            return true;
        if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > kMaxStoreText) {
            error = "it is larger than 64 MiB";
            return false;
        }
        std::string text(static_cast<size_t>(st.st_size), '\0');
        size_t done = 0;
        while (done < text.size()) {
            ssize_t n = read(file.fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = Errno("cannot read it");
                return false;
            }
            done += static_cast<size_t>(n);
        }
        if (!StoreFromFileText(text, store, error))
            return false;
        stamp_ = now;
        loaded_ = true;
        return true;
    }

    bool Lock(std::string &error) override
    {
        std::string lockPath = path_ + ".lock";
        lock_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (lock_ < 0) {
            error = Errno("cannot open " + lockPath);
            return false;
        }
        for (int waited = 0;; waited += 5) {
            if (flock(lock_, LOCK_EX | LOCK_NB) == 0)
                return true;
            if (errno != EWOULDBLOCK && errno != EINTR) {
                error = Errno("cannot lock " + lockPath);
                break;
            }
            if (waited >= kLockWaitMs) {
                error = "another process holds " + lockPath;
                break;
            }
            usleep(5000);
        }
        close(lock_);
        lock_ = -1;
        return false;
    }

    void Unlock() override
    {
        if (lock_ < 0)
            return;
        flock(lock_, LOCK_UN);
        close(lock_);
        lock_ = -1;
    }

    bool Save(const Store &store, std::string &error) override
    {
        std::string text = PrintStoreText(store);
        std::string temp = path_ + ".tmp";
        {
            Fd file(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
            if (file.fd < 0) {
                error = Errno("cannot create " + temp);
                return false;
            }
            if (!WriteAll(file.fd, text) || fsync(file.fd) != 0) {
                error = Errno("cannot write " + temp);
                unlink(temp.c_str());
                return false;
            }
        }
        if (rename(temp.c_str(), path_.c_str()) != 0) {
            error = Errno("cannot rename " + temp);
            unlink(temp.c_str());
            return false;
        }
        // The rename itself is made durable through the folder.
        std::string folder = path_.substr(0, path_.find_last_of('/') == std::string::npos ? 0 : path_.find_last_of('/'));
        Fd dir(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.fd >= 0)
            fsync(dir.fd);
        struct stat st;
        if (stat(path_.c_str(), &st) == 0) {
            stamp_ = StampOf(st);
            loaded_ = true;
        } else {
            loaded_ = false;
        }
        return true;
    }

private:
    std::string path_;
    Stamp stamp_;
    bool loaded_ = false;
    int lock_ = -1;
};

}  // namespace

std::unique_ptr<StoreBackend> MakeStoreFile(const std::string &path)
{
    return std::make_unique<PosixStoreFile>(path);
}

}  // namespace dirstore
