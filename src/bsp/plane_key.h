// A plane's exact bits as a key: planes with the same key classify every point alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/hash_table.h"
#include "math/float_math.h"
#include "norvane/scene.h"

namespace norvane {

struct PlaneKey {
    std::uint32_t bits[4];
    bool operator==(const PlaneKey&) const = default;
};

inline PlaneKey planeKey(const Plane& p) {
    return PlaneKey{{floatBits(p.a), floatBits(p.b), floatBits(p.c), floatBits(p.d)}};
}

struct PlaneKeyHasher {
    std::uint64_t operator()(const PlaneKey& k) const { return hashWords(k.bits, 4); }
};

// Numbers equal keys densely in order of first appearance: id[i] for keys[i]. Returns how many
// distinct keys there are.
inline std::size_t numberKeys(const std::vector<PlaneKey>& keys, std::vector<std::int32_t>& id) {
    const std::vector<std::uint32_t> first = firstOccurrences(keys, PlaneKeyHasher{});
    id.resize(keys.size());
    std::int32_t count = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) id[i] = first[i] == i ? count++ : id[first[i]];
    return static_cast<std::size_t>(count);
}

} // namespace norvane
