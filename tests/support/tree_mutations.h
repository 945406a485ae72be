// Tree files broken on purpose, from fixed seeds: the ways a hostile or damaged tree differs
// from one the compiler wrote, aimed at the places of a real file's records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace norvane::test {

struct Mutant {
    std::string name; // kind and number, e.g. "plane-nan-12"
    std::vector<std::uint8_t> bytes;
};

// `count` mutants of a tree file that reads (its bytes), every kind in turn: non-finite and huge
// values in planes and vertices, flags, face counts, header counts, indices out of range,
// truncations, flipped bytes, and node records inserted or duplicated at record boundaries.
std::vector<Mutant> mutantsOf(const std::vector<std::uint8_t>& tree, std::size_t count, std::uint64_t seed);

} // namespace norvane::test
