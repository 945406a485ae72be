// What the scene generators share: points rounded into the file's floats, mapping coordinates,
// smooth noise and turns that are the same on every platform. Only the generators include it.
#pragma once

#include <array>
#include <cstdint>

#include "scene3ds/generators.h"
#include "scene3ds/scene_builder.h"

namespace norvane::scene3ds {

inline float f(double v) { return static_cast<float>(v); }
inline Point pt(double x, double y, double z) { return {f(x), f(y), f(z)}; }

using Vec = std::array<double, 3>;
inline Point towardsOf(const Vec& v) { return pt(v[0], v[1], v[2]); }

// Mapping coordinates from the position, so every vertex has some.
void planarUvs(MeshPlan& m, double scale);

// Smooth value noise on an integer lattice, hashed from the seed.
class Noise {
  public:
    explicit Noise(std::uint64_t seed) : seed_(seed) {}
    double at(double x, double y, double z) const;
    // Three octaves, about -1 .. 1.
    double fractal(double x, double y, double z) const {
        return 0.57 * at(x, y, z) + 0.29 * at(2 * x + 17, 2 * y, 2 * z) + 0.14 * at(4 * x, 4 * y + 31, 4 * z);
    }

  private:
    static double smooth(double t) { return t * t * (3 - 2 * t); }
    double lattice(long long x, long long y, long long z) const;
    std::uint64_t seed_;
};

// cos and sin of the angle 2 pi k / n, summed from their series: library trigonometry may
// differ in the last bit between platforms, and a generated scene's bytes must not.
std::array<double, 2> turn(int k, int n);

// The kinds' generators, one file each.
ScenePlan arenaScene(Random& rng, std::uint32_t faces);
ScenePlan terrainScene(Random& rng, std::uint32_t faces);
ScenePlan soupScene(Random& rng, std::uint32_t faces);
ScenePlan cityScene(Random& rng, std::uint32_t faces);
ScenePlan rockScene(Random& rng, std::uint32_t faces);
ScenePlan levelScene(Random& rng, std::uint32_t faces);

} // namespace norvane::scene3ds
