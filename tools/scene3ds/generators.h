// Scene generators: deterministic for a given kind, seed and size, so that tests and
// benchmarks can name a scene instead of shipping it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene3ds/scene_builder.h"

namespace norvane::scene3ds {

// The largest size of the kinds that spread their faces over many meshes.
inline constexpr std::uint32_t maxGeneratedFaces = 1000000;

struct SceneKindInfo {
    const char* name;
    const char* description;    // one line, for help texts
    std::uint32_t defaultFaces; // the size when none is given
    std::uint32_t maxFaces;     // the largest size the kind can make
};

// The kinds in the order they are listed: box, arena, terrain, soup, city, rock, level
const std::vector<std::string>& sceneKinds();
bool isSceneKind(const std::string& kind);
// What the generators know of a kind; throws std::invalid_argument for a name not in sceneKinds().
const SceneKindInfo& sceneKindInfo(const std::string& kind);

// The scene of a kind. `faces` is a target, not an exact count (0: the kind's default); throws
// std::invalid_argument for an unknown kind or a target above its maxFaces.
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
