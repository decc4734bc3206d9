#include "event_copy.h"

#include "event_header.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

uint32_t Le32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// Writes the stretches of the block buffer handed to it, in order, on a
// thread of its own, while the next part of the trace is read and linked.
// The buffer is cut into slots; a slot is not read into again before what
// was handed over from it is written. The first failed write stops all
// writing; the slot it came from is then kept as it is, for the report.
// Where no thread can be started, each stretch is written when handed over.
class BlockWriter {
public:
    static constexpr int MaxSlots = 8;

    explicit BlockWriter(FILE *out) : out_(out)
    {
        try {
            thread_ = std::thread([this] { Run(); });
        } catch (const std::system_error &) {
        }
    }
    ~BlockWriter() { Finish(); }
    BlockWriter(const BlockWriter &) = delete;
    BlockWriter &operator=(const BlockWriter &) = delete;

    // Hands over `count` bytes at `data`, from `slot`, that belong at `from` in the work file.
    void Submit(int slot, const uint8_t *data, std::size_t count, uint64_t from)
    {
        if (!thread_.joinable()) {
            Written(Chunk{slot, data, count, from}, std::fwrite(data, 1, count, out_));
            return;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        ++outstanding_[slot];
        queue_[(head_ + queued_) % MaxQueue] = Chunk{slot, data, count, from};
        ++queued_;
        submitted_.notify_one();
    }

    // Makes sure everything handed over from `slot` is written; false when a
    // write failed. When it is not, waits until `through`, a slot filled
    // after it, is written too (slots are written in the order they were
    // filled): the fewer turns the reader waits, the fewer times the writer
    // stops to wake it.
    bool WaitForSlot(int slot, int through)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (outstanding_[slot] != 0 && !failed_) {
            awaited_ = through;
            freed_.wait(lock, [&] { return outstanding_[through] == 0 || failed_; });
            awaited_ = -1;
        }
        return !failed_;
    }

    // Waits until everything handed over is written.
    void Finish()
    {
        if (!thread_.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finishing_ = true;
            submitted_.notify_one();
        }
        thread_.join();
    }

    bool Failed()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return failed_;
    }
    // After a failure: the slot of the failed write and the first byte that
    // did not reach the work file.
    int FailedSlot() const { return failedSlot_; }
    uint64_t FailedAt() const { return failedAt_; }

private:
    struct Chunk {
        int slot;
        const uint8_t *data;
        std::size_t count;
        uint64_t from;
    };
    static constexpr int MaxQueue = 2 * MaxSlots;   // at most one stretch a slot, and the last one

    void Run()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            submitted_.wait(lock, [&] { return queued_ > 0 || finishing_; });
            if (queued_ == 0)
                return;
            const Chunk chunk = queue_[head_];
            const bool skip = failed_;
            lock.unlock();
            const std::size_t done = skip ? 0 : std::fwrite(chunk.data, 1, chunk.count, out_);
            lock.lock();
            head_ = (head_ + 1) % MaxQueue;
            --queued_;
            if (!skip)
                Written(chunk, done);
            else
                --outstanding_[chunk.slot];
            // Wake the reader only for what it waits for: a wake-up per
            // write costs the writer a system call and the reader a turn.
            if (awaited_ >= 0 && (outstanding_[awaited_] == 0 || failed_))
                freed_.notify_one();
        }
    }

    // Notes a write of `done` bytes of `chunk` (under the lock, when there is a thread).
    void Written(const Chunk &chunk, std::size_t done)
    {
        if (done != chunk.count && !failed_) {
            failed_ = true;
            failedSlot_ = chunk.slot;
            failedAt_ = chunk.from + done;
            return;   // the slot stays taken
        }
        --outstanding_[chunk.slot];
    }

    FILE *out_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable submitted_;   // the writer waits on it
    std::condition_variable freed_;       // the reader waits on it
    Chunk queue_[MaxQueue]{};
    int head_ = 0;
    int queued_ = 0;
    int outstanding_[MaxSlots]{};
    int awaited_ = -1;
    bool finishing_ = false;
    bool failed_ = false;
    int failedSlot_ = 0;
    uint64_t failedAt_ = 0;
};

