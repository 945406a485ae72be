// A bounds-checked cursor over the bytes of a file held in memory. Every read compares its
// length with what remains and fails instead of reading past the end; a seek may move anywhere
// (also past the end), as a file stream's seek may, but nothing is ever read from there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace norvane {

class ByteCursor {
public:
    ByteCursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::int64_t position() const { return pos_; }
    std::int64_t size() const { return static_cast<std::int64_t>(size_); }
    void seek(std::int64_t position) { pos_ = position; }
    // Bytes left between the position and the end of the data (0 when beyond it).
    std::int64_t remaining() const { return pos_ < size() ? size() - pos_ : 0; }

    // Each read returns false, and moves nothing, when the bytes are not all inside the data.
    bool read(void* out, std::size_t n) {
        if (pos_ < 0 || static_cast<std::uint64_t>(remaining()) < n) return false;
        std::memcpy(out, data_ + pos_, n);
        pos_ += static_cast<std::int64_t>(n);
        bytesRead_ += n;
        return true;
    }
    bool skip(std::int64_t n) {
        if (pos_ < 0 || remaining() < n) return false;
        pos_ += n;
        return true;
    }
    bool u16(std::uint16_t& v) {
        std::uint8_t b[2];
        if (!read(b, 2)) return false;
        v = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
        return true;
    }
    bool u32(std::uint32_t& v) {
        std::uint8_t b[4];
        if (!read(b, 4)) return false;
        v = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
            (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
        return true;
    }
    bool f32(float& v) {
        std::uint32_t bits;
        if (!u32(bits)) return false;
        std::memcpy(&v, &bits, 4);
        return true;
    }
    // One character as an unsigned byte, or -1 at the end of the data (like a stream's getc).
    int getc() {
        if (pos_ < 0 || pos_ >= size()) return -1;
        ++bytesRead_;
        return data_[pos_++];
    }

    // Bytes delivered by read() and getc() so far; skipped bytes cost nothing and count not.
    std::uint64_t bytesRead() const { return bytesRead_; }

private:
    std::uint64_t bytesRead_ = 0;
    const std::uint8_t* data_;
    std::size_t size_;
    std::int64_t pos_ = 0;
};

} // namespace norvane
