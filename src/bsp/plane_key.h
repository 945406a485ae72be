// A plane's exact bits as a key: planes with the same key classify every point alike.
#pragma once

#include <cstddef>
#include <cstdint>

#include "math/float_math.h"
#include "scene/scene.h"

namespace norvane {

struct PlaneKey {
    std::uint32_t bits[4];
    bool operator==(const PlaneKey&) const = default;
};

inline PlaneKey planeKey(const Plane& p) {
    return PlaneKey{{floatBits(p.a), floatBits(p.b), floatBits(p.c), floatBits(p.d)}};
}

struct PlaneKeyHash {
    std::size_t operator()(const PlaneKey& k) const {
        std::uint64_t h = 0;
        for (std::uint32_t b : k.bits) h = (h ^ b) * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};

} // namespace norvane
