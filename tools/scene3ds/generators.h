// Scene generators: deterministic for a given kind, seed and size, so that tests and
// benchmarks can name a scene instead of shipping it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene_builder.h"

namespace norvane::scene3ds {

// The kinds: box, arena, terrain, soup, city, rock, level. `faces` is a target (0: the kind's default).
bool isSceneKind(const std::string& kind);
const std::vector<std::string>& sceneKinds();
ScenePlan generateScene(const std::string& kind, std::uint64_t seed, std::uint32_t faces);

// A small deterministic random source (the standard distributions differ between libraries).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    double unit();                       // [0, 1)
    double range(double lo, double hi);  // [lo, hi)
    int below(int n);                    // [0, n)

private:
    std::uint64_t state_;
};

} // namespace norvane::scene3ds
