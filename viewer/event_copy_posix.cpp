// The copy through a mapping of the trace: each window of the trace is mapped
// read-only and written to the work file with gathered writes, the event
// bytes straight from the mapping and each back-link from a small side
// buffer, so every byte is copied once, by the kernel. A second thread does
// the writing while this one walks the headers and maps the next window.
// Windows of 4 MiB, two at a time at most, keep the resident size flat and
// the bytes just walked still in the cache when they are written.
#include "event_copy.h"

#include "event_header.h"

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

#ifdef MAP_POPULATE
constexpr int MapFlags = MAP_PRIVATE | MAP_POPULATE;   // one fault-in per window, not one per page
#else
constexpr int MapFlags = MAP_PRIVATE;
#endif
constexpr std::size_t DefaultWindow = std::size_t{4} << 20;
constexpr uint64_t PrefetchDistance = 4096;
constexpr std::size_t MaxBatch = IOV_MAX < 1024 ? IOV_MAX : 1024;

// One window of the trace, mapped read-only and unmapped when replaced.
class TraceWindow {
public:
    explicit TraceWindow(int fd) : fd_(fd) {}
    ~TraceWindow() { Unmap(); }
    TraceWindow(TraceWindow &&other) = delete;

    bool Covers(uint64_t from, uint64_t to) const
    {
        return base_ != nullptr && start_ <= from && to <= start_ + size_;
    }

    // Maps up to `window` bytes of the first `length` from the page holding
    // `from`, which must take in everything up to `to`. False when they do
    // not fit, the file no longer holds them, or it cannot be mapped.
    bool Map(uint64_t from, uint64_t to, std::size_t window, uint64_t length)
    {
        Unmap();
        long page = sysconf(_SC_PAGESIZE);
        if (page <= 0)
            return false;
        uint64_t start = from - from % static_cast<uint64_t>(page);
        uint64_t end = length - start < window ? length : start + window;
        off_t offset = static_cast<off_t>(start);
        struct stat status;
        if (to > end || offset < 0 || static_cast<uint64_t>(offset) != start || fstat(fd_, &status) != 0 ||
            !S_ISREG(status.st_mode) || status.st_size < 0 || static_cast<uint64_t>(status.st_size) < end)
            return false;
        void *base = mmap(nullptr, static_cast<std::size_t>(end - start), PROT_READ, MapFlags, fd_, offset);
        if (base == MAP_FAILED)
            return false;
        base_ = static_cast<const uint8_t *>(base);
        start_ = start;
        size_ = static_cast<std::size_t>(end - start);
        return true;
    }

    void Unmap()
    {
        if (base_)
            munmap(const_cast<uint8_t *>(base_), size_);
        base_ = nullptr;
    }

    const uint8_t *At(uint64_t offset) const { return base_ + (offset - start_); }
    uint64_t End() const { return start_ + size_; }

private:
    int fd_;
    const uint8_t *base_ = nullptr;
    uint64_t start_ = 0;
    std::size_t size_ = 0;
};

// Pieces for the work file, gathered in batches that a thread of their own
// writes in turn while the next batches are gathered. Each link has its own
// slot in the batch of the piece that points at it.
class GatherWriter {
public:
    GatherWriter(int fd, std::size_t batch) : fd_(fd), batch_(batch == 0 || batch > MaxBatch ? MaxBatch : batch) {}

    ~GatherWriter()
    {
        if (!thread_.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    // Starts the writing thread; false when the system has none to give.
    bool Start()
    {
        try {
            thread_ = std::thread([this] { Run(); });
            return true;
        } catch (...) {
            return false;
        }
    }

    GatherWriter(const GatherWriter &) = delete;
    GatherWriter &operator=(const GatherWriter &) = delete;

    bool AddLink(uint32_t link)
    {
        if (batches_[tail_].count == batch_ && !Submit())
            return false;
        Batch &batch = batches_[tail_];
        uint8_t *slot = batch.links[batch.count];
        slot[0] = static_cast<uint8_t>(link);
        slot[1] = static_cast<uint8_t>(link >> 8);
        slot[2] = static_cast<uint8_t>(link >> 16);
        slot[3] = static_cast<uint8_t>(link >> 24);
        return Add(slot, 4);
    }

    bool Add(const uint8_t *bytes, std::size_t count)
    {
        if (batches_[tail_].count == batch_ && !Submit())
            return false;
        Batch &batch = batches_[tail_];
        batch.pieces[batch.count].iov_base = const_cast<uint8_t *>(bytes);
        batch.pieces[batch.count].iov_len = count;
        ++batch.count;
        return true;
    }

    // Queues the batch being gathered for writing and takes the next free
    // one; false once a write has failed.
    bool Submit()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (batches_[tail_].count > 0) {
            ++queued_;
            tail_ = (tail_ + 1) % Depth;
            changed_.notify_all();
        }
        changed_.wait(lock, [this] { return queued_ < Depth; });
        return !failed_;
    }

    // Writes everything gathered; false when a write failed. Afterwards no
    // piece points anywhere.
    bool Drain()
    {
        bool fine = Submit();
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return queued_ == 0; });
        return fine && !failed_;
    }

    uint64_t Written()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return written_;
    }

