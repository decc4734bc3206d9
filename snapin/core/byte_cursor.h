// Bounds-checked reading and writing of little-endian binary values. Every
// directory value the snap-in decodes or builds goes through these two types,
// so no length taken from a stored value can move a read or a write past the
// bytes that are really there.
#ifndef RAX_BYTE_CURSOR_H
#define RAX_BYTE_CURSOR_H

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace rax {

// Reads from [data, data + size). A read that does not fit fails, returns
// false, leaves the destination and the position unchanged and marks the
// reader failed; later reads keep failing, so a decoder may check once.
class ByteReader {
public:
    ByteReader(const void *data, std::size_t size)
        : data_(static_cast<const uint8_t *>(data)), size_(data ? size : 0) {}

    std::size_t Position() const { return pos_; }
    std::size_t Size() const { return size_; }
    std::size_t Remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ == size_; }
    bool Failed() const { return failed_; }
    // The bytes from the current position on (valid for Remaining() bytes).
    const uint8_t *Here() const { return data_ + pos_; }

    bool CanRead(std::size_t n) const { return !failed_ && n <= size_ - pos_; }

    bool Skip(std::size_t n)
    {
        if (!Check(n))
            return false;
        pos_ += n;
        return true;
    }

    bool ReadBytes(void *destination, std::size_t n)
    {
        if (!Check(n))
            return false;
        if (n != 0)
            std::memcpy(destination, data_ + pos_, n);
        pos_ += n;
        return true;
    }

    bool ReadU8(uint8_t &value) { return ReadLittleEndian(value); }
    bool ReadU16(uint16_t &value) { return ReadLittleEndian(value); }
    bool ReadU32(uint32_t &value) { return ReadLittleEndian(value); }

    bool ReadI32(int32_t &value)
    {
        uint32_t raw = 0;
        if (!ReadU32(raw))
            return false;
        value = static_cast<int32_t>(raw);
        return true;
    }

private:
    bool Check(std::size_t n)
    {
        if (!CanRead(n)) {
            failed_ = true;
            return false;
        }
        return true;
    }

    template <class T> bool ReadLittleEndian(T &value)
    {
        if (!Check(sizeof(T)))
            return false;
        T result = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            result = static_cast<T>(result | (static_cast<T>(data_[pos_ + i]) << (8 * i)));
        pos_ += sizeof(T);
        value = result;
        return true;
    }

    const uint8_t *data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// Writes into [data, data + capacity). A write that does not fit fails,
// writes nothing and marks the writer failed.
class ByteWriter {
public:
    ByteWriter(void *data, std::size_t capacity)
        : data_(static_cast<uint8_t *>(data)), capacity_(data ? capacity : 0) {}

    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return capacity_ - pos_; }
    bool Failed() const { return failed_; }

    bool WriteBytes(const void *source, std::size_t n)
    {
        if (!Check(n))
            return false;
        if (n != 0)
            std::memcpy(data_ + pos_, source, n);
        pos_ += n;
        return true;
    }

    bool WriteU8(uint8_t value) { return WriteLittleEndian(value); }
    bool WriteU16(uint16_t value) { return WriteLittleEndian(value); }
    bool WriteU32(uint32_t value) { return WriteLittleEndian(value); }
    bool WriteI32(int32_t value) { return WriteU32(static_cast<uint32_t>(value)); }

private:
    bool Check(std::size_t n)
    {
        if (failed_ || n > capacity_ - pos_) {
            failed_ = true;
            return false;
        }
        return true;
    }

    template <class T> bool WriteLittleEndian(T value)
    {
        if (!Check(sizeof(T)))
            return false;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            data_[pos_ + i] = static_cast<uint8_t>(value >> (8 * i));
        pos_ += sizeof(T);
        return true;
    }

    uint8_t *data_;
    std::size_t capacity_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

} // namespace rax

#endif