// A stretch of the trace in one slot of the block buffer: trace bytes
// [start_, start_ + fill_), of which those before `written_` are handed to
// the writer and all before `start_` too. A slot is read and written whole
// as far as the events allow, so the work file gets one write per read;
// large slots end on page boundaries of both files.
class EventStream {
public:
    EventStream(FILE *in, FILE *out, uint64_t length, uint8_t *block, std::size_t size)
        : in_(in), writer_(out), length_(length), buffer_(block)
    {
        slots_ = static_cast<int>(size / MinSlot);
        if (slots_ > BlockWriter::MaxSlots)
            slots_ = BlockWriter::MaxSlots;
        if (slots_ < 1)
            slots_ = 1;
        capacity_ = size / static_cast<std::size_t>(slots_);
        block_ = buffer_;
    }

    // Waits for the writer; true when every byte handed to it is in the work file.
    bool Finish()
    {
        writer_.Finish();
        return !writer_.Failed();
    }

    // Writes every byte before `end` to the work file, reading the trace on
    // as far as needed.
    bool WriteThrough(uint64_t end)
    {
        for (;;) {
            const uint64_t have = start_ + fill_;
            if (end <= have)
                return Write(end);
            if (!Write(have) || !Load(have))
                return false;
        }
    }

    // The header of `count` bytes at `offset` (at or after everything
    // written), in the block; nullptr on a write failure or when the trace
    // ends before it (all that could be read before `offset` is then in the
    // work file). Every byte before the header is final: the block may be
    // written up to it.
    uint8_t *ReachHeader(uint64_t offset, std::size_t count)
    {
        for (;;) {
            const uint64_t have = start_ + fill_;
            if (offset + count <= have)
                break;
            const uint64_t keep = offset < have ? offset : have;
            if (!Write(keep) || !Load(keep))
                return nullptr;
        }
        if (firstHeader_ == NoHeader)
            firstHeader_ = offset;
        return block_ + (offset - start_);
    }

    uint64_t Written() const { return written_; }

    // After a failed write: true when the first byte that did not reach the
    // work file belongs to an event header, false when it is event data.
    bool FailedInHeader() const
    {
        const Slot &slot = slot_[writer_.FailedSlot()];
        const uint8_t *base = SlotBytes(writer_.FailedSlot());
        const uint64_t failedAt = writer_.FailedAt();
        const uint64_t end = slot.start + slot.fill;
        for (uint64_t header = slot.firstHeader; header <= failedAt;) {
            if (failedAt - header < EventHeaderSize || end - header < EventHeaderSize)
                return true;
            header += EventHeaderSize + Le32(base + (header - slot.start) + 28);
        }
        return false;
    }

private:
    static constexpr std::size_t PageAlignedFrom = 65536;   // slots this large end on pages
    static constexpr std::size_t Page = 4096;
    static constexpr std::size_t MinSlot = 2 * EventHeaderSize;
    static constexpr uint64_t NoHeader = UINT64_MAX;

    // What a slot held when the writer was handed a stretch of it.
    struct Slot {
        uint64_t start = 0;
        std::size_t fill = 0;
        uint64_t firstHeader = 0;
    };

    const uint8_t *SlotBytes(int slot) const { return buffer_ + static_cast<std::size_t>(slot) * capacity_; }

    // Hands the slot's bytes from `written_` up to `to` to the writer; false
    // once a write has failed.
    bool Write(uint64_t to)
    {
        const std::size_t count = static_cast<std::size_t>(to - written_);
        if (count > 0) {
            slot_[current_] = Slot{start_, fill_, firstHeader_};
            writer_.Submit(current_, block_ + (written_ - start_), count, written_);
        }
        written_ = to;
        return !writer_.Failed();
    }

