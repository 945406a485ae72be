// The soup: random triangles in a cube, a quarter of them in a few shared planes. (No
// degenerate ones: a face without a plane scores as a splitter that separates nothing, and
// would turn the whole soup into one leaf.)
#include "scene3ds/generator_parts.h"

namespace norvane::scene3ds {

ScenePlan soupScene(Random& rng, std::uint32_t faces) {
    ScenePlan s;
    s.materials = {{"Red", {0.8f, 0.1f, 0.1f}, ""}, {"Blue", {0.1f, 0.1f, 0.8f}, ""}};
    MeshPlan m;
    m.name = "Soup";
    for (std::uint32_t i = 0; i < faces; ++i) {
        Point p[3];
        const int kind = rng.below(16);
        const double cx = rng.range(-20, 20), cy = rng.range(-20, 20), cz = rng.range(-20, 20);
        for (Point& q : p) q = pt(cx + rng.range(-6, 6), cy + rng.range(-6, 6), cz + rng.range(-6, 6));
        if (kind < 4) // coplanar with one of a few planes z = k * 5
            for (Point& q : p) q[2] = f(5.0 * (kind - 2));
        const std::uint16_t a = m.add(p[0]), b = m.add(p[1]), c = m.add(p[2]);
        m.faces.push_back({a, b, c});
        m.faceMaterial.push_back(i % 2 ? "Red" : "Blue");
    }
    s.meshes.push_back(m);
    return s;
}

} // namespace norvane::scene3ds
