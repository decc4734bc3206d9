#include "event_copy.h"

#include "event_header.h"

#include <cstring>

namespace {

uint32_t Le32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// A stretch of the trace in the block buffer: trace bytes [start_, start_ +
// fill_), of which those before `written_` are in the work file and all
// before `start_` too. The block is read and written whole as far as the
// events allow, so the work file gets one write per block read; large
// blocks end on page boundaries of both files.
class EventStream {
public:
    EventStream(FILE *in, FILE *out, uint64_t length, uint8_t *block, std::size_t capacity)
        : in_(in), out_(out), length_(length), block_(block), capacity_(capacity)
    {
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
        if (firstHeader_ < start_)
            firstHeader_ = offset;
        return block_ + (offset - start_);
    }

    bool WriteFailed() const { return writeFailed_; }
    uint64_t Written() const { return written_; }

    // After a failed write: true when the first byte that did not reach the
    // work file belongs to an event header, false when it is event data.
    bool FailedInHeader() const
    {
        const uint64_t end = start_ + fill_;
        for (uint64_t header = firstHeader_; header >= start_ && header <= failedAt_;) {
            if (failedAt_ - header < EventHeaderSize || end - header < EventHeaderSize)
                return true;
            header += EventHeaderSize + Le32(block_ + (header - start_) + 28);
        }
        return false;
    }

private:
    static constexpr std::size_t PageAlignedFrom = 65536;   // blocks this large end on pages
    static constexpr std::size_t Page = 4096;

    // Writes the block's bytes from `written_` up to `to`.
    bool Write(uint64_t to)
    {
        const std::size_t count = static_cast<std::size_t>(to - written_);
        const std::size_t done = count == 0 ? 0 : std::fwrite(block_ + (written_ - start_), 1, count, out_);
        if (done != count) {
            writeFailed_ = true;
            failedAt_ = written_ + done;
            written_ += done;
            return false;
        }
        written_ = to;
        return true;
    }

    // Starts the block at `at` (written up to there), keeping the bytes it
    // already holds from there on, and reads the trace on, never past
    // `length_`; false when nothing more comes.
    bool Load(uint64_t at)
    {
        const std::size_t keep = static_cast<std::size_t>(start_ + fill_ - at);
        if (keep > 0 && at != start_)
            std::memmove(block_, block_ + (at - start_), keep);
        start_ = at;
        fill_ = keep;
        uint64_t end = at + capacity_;
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
    FILE *out_;
    uint64_t length_;
    uint8_t *block_;
    std::size_t capacity_;
    uint64_t start_ = 0;
    std::size_t fill_ = 0;
    uint64_t written_ = 0;
    uint64_t firstHeader_ = 0;   // the first header reached in the block, when not before start_
    uint64_t failedAt_ = 0;
    bool writeFailed_ = false;
};

}  // namespace

CopyResult CopyEvents(FILE *trace, FILE *work, uint64_t length, uint8_t *block, std::size_t blockSize,
                      uint32_t maxData, void (*onEvent)())
{
    uint64_t position = 0;   // of the next event in both files
    uint64_t previous = 0;   // header offset of the event before it
    EventStream stream(trace, work, length, block, blockSize);
    auto writeFailure = [&stream] {
        return stream.FailedInHeader() ? CopyResult::HeaderWrite : CopyResult::DataWrite;
    };
    for (;;) {
        onEvent();
        if (length <= position)
            return stream.WriteThrough(length) ? CopyResult::Done
                   : stream.WriteFailed()     ? writeFailure()
                                              : CopyResult::DataRead;
        if (length - position < EventHeaderSize)
            return stream.WriteThrough(position) || !stream.WriteFailed() ? CopyResult::HeaderRead : writeFailure();
        uint8_t *header = stream.ReachHeader(position, EventHeaderSize);
        if (!header) {
            if (stream.WriteFailed())
                return writeFailure();
            return stream.Written() < position ? CopyResult::DataRead : CopyResult::HeaderRead;
        }
        const uint32_t link = static_cast<uint32_t>(previous);   // traces stay below 4 GiB
        header[0] = static_cast<uint8_t>(link);
        header[1] = static_cast<uint8_t>(link >> 8);
        header[2] = static_cast<uint8_t>(link >> 16);
        header[3] = static_cast<uint8_t>(link >> 24);
        previous = position;
        const uint32_t traced = Le32(header + 28);
        const uint64_t dataStart = position + EventHeaderSize;
        if (traced > maxData || length - dataStart < traced) {
            if (!stream.WriteThrough(dataStart))
                return writeFailure();
            return traced > maxData ? CopyResult::DataTooLarge : CopyResult::DataRead;
        }
        position = dataStart + traced;
    }
}
