// A small random generator of the tests' own: the standard distributions differ between
// libraries, and a test's scene must be the same everywhere.
#pragma once

#include <cstdint>

namespace norvane::test {

struct Bits {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) * 0x1p-53 * 2 - 1; } // [-1, 1)
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
};

} // namespace norvane::test
