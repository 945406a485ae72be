// Tree files written byte by byte, for tests that need files the compiler never writes.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace norvane::test {

// Little-endian tree file bytes, written field by field.
struct TreeBytes {
    std::vector<std::uint8_t> bytes;
    void u16(std::uint16_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void f32(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
    void header(std::uint16_t vertices, std::uint16_t faces, std::uint16_t materials) {
        bytes.insert(bytes.end(), {'B', 'S', 'P'});
        for (std::uint16_t v : {std::uint16_t{50}, vertices, faces, materials}) u16(v);
    }
    void material(const std::string& name) {
        std::vector<std::uint8_t> slot(256, 0);
        std::memcpy(slot.data(), name.data(), name.size());
        bytes.insert(bytes.end(), slot.begin(), slot.end());
    }
    void floats(std::initializer_list<float> values) {
        for (float f : values) f32(f);
    }
    void node(std::uint16_t flags, std::initializer_list<float> plane, std::uint16_t faces) {
        u16(flags);
        floats(plane);
        u16(faces);
    }
    void face(std::uint16_t v0, std::uint16_t v1, std::uint16_t v2, std::uint16_t id, std::uint16_t material,
              std::initializer_list<float> plane) {
        for (std::uint16_t v : {v0, v1, v2, id, material}) u16(v);
        floats(plane);
    }
};

} // namespace norvane::test
