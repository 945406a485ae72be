// The level: rooms on a grid, several storeys high. Each room is one mesh: an inward box
// (floor, ceiling, four walls, a doorway in every wall it shares with a room of its storey), a
// few wall panels, and one curved detail of 14 to 32 segments around: a sphere, a torus, a
// column with a small sphere beside it, or a flight of stairs with a torus above it. Rooms are
// planned until their faces reach the target; the storeys and the grid follow from the number
// of rooms.
#include <algorithm>
#include <array>
#include <vector>

#include "scene3ds/level_shapes.h"

namespace norvane::scene3ds {
namespace {

constexpr double size = 12, height = 5, door = 2, doorHeight = 3;
constexpr double doorStart = (size - door) / 2, doorEnd = doorStart + door;

// What stands in a room: its curved detail and how finely it is divided.
struct RoomPlan {
    enum Detail { Sphere, Torus, ColumnAndSphere, StairsAndTorus } detail;
    int segments; // 14 to 32 around
};

int detailFaces(const RoomPlan& p) {
    const int s = p.segments;
    switch (p.detail) {
    case RoomPlan::Sphere:
        return 2 * s * (s / 2 - 1);
    case RoomPlan::Torus:
        return 2 * s * tubeSides;
    case RoomPlan::ColumnAndSphere:
        return 6 * s + 2 * s * (s / 2 - 1);
    case RoomPlan::StairsAndTorus:
        break;
    }
    return 60 + 2 * s * tubeSides; // six steps of ten faces
}

// The rooms, planned until their faces reach the target. Small targets get coarser details,
// so that even they hold a few rooms: no room's detail is planned above a third of the target.
std::vector<RoomPlan> planRooms(Random& rng, std::uint32_t faces) {
    const int shellFaces = 50; // floor, ceiling, walls and panels of a room, about
    int finest = 32;
    while (finest > 14 &&
           3 * (shellFaces + detailFaces({RoomPlan::ColumnAndSphere, finest})) > static_cast<long long>(faces))
        --finest;
    std::vector<RoomPlan> rooms;
    for (long long total = 0; total < faces;) {
        RoomPlan p{static_cast<RoomPlan::Detail>(rng.below(4)), 14 + rng.below(finest - 13)};
        total += shellFaces + detailFaces(p);
        rooms.push_back(p);
    }
    return rooms;
}

// Where a room lies: its corners, and the walls, facing in, each from a to b along the floor,
// with a doorway where a room of the same storey lies beyond.
struct Wall {
    double ax, ay, bx, by;
    Point in;
    bool doorway;
};

struct RoomPlace {
    double x0, y0, z0, x1, y1, z1;
    std::array<Wall, 4> walls;
};

// The storeys and the grid that hold `count` rooms.
struct LevelGrid {
    int count, perStorey, cols;

    // Whether room `within` of a storey holding `held` rooms exists.
    static bool exists(int within, int held) { return within >= 0 && within < held; }