private:
    static constexpr std::size_t Depth = 4;

    struct Batch {
        iovec pieces[MaxBatch];
        uint8_t links[MaxBatch][4];
        std::size_t count = 0;
    };

    void Run()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return queued_ > 0 || stop_; });
            if (queued_ == 0)
                return;
            Batch &batch = batches_[head_];
            bool skip = failed_;   // nothing more is written after a failure
            lock.unlock();
            uint64_t done = 0;
            bool fine = skip || Write(batch, done);
            batch.count = 0;
            lock.lock();
            written_ += done;
            failed_ = failed_ || !fine;
            head_ = (head_ + 1) % Depth;
            --queued_;
            changed_.notify_all();
        }
    }

    // Writes a batch's pieces, taking up again after a short write.
    bool Write(Batch &batch, uint64_t &done)
    {
        iovec *next = batch.pieces;
        std::size_t left = batch.count;
        while (left > 0) {
            ssize_t wrote = writev(fd_, next, static_cast<int>(left));
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0)
                return false;
            done += static_cast<uint64_t>(wrote);
            std::size_t rest = static_cast<std::size_t>(wrote);
            while (left > 0 && rest >= next->iov_len) {
                rest -= next->iov_len;
                ++next;
                --left;
            }
            if (left > 0) {
                next->iov_base = static_cast<uint8_t *>(next->iov_base) + rest;
                next->iov_len -= rest;
            }
        }
        return true;
    }

    int fd_;
    std::size_t batch_;
    Batch batches_[Depth];
    std::size_t head_ = 0;     // the next batch to write
    std::size_t tail_ = 0;     // the batch being gathered
    std::size_t queued_ = 0;   // batches from head_ on waiting to be written
    uint64_t written_ = 0;
    bool failed_ = false;
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};

uint32_t Le32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

CopyResult CopyEventsMapped(FILE *trace, FILE *work, uint64_t length, uint8_t *block, std::size_t blockSize,
                            uint32_t maxData, void (*onEvent)(), std::size_t window, std::size_t batch)
{
    // Buffered output goes first; the rest is written past the stream.
    if (std::fflush(work) != 0)
        return CopyEvents(trace, work, length, block, blockSize, maxData, onEvent);
    if (window == 0)
        window = DefaultWindow;
    const int workFd = fileno(work);
    const off_t workStart = lseek(workFd, 0, SEEK_CUR);
    // The window being walked, and the next one, mapped while the writes
    // from the first go on.
    TraceWindow windows[2] = {TraceWindow(fileno(trace)), TraceWindow(fileno(trace))};
    std::size_t current = 0;
    GatherWriter out(workFd, batch);
    if (!out.Start())
        return CopyEvents(trace, work, length, block, blockSize, maxData, onEvent);
    // Leaves the work stream where the writes ended, for whoever writes or
    // seeks it next.
    auto settle = [&](bool written) {
        written = out.Drain() && written;
        windows[0].Unmap();
        windows[1].Unmap();
        if (workStart >= 0)
            fseeko(work, workStart + static_cast<off_t>(out.Written()), SEEK_SET);
        return written;
    };

    uint64_t position = 0;   // of the next event in both files
    uint64_t previous = 0;   // header offset of the event before it
    uint64_t ahead = 0;      // trace bytes up to here are on their way to the cache
    for (;;) {
        const TraceWindow &view = windows[current];
        if (length - position >= EventHeaderSize) {
            // All this event can need: its header and the most data allowed.
            uint64_t reach =
                length - position - EventHeaderSize > maxData ? position + EventHeaderSize + maxData : length;
            if (!view.Covers(position, reach)) {
                bool mapped = out.Submit() && windows[1 - current].Map(position, reach, window, length);
                // The pieces queued point into the old window: out with them
                // before it goes.
                if (!out.Drain()) {
                    settle(false);
                    onEvent();
                    return CopyResult::DataWrite;
                }
                windows[current].Unmap();
                current = 1 - current;
                if (!mapped) {
                    settle(true);
                    if (position != 0 && fseeko(trace, static_cast<off_t>(position), SEEK_SET) != 0) {
                        onEvent();
                        return CopyResult::HeaderRead;
                    }
                    return CopyEventsFrom(trace, work, length, block, blockSize, maxData, onEvent, position,
                                          previous);
                }
                continue;
            }
        }
        onEvent();
        if (length <= position)
            return settle(true) ? CopyResult::Done : CopyResult::DataWrite;
        if (length - position < EventHeaderSize)
            return settle(true) ? CopyResult::HeaderRead : CopyResult::DataWrite;
        const uint8_t *header = view.At(position);
        // Each header says where the next one is: fetch ahead of the walk so
        // that it does not wait for memory at every event.
        if (ahead < position)
            ahead = position;
        for (uint64_t end = view.End(); ahead < position + PrefetchDistance && ahead < end; ahead += 64)
            __builtin_prefetch(view.At(ahead));
        const uint32_t traced = Le32(header + 28);
        const uint64_t dataStart = position + EventHeaderSize;
        if (!out.AddLink(static_cast<uint32_t>(previous))) {   // traces stay below 4 GiB
            settle(false);
            return CopyResult::DataWrite;
        }
        previous = position;
        if (traced > maxData || length - dataStart < traced) {
            if (!settle(out.Add(header + 4, EventHeaderSize - 4)))
                return CopyResult::HeaderWrite;
            return traced > maxData ? CopyResult::DataTooLarge : CopyResult::DataRead;
        }
        if (!out.Add(header + 4, EventHeaderSize - 4 + traced)) {
            settle(false);
            return CopyResult::DataWrite;
        }
        position = dataStart + traced;
    }
}
