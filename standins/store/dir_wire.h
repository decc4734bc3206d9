// Bounds-checked writing and reading of the bytes inside a library buffer.
// Everything is little-endian; a name travels as a 16-bit length and its bytes.
#ifndef RAX_STANDINS_DIR_WIRE_H
#define RAX_STANDINS_DIR_WIRE_H

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace dirstore {

class WireWriter {
public:
    WireWriter(std::vector<uint8_t> &out, size_t capacity) : out_(out), capacity_(capacity) {}

    bool Fits(size_t n) const { return out_.size() <= capacity_ && n <= capacity_ - out_.size(); }
    size_t Size() const { return out_.size(); }
    void Truncate(size_t size) { out_.resize(size); }

    bool U8(uint8_t v) { return Raw(&v, 1); }
    bool U16(uint16_t v)
    {
        uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
        return Raw(b, 2);
    }
    bool U32(uint32_t v)
    {
        uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
        return Raw(b, 4);
    }
    bool Name(std::string_view name)
    {
        return Fits(2 + name.size()) && U16(static_cast<uint16_t>(name.size())) &&
               Raw(reinterpret_cast<const uint8_t *>(name.data()), name.size());
    }
    bool Block(const uint8_t *data, size_t size)
    {
        return Fits(4 + size) && U32(static_cast<uint32_t>(size)) && Raw(data, size);
    }
    bool Raw(const uint8_t *data, size_t n)
    {
        if (!Fits(n))
            return false;
        out_.insert(out_.end(), data, data + n);
        return true;
    }
    void PatchU32(size_t at, uint32_t v)
    {
        for (size_t i = 0; i < 4 && at + i < out_.size(); ++i)
            out_[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }

private:
    std::vector<uint8_t> &out_;
    size_t capacity_;
};

class WireReader {
public:
    WireReader(const std::vector<uint8_t> &in, size_t &cursor) : in_(in), pos_(cursor) {}

    bool AtEnd() const { return pos_ >= in_.size(); }
    bool U8(uint8_t &v)
    {
        if (!Has(1))
            return false;
        v = in_[pos_++];
        return true;
    }
    bool U16(uint16_t &v)
    {
        if (!Has(2))
            return false;
        v = static_cast<uint16_t>(in_[pos_] | (in_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool U32(uint32_t &v)
    {
        if (!Has(4))
            return false;
        v = 0;
        for (size_t i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(in_[pos_ + i]) << (8 * i);
        pos_ += 4;
        return true;
    }
    bool Name(std::string &name)
    {
        uint16_t n = 0;
        if (!U16(n) || !Has(n))
            return false;
        name.assign(reinterpret_cast<const char *>(in_.data() + pos_), n);
        pos_ += n;
        return true;
    }
    bool Block(std::vector<uint8_t> &bytes)
    {
        uint32_t n = 0;
        if (!U32(n) || !Has(n))
            return false;
        bytes.assign(in_.begin() + static_cast<std::ptrdiff_t>(pos_),
                     in_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
        pos_ += n;
        return true;
    }
    // The size of the block at the cursor, without moving.
    bool PeekBlockSize(uint32_t &n) const
    {
        if (!Has(4))
            return false;
        n = 0;
        for (size_t i = 0; i < 4; ++i)
            n |= static_cast<uint32_t>(in_[pos_ + i]) << (8 * i);
        return Has(4 + static_cast<size_t>(n));
    }

private:
    bool Has(size_t n) const { return pos_ <= in_.size() && n <= in_.size() - pos_; }

    const std::vector<uint8_t> &in_;
    size_t &pos_;
};

}  // namespace dirstore

#endif