    RoomPlace place(int r) const {
        const int storey = r / perStorey, within = r % perStorey;
        const int held = std::min(perStorey, count - storey * perStorey);
        const int cx = within % cols, cy = within / cols;
        const double x0 = cx * size, y0 = cy * size, z0 = storey * height;
        const double x1 = x0 + size, y1 = y0 + size, z1 = z0 + height;
        return {x0,
                y0,
                z0,
                x1,
                y1,
                z1,
                {Wall{x0, y0, x1, y0, {0, 1, 0}, exists(within - cols, held)},
                 Wall{x1, y0, x1, y1, {-1, 0, 0}, cx + 1 < cols && exists(within + 1, held)},
                 Wall{x1, y1, x0, y1, {0, -1, 0}, exists(within + cols, held)},
                 Wall{x0, y1, x0, y0, {1, 0, 0}, cx > 0}}};
    }
};

LevelGrid levelGrid(int count) {
    int storeys = count >= 2 ? 2 : 1;
    while (storeys < 4 && (storeys + 1) * (storeys + 1) * (storeys + 1) <= count) ++storeys;
    const int perStorey = (count + storeys - 1) / storeys;
    int cols = 1;
    while (cols * cols < perStorey) ++cols;
    return {count, perStorey, cols};
}

void roomShell(MeshPlan& m, const RoomPlace& r) {
    m.quad(pt(r.x0, r.y0, r.z0), pt(r.x1, r.y0, r.z0), pt(r.x1, r.y1, r.z0), pt(r.x0, r.y1, r.z0), {0, 0, 1}, "Floor");
    m.quad(pt(r.x0, r.y0, r.z1), pt(r.x1, r.y0, r.z1), pt(r.x1, r.y1, r.z1), pt(r.x0, r.y1, r.z1), {0, 0, -1},
           "Ceiling");
    for (const Wall& w : r.walls) {
        const double dx = (w.bx - w.ax) / size, dy = (w.by - w.ay) / size;
        auto at = [&](double t, double z) { return pt(w.ax + dx * t, w.ay + dy * t, z); };
        if (!w.doorway) {
            m.quad(at(0, r.z0), at(size, r.z0), at(size, r.z1), at(0, r.z1), w.in, "Wall");
            continue;
        }
        m.quad(at(0, r.z0), at(doorStart, r.z0), at(doorStart, r.z1), at(0, r.z1), w.in, "Wall");
        m.quad(at(doorEnd, r.z0), at(size, r.z0), at(size, r.z1), at(doorEnd, r.z1), w.in, "Wall");
        m.quad(at(doorStart, r.z0 + doorHeight), at(doorEnd, r.z0 + doorHeight), at(doorEnd, r.z1), at(doorStart, r.z1),
               w.in, "Wall");
    }
}

// Panels standing a little off the walls, beside the doorway.
void roomPanels(MeshPlan& m, Random& rng, const RoomPlace& r) {
    for (int p = 1 + rng.below(4); p > 0; --p) {
        const Wall& w = r.walls[static_cast<std::size_t>(rng.below(4))];
        const double width = rng.range(1, 3.5);
        const double start = rng.below(2) ? rng.range(0.5, doorStart - width) : rng.range(doorEnd, size - 0.5 - width);
        const double pz0 = r.z0 + rng.range(0.5, 1.2), pz1 = pz0 + rng.range(1, 2.5);
        auto along = [&](double t) {
            return std::array<double, 2>{w.ax + (w.bx - w.ax) / size * t, w.ay + (w.by - w.ay) / size * t};
        };
        const auto a = along(start), b = along(start + width);
        Vec lo{std::min(a[0], b[0]), std::min(a[1], b[1]), pz0}, hi{std::max(a[0], b[0]), std::max(a[1], b[1]), pz1};
        // A tenth out from the wall; the side against the wall stays open.
        const auto axis = static_cast<std::size_t>(w.in[0] != 0 ? 0 : 1);
        const bool outwardUp = w.in[axis] > 0;
        if (outwardUp)
            hi[axis] = lo[axis] + 0.1;
        else
            lo[axis] = hi[axis] - 0.1;
        openBox(m, lo, hi, static_cast<int>(2 * axis) + (outwardUp ? 0 : 1), "Panel");
    }
}

// The room's curved detail, clear of the walls.
void roomDetail(MeshPlan& m, Random& rng, const RoomPlace& r, const RoomPlan& plan) {
    const int seg = plan.segments;
    const double px = rng.range(r.x0 + 3.5, r.x1 - 3.5), py = rng.range(r.y0 + 3.5, r.y1 - 3.5);
    const double z0 = r.z0, z1 = r.z1;
    switch (plan.detail) {
    case RoomPlan::Sphere: {
        const double radius = rng.range(1, 2);
        sphere(m, {px, py, z0 + radius + rng.range(0, 0.8)}, radius, seg, "Stone");
        break;
    }
    case RoomPlan::Torus: {
        const int axis = rng.below(3);
        const double ring = rng.range(1, 1.6), tube = rng.range(0.2, 0.5);
        const double lift = axis == 2 ? rng.range(0.6, 2.5) : ring + tube + rng.range(0.1, 0.4);
        torus(m, {px, py, z0 + lift}, axis, ring, tube, seg, "Metal");
        break;
    }
    case RoomPlan::ColumnAndSphere: {
        column(m, px, py, z0, z1, rng.range(0.35, 0.6), seg, "Stone");
        const double radius = rng.range(0.3, 0.6);
        sphere(m, {px + 1.6, py + rng.range(-1, 1), z0 + radius}, radius, seg, "Metal");
        break;
    }
    case RoomPlan::StairsAndTorus: {
        // Six steps along x, the torus hanging over the flight.
        const double sx = px - 2, sy = py - 1;
        for (int step = 0; step < 6; ++step)
            openBox(m, {sx + step * 0.7, sy, z0}, {sx + (step + 1) * 0.7, sy + 2, z0 + 0.4 * (step + 1)}, 4, "Stone");
        torus(m, {sx + 2.1, sy + 1, z1 - 1.2}, rng.below(3), 0.8, rng.range(0.15, 0.3), seg, "Metal");
        break;
    }
    }
}

} // namespace

ScenePlan levelScene(Random& rng, std::uint32_t faces) {
    ScenePlan s;
    s.materials = {{"Floor", {0.45f, 0.4f, 0.35f}, "floor.png"}, {"Wall", {0.7f, 0.7f, 0.65f}, "wall.png"},
                   {"Ceiling", {0.8f, 0.8f, 0.8f}, ""},          {"Panel", {0.3f, 0.35f, 0.5f}, "panel.png"},
                   {"Metal", {0.6f, 0.6f, 0.65f}, "metal.png"},  {"Stone", {0.5f, 0.45f, 0.4f}, ""}};
    const std::vector<RoomPlan> rooms = planRooms(rng, faces);
    const LevelGrid grid = levelGrid(static_cast<int>(rooms.size()));
    for (int r = 0; r < grid.count; ++r) {
        const RoomPlace place = grid.place(r);
        MeshPlan m;
        m.name = "Room" + std::to_string(r);
        roomShell(m, place);
        roomPanels(m, rng, place);
        roomDetail(m, rng, place, rooms[static_cast<std::size_t>(r)]);
        planarUvs(m, 0.25);
        m.smoothing = true;
        m.localAxes = true;
        m.origin = pt(place.x0 + size / 2, place.y0 + size / 2, place.z0);
        s.meshes.push_back(m);
    }
    s.lights.push_back({"Sun", pt(0, 0, 60), {1.0f, 0.95f, 0.85f}, false, {}, 0, 0, false, true});
    s.lights.push_back({"Lamp",
                        pt(size / 2, size / 2, height - 0.3),
                        {0.9f, 0.8f, 0.6f},
                        true,
                        pt(size / 2, size / 2, 0),
                        30,
                        50,
                        false,
                        false});
    s.cameras.push_back({"Player", pt(1.5, 1.5, 1.7), pt(size, size, 1.2), 0, 40});
    s.keyframer = true;
    return s;
}

} // namespace norvane::scene3ds
