// The arena: rooms on a grid, each an inward box with a doorway in every inner wall, pillars, a
// stair and a ramp; several materials, lights, a camera and a keyframer block.
#include <algorithm>
#include <cmath>

#include "scene3ds/generator_parts.h"

namespace norvane::scene3ds {
namespace {

constexpr double size = 16, height = 6, door = 3, doorHeight = 4;

// Floor, ceiling, and the walls facing in, each with a doorway in its middle (two side panels
// and a lintel).
void roomShell(MeshPlan& m, double x0, double y0) {
    const double x1 = x0 + size, y1 = y0 + size;
    const Point up{0, 0, 1}, down{0, 0, -1};
    m.quad(pt(x0, y0, 0), pt(x1, y0, 0), pt(x1, y1, 0), pt(x0, y1, 0), up, "Floor");
    m.quad(pt(x0, y0, height), pt(x1, y0, height), pt(x1, y1, height), pt(x0, y1, height), down, "Stone");
    struct Wall {
        double ax, ay, bx, by;
        Point in;
    };
    const Wall walls[4] = {{x0, y0, x1, y0, {0, 1, 0}},
                           {x1, y0, x1, y1, {-1, 0, 0}},
                           {x1, y1, x0, y1, {0, -1, 0}},
                           {x0, y1, x0, y0, {1, 0, 0}}};
    for (const Wall& w : walls) {
        const double len = std::hypot(w.bx - w.ax, w.by - w.ay);
        const double dx = (w.bx - w.ax) / len, dy = (w.by - w.ay) / len;
        const double d0 = (len - door) / 2, d1 = d0 + door;
        auto at = [&](double t, double z) { return pt(w.ax + dx * t, w.ay + dy * t, z); };
        m.quad(at(0, 0), at(d0, 0), at(d0, height), at(0, height), w.in, "Wall");
        m.quad(at(d1, 0), at(len, 0), at(len, height), at(d1, height), w.in, "Wall");
        m.quad(at(d0, doorHeight), at(d1, doorHeight), at(d1, height), at(d0, height), w.in, "Trim");
    }
}

// Pillars, then a stair of a few steps or a ramp.
void roomFurniture(MeshPlan& m, Random& rng, double x0, double y0) {
    const int pillars = 1 + rng.below(3);
    for (int p = 0; p < pillars; ++p) {
        const double px = x0 + rng.range(3, size - 4), py = y0 + rng.range(3, size - 4);
        m.box(pt(px, py, 0), pt(px + 0.8, py + 0.8, height), false, "Stone", false);
    }
    if (rng.below(2) == 0) {
        const double sx = x0 + 2, sy = y0 + rng.range(2, size - 6);
        for (int step = 0; step < 4; ++step)
            m.box(pt(sx + step * 0.7, sy, 0), pt(sx + (step + 1) * 0.7, sy + 2, 0.4 * (step + 1)), false, "Stone",
                  false);
    } else {
        const double rx = x0 + rng.range(2, size - 8), ry = y0 + 2;
        const Point slopeUp{-0.5, 0, 1};
        m.quad(pt(rx, ry, 0), pt(rx + 5, ry, 2), pt(rx + 5, ry + 2, 2), pt(rx, ry + 2, 0), slopeUp, "Floor");
        m.quad(pt(rx + 5, ry, 0), pt(rx + 5, ry + 2, 0), pt(rx + 5, ry + 2, 2), pt(rx + 5, ry, 2), {1, 0, 0}, "Stone");
    }
}

} // namespace

ScenePlan arenaScene(Random& rng, std::uint32_t faces) {
    ScenePlan s;
    s.materials = {{"Floor", {0.5f, 0.5f, 0.45f}, "floor.png"},
                   {"Wall", {0.7f, 0.65f, 0.6f}, "wall.png"},
                   {"Stone", {0.4f, 0.4f, 0.42f}, ""},
                   {"Trim", {0.8f, 0.2f, 0.1f}, "trim.png"}};
    const int rooms = std::max(1, static_cast<int>(faces / 120));
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(rooms))));
    for (int r = 0; r < rooms; ++r) {
        MeshPlan m;
        m.name = "Room" + std::to_string(r);
        const double x0 = (r % side) * size, y0 = (r / side) * size;
        roomShell(m, x0, y0);
        roomFurniture(m, rng, x0, y0);
        planarUvs(m, 0.25);
        m.smoothing = true;
        m.localAxes = true;
        m.origin = pt(x0 + size / 2, y0 + size / 2, 0);
        s.meshes.push_back(m);
    }
    s.lights.push_back({"Sun", pt(0, 0, 40), {1.0f, 0.95f, 0.8f}, false, {}, 0, 0, false, true});
    s.lights.push_back({"Spot",
                        pt(size / 2, size / 2, height - 0.5),
                        {0.6f, 0.7f, 1.0f},
                        true,
                        pt(size / 2, size / 2, 0),
                        25,
                        40,
                        false,
                        false});
    s.lights.push_back({"Spare", pt(2, 2, 2), {0.2f, 0.2f, 0.2f}, false, {}, 0, 0, true, false});
    s.cameras.push_back({"Eye", pt(1, 1, 1.7), pt(size, size, 1.5), 0, 35});
    s.keyframer = true;
    return s;
}

} // namespace norvane::scene3ds
