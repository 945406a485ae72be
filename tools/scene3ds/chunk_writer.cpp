#include "scene3ds/chunk_writer.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace norvane::scene3ds {

void ChunkWriter::begin(std::uint16_t id) {
    open_.push_back(data_.size());
    u16(id);
    u32(0);
}

void ChunkWriter::end() {
    if (open_.empty()) throw std::logic_error("ChunkWriter::end without begin");
    const std::size_t start = open_.back();
    open_.pop_back();
    const auto length = static_cast<std::uint32_t>(data_.size() - start);
    for (int i = 0; i < 4; ++i) data_[start + 2 + i] = static_cast<std::uint8_t>(length >> (8 * i));
}

void ChunkWriter::header(std::uint16_t id, std::uint32_t length) {
    u16(id);
    u32(length);
}

void ChunkWriter::u8(std::uint8_t v) { data_.push_back(v); }

void ChunkWriter::u16(std::uint16_t v) {
    data_.push_back(static_cast<std::uint8_t>(v));
    data_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ChunkWriter::u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) data_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ChunkWriter::f32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    u32(bits);
}

void ChunkWriter::f32s(std::initializer_list<float> vs) {
    for (float v : vs) f32(v);
}

void ChunkWriter::name(std::string_view s) {
    raw(s.data(), s.size());
    u8(0);
}

void ChunkWriter::raw(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    data_.insert(data_.end(), p, p + size);
}

void ChunkWriter::chunkU16(std::uint16_t id, std::uint16_t v) {
    begin(id);
    u16(v);
    end();
}

void ChunkWriter::chunkF32(std::uint16_t id, float v) {
    begin(id);
    f32(v);
    end();
}

void ChunkWriter::chunkName(std::uint16_t id, std::string_view s) {
    begin(id);
    name(s);
    end();
}

void ChunkWriter::chunkEmpty(std::uint16_t id) {
    begin(id);
    end();
}

bool writeFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return (std::fclose(f) == 0) && ok;
}

} // namespace norvane::scene3ds
