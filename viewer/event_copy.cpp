#include "event_copy.h"

#include "event_header.h"

#include <cstring>

namespace {

// A window of the trace in the block buffer. Bytes before `written_` are
// in the work file; the block holds trace bytes [start_, start_ + fill_).
class EventStream {
public:
    EventStream(FILE *in, FILE *out, uint64_t length, uint8_t *block, std::size_t capacity, uint64_t start)
        : in_(in), out_(out), length_(length), block_(block), capacity_(capacity), start_(start), written_(start)
    {
    }

    // Writes every byte before `end` to the work file, reading the trace on
    // as far as needed.
    bool WriteThrough(uint64_t end)
    {
        while (written_ < end) {
            uint64_t blockEnd = start_ + fill_;
            uint64_t stop = end < blockEnd ? end : blockEnd;
            if (stop > written_) {
                if (!Write(written_, stop))
                    return false;
                continue;
            }
            // The block is written out: read the next one.
            start_ = written_;
            fill_ = 0;
            if (!Fill())
                return false;
        }
        return true;
    }

    // The `count` bytes at `offset` (at or after everything written, and not
    // before the block), in the block; nullptr on a read or write failure.
    uint8_t *Reach(uint64_t offset, std::size_t count)
    {
        // Bytes before `offset` stay in the block, unwritten, as long as the
        // block holds what is asked for: the work file gets whole blocks.
        if (offset + count <= start_ + fill_)
            return block_ + (offset - start_);
        if (!WriteThrough(offset))
            return nullptr;
        if (offset + count > start_ + fill_) {
            // Keep what is left of the block from `offset` on, then fill up.
            std::size_t keep = static_cast<std::size_t>(start_ + fill_ - offset);
            std::memmove(block_, block_ + (offset - start_), keep);
            start_ = offset;
            fill_ = keep;
            while (offset + count > start_ + fill_) {
                if (!Fill())
                    return nullptr;
            }
        }
        return block_ + (offset - start_);
    }

    bool WriteFailed() const { return writeFailed_; }
    uint64_t Written() const { return written_; }

private:
    bool Write(uint64_t from, uint64_t to)
    {
        std::size_t count = static_cast<std::size_t>(to - from);
        if (std::fwrite(block_ + (from - start_), 1, count, out_) != count) {
            writeFailed_ = true;
            return false;
        }
        written_ = to;
        return true;
    }

    // Reads more of the trace after the block's bytes; false when nothing
    // more comes (the copy never reads past `length`).
    bool Fill()
    {
        uint64_t at = start_ + fill_;
        uint64_t left = length_ > at ? length_ - at : 0;
        std::size_t room = capacity_ - fill_;
        std::size_t want = left < room ? static_cast<std::size_t>(left) : room;
        if (want == 0)
            return false;
        std::size_t got = std::fread(block_ + fill_, 1, want, in_);
        fill_ += got;
        return got > 0;
    }

    FILE *in_;
    FILE *out_;
    uint64_t length_;
    uint8_t *block_;
    std::size_t capacity_;
    uint64_t start_;
    std::size_t fill_ = 0;
    uint64_t written_;
    bool writeFailed_ = false;
};

uint32_t Le32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

CopyResult CopyEvents(FILE *trace, FILE *work, uint64_t length, uint8_t *block, std::size_t blockSize,
                      uint32_t maxData, void (*onEvent)())
{
    return CopyEventsFrom(trace, work, length, block, blockSize, maxData, onEvent, 0, 0);
}

CopyResult CopyEventsFrom(FILE *trace, FILE *work, uint64_t length, uint8_t *block, std::size_t blockSize,
                          uint32_t maxData, void (*onEvent)(), uint64_t position, uint64_t previous)
{
    // `position`: of the next event in both files; `previous`: the header
    // offset of the event before it.
    EventStream stream(trace, work, length, block, blockSize, position);
    for (;;) {
        onEvent();
        if (length <= position)
            return stream.WriteThrough(length) ? CopyResult::Done
                   : stream.WriteFailed()     ? CopyResult::DataWrite
                                              : CopyResult::DataRead;
        if (length - position < EventHeaderSize)
            return stream.WriteThrough(position) || !stream.WriteFailed() ? CopyResult::HeaderRead
                                                                          : CopyResult::DataWrite;
        uint8_t *header = stream.Reach(position, EventHeaderSize);
        if (!header) {
            if (stream.WriteFailed())
                return CopyResult::DataWrite;
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
                return CopyResult::HeaderWrite;
            return traced > maxData ? CopyResult::DataTooLarge : CopyResult::DataRead;
        }
        position = dataStart + traced;
    }
}
