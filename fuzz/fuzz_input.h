// What the fuzz targets that take a tree read from their input: eight bytes of options, then a
// tree file's bytes, so that one input picks both what to draw and how.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include <norvane/tree_file.h>

namespace norvane::fuzz {

struct TreeInput {
    std::array<std::uint8_t, 8> options{};
    std::span<const std::uint8_t> tree;
};

// Shorter inputs are all options, the rest zeros.
TreeInput splitTreeInput(const std::uint8_t* data, std::size_t size);

// The tree, read and checked as every tool does before it draws or exports one.
bool readCheckedTree(std::span<const std::uint8_t> bytes, TreeFile& file);

// Stops the run with a message when a condition the target holds fails.
void require(bool condition, const char* what);

} // namespace norvane::fuzz
