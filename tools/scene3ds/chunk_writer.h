// Little-endian 3DS chunk writer: the one module that writes 3DS files, used by the scene
// generator and by the tests. Chunks nest: begin() opens a chunk and end() patches its length.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::scene3ds {

class ChunkWriter {
public:
    // Opens a chunk with the given id; its 4-byte length is filled in by the matching end().
    void begin(std::uint16_t id);
    // Closes the innermost open chunk and writes its length (header included).
    void end();
    // Writes a chunk header with an explicit length, for deliberately broken files.
    void header(std::uint16_t id, std::uint32_t length);

    void u8(std::uint8_t v);
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void f32(float v);
    void f32s(std::initializer_list<float> vs);
    // Writes the characters of the name followed by a NUL byte.
    void name(std::string_view s);
    void raw(const void* data, std::size_t size);

    // A whole chunk whose data is a single value or name.
    void chunkU16(std::uint16_t id, std::uint16_t v);
    void chunkF32(std::uint16_t id, float v);
    void chunkName(std::uint16_t id, std::string_view s);
    void chunkEmpty(std::uint16_t id);

    std::size_t size() const { return data_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return data_; }
    std::vector<std::uint8_t>& bytes() { return data_; }

private:
    std::vector<std::uint8_t> data_;
    std::vector<std::size_t> open_;
};

// Writes bytes to a file; returns false when the file cannot be written completely.
bool writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace norvane::scene3ds
