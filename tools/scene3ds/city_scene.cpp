// The city: buildings on a ground grid. Footprints follow the city's street grid (every
// building of a column shares its x walls, every building of a row its y walls) and storeys are
// 3 units, so walls are rings of quads at common heights: about 0.55 vertices a face, which
// keeps 60,000 faces and the vertices their splits add inside the tree format. One building in
// ten is set back from the grid, so that some planes do cut.
#include <algorithm>
#include <cmath>
#include <vector>

#include "scene3ds/generator_parts.h"

namespace norvane::scene3ds {
namespace {

constexpr double lot = 16, storey = 3;

// Where the footprints of each column and row of lots begin and end.
struct StreetGrid {
    int side = 0;
    std::vector<double> colLo, colHi, rowLo, rowHi;
};

StreetGrid streetGrid(Random& rng, int side) {
    StreetGrid g{side, std::vector<double>(side), std::vector<double>(side), std::vector<double>(side),
                 std::vector<double>(side)};
    for (int i = 0; i < side; ++i) {
        g.colLo[i] = i * lot + rng.range(2, 4);
        g.colHi[i] = (i + 1) * lot - rng.range(2, 4);
        g.rowLo[i] = i * lot + rng.range(2, 4);
        g.rowHi[i] = (i + 1) * lot - rng.range(2, 4);
    }
    return g;
}

// The ground: a grid whose lines are the lot borders and the footprint lines.
MeshPlan ground(const StreetGrid& g) {
    std::vector<double> xs{0}, ys{0};
    for (int i = 0; i < g.side; ++i) {
        xs.insert(xs.end(), {g.colLo[i], g.colHi[i], (i + 1) * lot});
        ys.insert(ys.end(), {g.rowLo[i], g.rowHi[i], (i + 1) * lot});
    }
    MeshPlan ground;
    ground.name = "Ground";
    for (double y : ys)
        for (double x : xs) ground.add(pt(x, y, 0));
    const auto stride = static_cast<int>(xs.size());
    for (int y = 0; y + 1 < static_cast<int>(ys.size()); ++y)
        for (int x = 0; x + 1 < stride; ++x) {
            const auto v = [&](int dx, int dy) { return static_cast<std::uint16_t>((y + dy) * stride + x + dx); };
            ground.triangle(v(0, 0), v(1, 0), v(1, 1), {0, 0, 1}, "Asphalt");
            ground.triangle(v(0, 0), v(1, 1), v(0, 1), {0, 0, 1}, "Asphalt");
        }
    planarUvs(ground, 0.05);
    return ground;
}

// Building `b` on its lot, into `block`: rings of eight points (corners and side midpoints),
// one ring a storey, walled between rings and roofed over the last.
void building(MeshPlan& block, Random& rng, const StreetGrid& g, int b) {
    double x0 = g.colLo[b % g.side], x1 = g.colHi[b % g.side], y0 = g.rowLo[b / g.side], y1 = g.rowHi[b / g.side];
    if (rng.below(10) == 0) {
        x0 += rng.range(0.5, 2);
        y1 -= rng.range(0.5, 2);
    }
    const int storeys = 2 + rng.below(10);
    const std::string wall = b % 3 ? "Concrete" : "Glass";
    const double ring[8][2] = {{x0, y0}, {(x0 + x1) / 2, y0}, {x1, y0}, {x1, (y0 + y1) / 2},
                               {x1, y1}, {(x0 + x1) / 2, y1}, {x0, y1}, {x0, (y0 + y1) / 2}};
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    std::vector<std::uint16_t> previous;
    for (int level = 0; level <= storeys; ++level) {
        std::vector<std::uint16_t> current;
        for (const auto& p : ring) current.push_back(block.add(pt(p[0], p[1], level * storey)));
        if (!previous.empty())
            for (int k = 0; k < 8; ++k) {
                const int n = (k + 1) % 8;
                const Point out{f(ring[k][0] + ring[n][0] - 2 * cx), f(ring[k][1] + ring[n][1] - 2 * cy), 0};
                block.triangle(previous[k], previous[n], current[n], out, wall);
                block.triangle(previous[k], current[n], current[k], out, wall);
            }
        previous = current;
    }
    for (int k = 1; k < 7; ++k) block.triangle(previous[0], previous[k], previous[k + 1], {0, 0, 1}, "Roof");
}

} // namespace

ScenePlan cityScene(Random& rng, std::uint32_t faces) {
    ScenePlan s;
    s.materials = {{"Asphalt", {0.2f, 0.2f, 0.2f}, "road.png"},
                   {"Concrete", {0.6f, 0.6f, 0.6f}, "concrete.png"},
                   {"Glass", {0.4f, 0.6f, 0.8f}, ""},
                   {"Roof", {0.5f, 0.2f, 0.15f}, ""}};
    // A building of L storeys has 16 L + 6 faces, the ground 18 faces a lot; L is 2 to 11.
    const int lots = std::max(1, static_cast<int>(faces / (16 * 6.5 + 6 + 18)));
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(lots))));
    const StreetGrid grid = streetGrid(rng, side);
    s.meshes.push_back(ground(grid));
    MeshPlan block;
    for (int b = 0; b < lots; ++b) {
        if (block.faces.size() > 20000) {
            s.meshes.push_back(block);
            block = MeshPlan{};
        }
        if (block.name.empty()) block.name = "Block" + std::to_string(s.meshes.size());
        building(block, rng, grid, b);
    }
    if (!block.faces.empty()) s.meshes.push_back(block);
    for (MeshPlan& m : s.meshes)
        if (m.uvs.empty()) planarUvs(m, 0.1);
    s.lights.push_back({"Sky", pt(0, 0, 200), {1, 1, 1}, false, {}, 0, 0, false, false});
    return s;
}

} // namespace norvane::scene3ds
