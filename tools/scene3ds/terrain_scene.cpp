// The terrain: a height field of triangles in one mesh, its heights from smooth noise.
#include <algorithm>
#include <cmath>

#include "scene3ds/generator_parts.h"

namespace norvane::scene3ds {

ScenePlan terrainScene(Random& rng, std::uint32_t faces) {
    ScenePlan s;
    s.materials = {{"Grass", {0.3f, 0.6f, 0.2f}, "grass.png"}};
    const int cells = std::max(1, static_cast<int>(std::sqrt(faces / 2.0)));
    const Noise noise(rng.next());
    MeshPlan m;
    m.name = "Terrain";
    const double step = 4;
    for (int y = 0; y <= cells; ++y)
        for (int x = 0; x <= cells; ++x) m.add(pt(x * step, y * step, 12 * noise.fractal(x * 0.11, y * 0.11, 0.5)));
    auto index = [&](int x, int y) { return static_cast<std::uint16_t>(y * (cells + 1) + x); };
    for (int y = 0; y < cells; ++y)
        for (int x = 0; x < cells; ++x) {
            m.triangle(index(x, y), index(x + 1, y), index(x + 1, y + 1), {0, 0, 1}, "Grass");
            m.triangle(index(x, y), index(x + 1, y + 1), index(x, y + 1), {0, 0, 1}, "Grass");
        }
    planarUvs(m, 1.0 / (cells * step));
    s.meshes.push_back(m);
    return s;
}

} // namespace norvane::scene3ds