    // Starts the next slot at `at` (handed over up to there), with the bytes
    // the current one holds from there on, and reads the trace on, never past
    // `length_`; false when nothing more comes or a write failed. In a large
    // slot each byte keeps its place within a page of the files: the system
    // copies between buffers aligned alike several times faster, and such a
    // slot starts up to a page before `at`, with bytes that are never written.
    bool Load(uint64_t at)
    {
        const std::size_t keep = static_cast<std::size_t>(start_ + fill_ - at);
        const int next = (current_ + 1) % slots_;
        const int ahead = slots_ / 2 > 1 ? slots_ / 2 - 1 : 0;
        if (!writer_.WaitForSlot(next, (next + ahead) % slots_))
            return false;
        const std::size_t lead = capacity_ >= PageAlignedFrom ? static_cast<std::size_t>(at % Page) : 0;
        uint8_t *to = buffer_ + static_cast<std::size_t>(next) * capacity_;
        if (keep > 0 && to + lead != block_ + (at - start_))
            std::memmove(to + lead, block_ + (at - start_), keep);
        block_ = to;
        current_ = next;
        start_ = at - lead;
        fill_ = lead + keep;
        firstHeader_ = NoHeader;
        uint64_t end = start_ + capacity_;
        if (capacity_ >= PageAlignedFrom)
            end -= end % Page;
        if (end > length_)
            end = length_;
        const uint64_t have = start_ + fill_;
        if (end <= have)
            return false;
        const std::size_t got = std::fread(block_ + fill_, 1, static_cast<std::size_t>(end - have), in_);
        fill_ += got;
        return got > 0;
    }

    FILE *in_;
    BlockWriter writer_;
    uint64_t length_;
    uint8_t *buffer_;
    int slots_ = 1;
    std::size_t capacity_ = 0;   // of each slot
    int current_ = 0;
    uint8_t *block_ = nullptr;   // the current slot
    uint64_t start_ = 0;
    std::size_t fill_ = 0;
    uint64_t written_ = 0;
    uint64_t firstHeader_ = NoHeader;   // the first header reached in the slot
    Slot slot_[BlockWriter::MaxSlots];
};

// The copy as the reads see it. A write that failed on the way decides the
// result instead, once the writer is done: every path ends by handing over
// all that it copied.
CopyResult CopyThrough(EventStream &stream, uint64_t length, uint32_t maxData, void (*onEvent)())
{
    uint64_t position = 0;   // of the next event in both files
    uint64_t previous = 0;   // header offset of the event before it
    for (;;) {
        onEvent();
        if (length <= position)
            return stream.WriteThrough(length) ? CopyResult::Done : CopyResult::DataRead;
        if (length - position < EventHeaderSize) {
            stream.WriteThrough(position);
            return CopyResult::HeaderRead;
        }
        uint8_t *header = stream.ReachHeader(position, EventHeaderSize);
        if (!header)
            return stream.Written() < position ? CopyResult::DataRead : CopyResult::HeaderRead;
        const uint32_t link = static_cast<uint32_t>(previous);   // traces stay below 4 GiB
        header[0] = static_cast<uint8_t>(link);
        header[1] = static_cast<uint8_t>(link >> 8);
        header[2] = static_cast<uint8_t>(link >> 16);
        header[3] = static_cast<uint8_t>(link >> 24);
        previous = position;
        const uint32_t traced = Le32(header + 28);
        const uint64_t dataStart = position + EventHeaderSize;
        if (traced > maxData || length - dataStart < traced) {
            stream.WriteThrough(dataStart);
            return traced > maxData ? CopyResult::DataTooLarge : CopyResult::DataRead;
        }
        position = dataStart + traced;
    }
}

}  // namespace

CopyResult CopyEvents(FILE *trace, FILE *work, uint64_t length, uint8_t *block, std::size_t blockSize,
                      uint32_t maxData, void (*onEvent)())
{
    EventStream stream(trace, work, length, block, blockSize);
    const CopyResult result = CopyThrough(stream, length, maxData, onEvent);
    // A failed write comes first: nothing after it was written.
    if (!stream.Finish())
        return stream.FailedInHeader() ? CopyResult::HeaderWrite : CopyResult::DataWrite;
    return result;
}
