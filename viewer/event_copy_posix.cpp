// The copy through a mapping of the trace: each window of the trace is mapped
// read-only and written to the work file with gathered writes, the event
// bytes straight from the mapping and each back-link from a small side
// buffer, so every byte is copied once, by the kernel. A second thread does
// the writing while this one walks the headers and maps the next window.
// Windows of 4 MiB, two at a time at most, keep the resident size flat and
// the bytes just walked still in the cache when they are written.
//
// Another program may cut the trace short while it is copied: a page of the
// mapping past the new end then faults (SIGBUS) when this thread reads a
// header there, and fails the gathered write (EFAULT) when the kernel reads
// it, while the rest of the last page reads as zeros. Any of these, and a
// trace found shorter than the window just walked, hand the copy to the
// block copy from the event where that window began, so that it ends as it
// would for a trace of the length the file has now.
#include "event_copy.h"

#include "event_header.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <csetjmp>
#include <csignal>
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

    bool Mapped() const { return base_ != nullptr; }
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

    // True when a write failed on the trace's pages: it was cut short under
    // the mapping.
    bool Faulted()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return faulted_;
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
            bool faulted = false;
            bool fine = skip || Write(batch, done, faulted);
            batch.count = 0;
            lock.lock();
            written_ += done;
            failed_ = failed_ || !fine;
            faulted_ = faulted_ || faulted;
            head_ = (head_ + 1) % Depth;
            --queued_;
            changed_.notify_all();
        }
    }

    // Writes a batch's pieces, taking up again after a short write (the
    // next write then fails if the pieces cannot be read).
    bool Write(Batch &batch, uint64_t &done, bool &faulted)
    {
        iovec *next = batch.pieces;
        std::size_t left = batch.count;
        while (left > 0) {
            ssize_t wrote = writev(fd_, next, static_cast<int>(left));
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0) {
                faulted = wrote < 0 && errno == EFAULT;
                return false;
            }
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
    bool faulted_ = false;
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

// Where a fault in a guarded read of this thread goes; none outside one.
thread_local sigjmp_buf *FaultGuard = nullptr;
struct sigaction PreviousBusAction;

void OnBusError(int signal, siginfo_t *info, void *)
{
    if (sigjmp_buf *guard = FaultGuard) {
        FaultGuard = nullptr;
        siglongjmp(*guard, 1);
    }
    // Not ours: as if this handler had never been there. A fault comes back
    // under the previous action when the instruction runs again; a signal
    // that was sent is sent again.
    sigaction(SIGBUS, &PreviousBusAction, nullptr);
    if (info == nullptr || info->si_code <= 0)
        raise(signal);
}

// The SIGBUS handler for as long as a mapped copy runs, the previous action
// back afterwards. One mapped copy at a time in a process.
class BusErrorCatch {
public:
    BusErrorCatch()
    {
        struct sigaction action = {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        installed_ = sigaction(SIGBUS, &action, &PreviousBusAction) == 0;
    }
    ~BusErrorCatch()
    {
        if (installed_)
            sigaction(SIGBUS, &PreviousBusAction, nullptr);
    }
    BusErrorCatch(const BusErrorCatch &) = delete;
    BusErrorCatch &operator=(const BusErrorCatch &) = delete;

    bool Installed() const { return installed_; }

private:
    bool installed_;
};

// The traced size of the header at `header` in the mapping; false when its
// page is gone.
__attribute__((noinline)) bool ReadTracedSize(const uint8_t *header, uint32_t &traced)
{
    sigjmp_buf guard;
    if (sigsetjmp(guard, 0) != 0)
        return false;
    FaultGuard = &guard;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    traced = Le32(header + 28);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    FaultGuard = nullptr;
    return true;
}

// True when the trace no longer holds all of `view`'s bytes (or cannot tell).
bool Shrunk(int fd, const TraceWindow &view)
{
    struct stat status;
    if (!view.Mapped())
        return false;
    return fstat(fd, &status) != 0 || status.st_size < 0 || static_cast<uint64_t>(status.st_size) < view.End();
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
    const int traceFd = fileno(trace);
    const int workFd = fileno(work);
    const off_t workStart = lseek(workFd, 0, SEEK_CUR);
    BusErrorCatch catcher;
    if (!catcher.Installed())
        return CopyEvents(trace, work, length, block, blockSize, maxData, onEvent);
    // The window being walked, and the next one, mapped while the writes
    // from the first go on.
    TraceWindow windows[2] = {TraceWindow(traceFd), TraceWindow(traceFd)};
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
    uint64_t kept = 0;       // the work file holds the trace as it is now up to here, an event's start,
    uint64_t keptPrevious = 0;   // whose predecessor's header is here

    // The trace was cut short under the mapping: what the work file got from
    // the current window goes, and the block copy takes over where it began.
    auto recover = [&]() {
        out.Drain();
        windows[0].Unmap();
        windows[1].Unmap();
        if (workStart < 0) {   // nothing to take back
            onEvent();
            return CopyResult::DataRead;
        }
        const off_t at = workStart + static_cast<off_t>(kept);
        if (ftruncate(workFd, at) != 0 || fseeko(work, at, SEEK_SET) != 0) {
            onEvent();
            return CopyResult::DataWrite;
        }
        if (fseeko(trace, static_cast<off_t>(kept), SEEK_SET) != 0) {
            onEvent();
            return CopyResult::HeaderRead;
        }
        return CopyEventsFrom(trace, work, length, block, blockSize, maxData, onEvent, kept, keptPrevious);
    };
    // The walk's `result` once all that was gathered is written (`failure`
    // where that fails), unless the trace was cut short under it.
    auto finish = [&](bool written, CopyResult result, CopyResult failure) {
        written = out.Drain() && written;
        if (out.Faulted() || Shrunk(traceFd, windows[current]))
            return recover();
        return settle(written) ? result : failure;
    };

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
                bool written = out.Drain();
                if (out.Faulted() || Shrunk(traceFd, view)) {
                    windows[1 - current].Unmap();
                    return recover();
                }
                if (!written) {
                    settle(false);
                    onEvent();
                    return CopyResult::DataWrite;
                }
                kept = position;
                keptPrevious = previous;
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
            return finish(true, CopyResult::Done, CopyResult::DataWrite);
        if (length - position < EventHeaderSize)
            return finish(true, CopyResult::HeaderRead, CopyResult::DataWrite);
        const uint8_t *header = view.At(position);
        // Each header says where the next one is: fetch ahead of the walk so
        // that it does not wait for memory at every event.
        if (ahead < position)
            ahead = position;
        for (uint64_t end = view.End(); ahead < position + PrefetchDistance && ahead < end; ahead += 64)
            __builtin_prefetch(view.At(ahead));
        uint32_t traced = 0;
        if (!ReadTracedSize(header, traced))
            return recover();
        const uint64_t dataStart = position + EventHeaderSize;
        if (!out.AddLink(static_cast<uint32_t>(previous)))   // traces stay below 4 GiB
            return finish(false, CopyResult::DataWrite, CopyResult::DataWrite);
        previous = position;
        if (traced > maxData || length - dataStart < traced)
            return finish(out.Add(header + 4, EventHeaderSize - 4),
                          traced > maxData ? CopyResult::DataTooLarge : CopyResult::DataRead, CopyResult::HeaderWrite);
        if (!out.Add(header + 4, EventHeaderSize - 4 + traced))
            return finish(false, CopyResult::DataWrite, CopyResult::DataWrite);
        position = dataStart + traced;
    }
}
