// Little-endian reads from bytes held in memory, for the tree file's reader. Every read is
// preceded by a bounds check of the caller's (has); the reads themselves only assert it.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstring>
#include <span>

namespace norvane {

struct ByteReader {
    std::span<const std::uint8_t> bytes;
    std::uint64_t pos = 0;

    bool has(std::uint64_t n) const { return pos <= bytes.size() && bytes.size() - pos >= n; }
    std::uint32_t uint(std::uint32_t width) { // 2 or 4 bytes
        assert(has(width));
        std::uint32_t v = 0;
        for (std::uint32_t i = 0; i < width; ++i) v |= static_cast<std::uint32_t>(bytes[pos + i]) << (8 * i);
        pos += width;
        return v;
    }
    std::uint16_t u16() { return static_cast<std::uint16_t>(uint(2)); }
    float f32() {
        const std::uint32_t bits = uint(4);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
};

} // namespace norvane
