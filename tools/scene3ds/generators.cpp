#include "scene3ds/generators.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <stdexcept>
#include <vector>

namespace norvane::scene3ds {

std::uint64_t Random::next() { // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
double Random::unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
double Random::range(double lo, double hi) { return lo + (hi - lo) * unit(); }
int Random::below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

namespace {

float f(double v) { return static_cast<float>(v); }
Point pt(double x, double y, double z) { return {f(x), f(y), f(z)}; }

// Mapping coordinates from the position, so every vertex has some.
void planarUvs(MeshPlan& m, double scale) {
    m.uvs.clear();
    for (const Point& p : m.points) m.uvs.push_back({f((p[0] + p[2]) * scale), f((p[1] + p[2]) * scale)});
}

// Smooth value noise on an integer lattice, hashed from the seed.
class Noise {
public:
    explicit Noise(std::uint64_t seed) : seed_(seed) {}
    double at(double x, double y, double z) const {
        const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
        const double tx = smooth(x - fx), ty = smooth(y - fy), tz = smooth(z - fz);
        const auto ix = static_cast<long long>(fx), iy = static_cast<long long>(fy), iz = static_cast<long long>(fz);
        double c[2][2][2];
        for (int a = 0; a < 2; ++a)
            for (int b = 0; b < 2; ++b)
                for (int d = 0; d < 2; ++d) c[a][b][d] = lattice(ix + a, iy + b, iz + d);
        auto lerp = [](double p, double q, double t) { return p + (q - p) * t; };
        const double x00 = lerp(c[0][0][0], c[1][0][0], tx), x10 = lerp(c[0][1][0], c[1][1][0], tx);
        const double x01 = lerp(c[0][0][1], c[1][0][1], tx), x11 = lerp(c[0][1][1], c[1][1][1], tx);
        return lerp(lerp(x00, x10, ty), lerp(x01, x11, ty), tz);
    }
    // Three octaves, about -1 .. 1.
    double fractal(double x, double y, double z) const {
        return 0.57 * at(x, y, z) + 0.29 * at(2 * x + 17, 2 * y, 2 * z) + 0.14 * at(4 * x, 4 * y + 31, 4 * z);
    }

private:
    static double smooth(double t) { return t * t * (3 - 2 * t); }
    double lattice(long long x, long long y, long long z) const {
        Random r(seed_ ^ (static_cast<std::uint64_t>(x) * 0x9E3779B1ull) ^ (static_cast<std::uint64_t>(y) * 0x85EBCA77ull) ^
                 (static_cast<std::uint64_t>(z) * 0xC2B2AE3Dull));
        return r.range(-1, 1);
    }
    std::uint64_t seed_;
};

ScenePlan boxScene() {
    ScenePlan s;
    s.materials.push_back({"Material", {0.8f, 0.6f, 0.4f}, ""});
    MeshPlan m;
    m.name = "Box";
    m.box({-1, -1, -1}, {1, 1, 1}, false, "Material");
    s.meshes.push_back(m);
    return s;
}

// Rooms on a grid, each an inward box with a doorway in every inner wall, pillars, a stair and
// a ramp; several materials, lights, a camera and a keyframer block.
ScenePlan arenaScene(Random& rng, std::uint32_t faces) {
    ScenePlan s;
    s.materials = {{"Floor", {0.5f, 0.5f, 0.45f}, "floor.png"},
                   {"Wall", {0.7f, 0.65f, 0.6f}, "wall.png"},
                   {"Stone", {0.4f, 0.4f, 0.42f}, ""},
                   {"Trim", {0.8f, 0.2f, 0.1f}, "trim.png"}};
    const int rooms = std::max(1, static_cast<int>(faces / 120));
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(rooms))));
    const double size = 16, height = 6, door = 3, doorHeight = 4;
    for (int r = 0; r < rooms; ++r) {
        MeshPlan m;
        m.name = "Room" + std::to_string(r);
        const double x0 = (r % side) * size, y0 = (r / side) * size;
        const double x1 = x0 + size, y1 = y0 + size;
        const Point up{0, 0, 1}, down{0, 0, -1};
        m.quad(pt(x0, y0, 0), pt(x1, y0, 0), pt(x1, y1, 0), pt(x0, y1, 0), up, "Floor");
        m.quad(pt(x0, y0, height), pt(x1, y0, height), pt(x1, y1, height), pt(x0, y1, height), down, "Stone");
        // Walls facing in: each with a doorway in its middle (two side panels and a lintel).
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
        // Pillars.
        const int pillars = 1 + rng.below(3);
        for (int p = 0; p < pillars; ++p) {
            const double px = x0 + rng.range(3, size - 4), py = y0 + rng.range(3, size - 4);
            m.box(pt(px, py, 0), pt(px + 0.8, py + 0.8, height), false, "Stone", false);
        }
        // A stair of a few steps, or a ramp.
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
        planarUvs(m, 0.25);
        m.smoothing = true;
        m.localAxes = true;
        m.origin = pt(x0 + size / 2, y0 + size / 2, 0);
        s.meshes.push_back(m);
    }
    s.lights.push_back({"Sun", pt(0, 0, 40), {1.0f, 0.95f, 0.8f}, false, {}, 0, 0, false, true});
    s.lights.push_back({"Spot", pt(size / 2, size / 2, height - 0.5), {0.6f, 0.7f, 1.0f}, true,
                        pt(size / 2, size / 2, 0), 25, 40, false, false});
    s.lights.push_back({"Spare", pt(2, 2, 2), {0.2f, 0.2f, 0.2f}, false, {}, 0, 0, true, false});
    s.cameras.push_back({"Eye", pt(1, 1, 1.7), pt(size, size, 1.5), 0, 35});
    s.keyframer = true;
    return s;
}

ScenePlan terrainScene(Random& rng, std::uint32_t faces) {
    ScenePlan s;
    s.materials = {{"Grass", {0.3f, 0.6f, 0.2f}, "grass.png"}};
    const int cells = std::max(1, static_cast<int>(std::sqrt(faces / 2.0)));
    const Noise noise(rng.next());
    MeshPlan m;
    m.name = "Terrain";
    const double step = 4;
    for (int y = 0; y <= cells; ++y)
        for (int x = 0; x <= cells; ++x)
            m.add(pt(x * step, y * step, 12 * noise.fractal(x * 0.11, y * 0.11, 0.5)));
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

// Random triangles in a cube, a quarter of them in a few shared planes. (No degenerate ones: a
// face without a plane scores as a splitter that separates nothing, and would turn the whole
// soup into one leaf.)
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

// Buildings on a ground grid. Footprints follow the city's street grid (every building of a
// column shares its x walls, every building of a row its y walls) and storeys are 3 units, so
// walls are rings of quads at common heights: about 0.55 vertices a face, which keeps 60,000
// faces and the vertices their splits add inside the tree format. One building in ten is set
// back from the grid, so that some planes do cut.
ScenePlan cityScene(Random& rng, std::uint32_t faces) {
    ScenePlan s;
    s.materials = {{"Asphalt", {0.2f, 0.2f, 0.2f}, "road.png"},
                   {"Concrete", {0.6f, 0.6f, 0.6f}, "concrete.png"},
                   {"Glass", {0.4f, 0.6f, 0.8f}, ""},
                   {"Roof", {0.5f, 0.2f, 0.15f}, ""}};
    const double lot = 16, storey = 3;
    // A building of L storeys has 16 L + 6 faces, the ground 18 faces a lot; L is 2 to 11.
    const int lots = std::max(1, static_cast<int>(faces / (16 * 6.5 + 6 + 18)));
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(lots))));
    std::vector<double> colLo(side), colHi(side), rowLo(side), rowHi(side);
    for (int i = 0; i < side; ++i) {
        colLo[i] = i * lot + rng.range(2, 4);
        colHi[i] = (i + 1) * lot - rng.range(2, 4);
        rowLo[i] = i * lot + rng.range(2, 4);
        rowHi[i] = (i + 1) * lot - rng.range(2, 4);
    }
    // Ground: a grid whose lines are the lot borders and the footprint lines.
    std::vector<double> xs{0}, ys{0};
    for (int i = 0; i < side; ++i) {
        xs.insert(xs.end(), {colLo[i], colHi[i], (i + 1) * lot});
        ys.insert(ys.end(), {rowLo[i], rowHi[i], (i + 1) * lot});
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
    s.meshes.push_back(ground);

    MeshPlan block;
    for (int b = 0; b < lots; ++b) {
        if (block.faces.size() > 20000) {
            s.meshes.push_back(block);
            block = MeshPlan{};
        }
        if (block.name.empty()) block.name = "Block" + std::to_string(s.meshes.size());
        double x0 = colLo[b % side], x1 = colHi[b % side], y0 = rowLo[b / side], y1 = rowHi[b / side];
        if (rng.below(10) == 0) {
            x0 += rng.range(0.5, 2);
            y1 -= rng.range(0.5, 2);
        }
        const int storeys = 2 + rng.below(10);
        const std::string wall = b % 3 ? "Concrete" : "Glass";
        // Rings of eight points (corners and side midpoints), one ring a storey.
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
    if (!block.faces.empty()) s.meshes.push_back(block);
    for (MeshPlan& m : s.meshes)
        if (m.uvs.empty()) planarUvs(m, 0.1);
    s.lights.push_back({"Sky", pt(0, 0, 200), {1, 1, 1}, false, {}, 0, 0, false, false});
    return s;
}

// A geodesic sphere of 20 f^2 faces with shared vertices, displaced by smooth noise.
ScenePlan rockScene(Random& rng, std::uint32_t faces) {
    ScenePlan s;
    s.materials = {{"Rock", {0.45f, 0.4f, 0.35f}, "rock.png"}};
    const int freq = std::max(1, static_cast<int>(std::lround(std::sqrt(faces / 20.0))));
    const double t = (1 + std::sqrt(5.0)) / 2;
    const double ico[12][3] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                               {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    const int tris[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
                             {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
                             {3, 8, 9},  {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    const Noise noise(rng.next());
    const double radius = rng.range(40, 60);
    MeshPlan m;
    m.name = "Rock";
    // Vertices are shared through their exact lattice address: corner, edge or face point.
    std::map<std::array<long long, 3>, std::uint16_t> shared;
    auto vertex = [&](int tri, int i, int j) -> std::uint16_t {
        const int k = freq - i - j;
        const int* c = tris[tri];
        // The address: the weights of the icosahedron's corners, made canonical.
        std::array<std::pair<int, int>, 3> w{{{c[0], i}, {c[1], j}, {c[2], k}}};
        std::sort(w.begin(), w.end());
        std::array<long long, 3> key{};
        for (int q = 0; q < 3; ++q) key[q] = w[q].second == 0 ? -1 : w[q].first * 1000 + w[q].second;
        std::sort(key.begin(), key.end());
        const auto it = shared.find(key);
        if (it != shared.end()) return it->second;
        double p[3];
        for (int q = 0; q < 3; ++q)
            p[q] = (ico[c[0]][q] * i + ico[c[1]][q] * j + ico[c[2]][q] * k) / freq;
        const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        for (double& v : p) v /= len;
        // Bumps of a tenth of the radius: mostly convex, as scanned boulders are, so each
        // level of the tree peels only a few faces off and trees grow thousands of levels deep.
        const double r = radius * (1 + 0.1 * noise.fractal(p[0] * 1.7 + 5, p[1] * 1.7 + 5, p[2] * 1.7 + 5));
        const std::uint16_t index = m.add(pt(p[0] * r, p[1] * r, p[2] * r));
        shared.emplace(key, index);
        return index;
    };
    for (int tri = 0; tri < 20; ++tri)
        for (int i = 0; i < freq; ++i)
            for (int j = 0; j + i < freq; ++j) {
                const std::uint16_t a = vertex(tri, freq - i - j, i), b = vertex(tri, freq - i - j - 1, i + 1),
                                    c = vertex(tri, freq - i - j - 1, i);
                auto outward = [&](std::uint16_t x, std::uint16_t y, std::uint16_t z) {
                    Point o{0, 0, 0};
                    for (std::uint16_t v : {x, y, z})
                        for (int q = 0; q < 3; ++q) o[q] += m.points[v][q];
                    return o;
                };
                m.triangle(a, b, c, outward(a, b, c), "Rock");
                if (i + j + 1 < freq) {
                    const std::uint16_t d = vertex(tri, freq - i - j - 2, i + 1);
                    m.triangle(b, d, c, outward(b, d, c), "Rock");
                }
            }
    planarUvs(m, 0.01);
    s.meshes.push_back(m);
    return s;
}

// cos and sin of the angle 2 pi k / n, summed from their series: library trigonometry may
// differ in the last bit between platforms, and a generated scene's bytes must not.
std::array<double, 2> turn(int k, int n) {
    const double pi = 3.14159265358979323846;
    double x = 2 * pi * ((k % n + n) % n) / n;
    if (x > pi) x -= 2 * pi;
    double c = 0, s = 0, term = 1; // term: x^j / j!
    for (int j = 0; j < 40; ++j) {
        if (j % 4 == 0) c += term;
        else if (j % 4 == 1) s += term;
        else if (j % 4 == 2) c -= term;
        else s -= term;
        term = term * x / (j + 1);
    }
    return {c, s};
}

using Vec = std::array<double, 3>;

Point towardsOf(const Vec& v) { return pt(v[0], v[1], v[2]); }

// A box without the side `open` (0 to 5: -x, +x, -y, +y, -z, +z), faces outward, corners shared.
void openBox(MeshPlan& m, const Vec& lo, const Vec& hi, int open, const std::string& material) {
    std::uint16_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = m.add(pt(i & 1 ? hi[0] : lo[0], i & 2 ? hi[1] : lo[1], i & 4 ? hi[2] : lo[2]));
    const int quads[6][4] = {{0, 2, 6, 4}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 5, 7, 6}};
    for (int side = 0; side < 6; ++side) {
        if (side == open) continue;
        Point out{0, 0, 0};
        out[static_cast<std::size_t>(side / 2)] = side % 2 ? 1.0f : -1.0f;
        const int* q = quads[side];
        m.triangle(v[q[0]], v[q[1]], v[q[2]], out, material);
        m.triangle(v[q[0]], v[q[2]], v[q[3]], out, material);
    }
}

// A sphere of `segments` around and segments / 2 bands from pole to pole, faces outward:
// 2 segments (segments / 2 - 1) faces.
void sphere(MeshPlan& m, const Vec& centre, double radius, int segments, const std::string& material) {
    const int bands = segments / 2;
    auto at = [&](int band, int k) {
        const auto [c, s] = turn(band, 2 * bands); // from the top pole down
        const auto [ck, sk] = turn(k, segments);
        return Vec{s * ck, s * sk, c};
    };
    const std::uint16_t top = m.add(pt(centre[0], centre[1], centre[2] + radius));
    std::vector<std::uint16_t> ring;
    for (int band = 1; band < bands; ++band)
        for (int k = 0; k < segments; ++k) {
            const Vec u = at(band, k);
            ring.push_back(m.add(pt(centre[0] + radius * u[0], centre[1] + radius * u[1], centre[2] + radius * u[2])));
        }
    const std::uint16_t bottom = m.add(pt(centre[0], centre[1], centre[2] - radius));
    auto vertex = [&](int band, int k) { return ring[static_cast<std::size_t>((band - 1) * segments + k % segments)]; };
    // The outward direction through the middle of band `band` and segment `k`.
    auto outward = [&](int band, int k) {
        const auto [c, s] = turn(2 * band + 1, 4 * bands);
        const auto [ck, sk] = turn(2 * k + 1, 2 * segments);
        return towardsOf({s * ck, s * sk, c});
    };
    for (int k = 0; k < segments; ++k) {
        m.triangle(top, vertex(1, k), vertex(1, k + 1), outward(0, k), material);
        for (int band = 1; band + 1 < bands; ++band) {
            const Point out = outward(band, k);
            m.triangle(vertex(band, k), vertex(band + 1, k), vertex(band + 1, k + 1), out, material);
            m.triangle(vertex(band, k), vertex(band + 1, k + 1), vertex(band, k + 1), out, material);
        }
        m.triangle(bottom, vertex(bands - 1, k + 1), vertex(bands - 1, k), outward(bands - 1, k), material);
    }
}

// Six sides around a torus's tube. The faces on a torus's inner side cut each other's planes,
// so a torus's tree splits about one face in two; finer tubes would let the splits of a
// 60,000-face level outgrow the tree format's 65535 vertices.
constexpr int tubeSides = 6;

// A torus around the axis `axis` (0, 1, 2: x, y, z) through `centre`: `segments` around the
// ring, tubeSides around the tube, 2 segments tubeSides faces, outward.
void torus(MeshPlan& m, const Vec& centre, int axis, double ring, double tube, int segments,
           const std::string& material) {
    const auto e1 = static_cast<std::size_t>((axis + 1) % 3), e2 = static_cast<std::size_t>((axis + 2) % 3);
    const auto ea = static_cast<std::size_t>(axis);
    const int around = tubeSides;
    auto normal = [&](int i, int j, int iSteps, int jSteps) { // the tube's outward direction
        const auto [ci, si] = turn(i, iSteps);
        const auto [cj, sj] = turn(j, jSteps);
        Vec n{};
        n[e1] = cj * ci;
        n[e2] = cj * si;
        n[ea] = sj;
        return n;
    };
    std::vector<std::uint16_t> v;
    for (int i = 0; i < segments; ++i)
        for (int j = 0; j < around; ++j) {
            const Vec n = normal(i, j, segments, around);
            const auto [ci, si] = turn(i, segments);
            Vec p = centre;
            p[e1] += ring * ci + tube * n[e1];
            p[e2] += ring * si + tube * n[e2];
            p[ea] += tube * n[ea];
            v.push_back(m.add(pt(p[0], p[1], p[2])));
        }
    auto at = [&](int i, int j) { return v[static_cast<std::size_t>((i % segments) * around + j % around)]; };
    for (int i = 0; i < segments; ++i)
        for (int j = 0; j < around; ++j) {
            const Point out = towardsOf(normal(2 * i + 1, 2 * j + 1, 2 * segments, 2 * around));
            m.triangle(at(i, j), at(i + 1, j), at(i + 1, j + 1), out, material);
            m.triangle(at(i, j), at(i + 1, j + 1), at(i, j + 1), out, material);
        }
}

// An upright column of `segments` sides from z0 to z1 with a flared base and capital, open at
// both ends (they stand on the floor and under the ceiling): 6 segments faces.
void column(MeshPlan& m, double x, double y, double z0, double z1, double radius, int segments,
            const std::string& material) {
    const double heights[4] = {z0, z0 + 0.4, z1 - 0.4, z1};
    const double radii[4] = {1.3 * radius, radius, radius, 1.3 * radius};
    std::vector<std::uint16_t> v;
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < segments; ++k) {
            const auto [c, s] = turn(k, segments);
            v.push_back(m.add(pt(x + radii[r] * c, y + radii[r] * s, heights[r])));
        }
    auto at = [&](int r, int k) { return v[static_cast<std::size_t>(r * segments + k % segments)]; };
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < segments; ++k) {
            const auto [c, s] = turn(2 * k + 1, 2 * segments);
            const Point out{f(c), f(s), 0};
            m.triangle(at(r, k), at(r, k + 1), at(r + 1, k + 1), out, material);
            m.triangle(at(r, k), at(r + 1, k + 1), at(r + 1, k), out, material);
        }
}

// What stands in a room: its curved detail and how finely it is divided.
struct RoomPlan {
    enum Detail { Sphere, Torus, ColumnAndSphere, StairsAndTorus } detail;
    int segments; // 14 to 32 around
};

int detailFaces(const RoomPlan& p) {
    const int s = p.segments;
    switch (p.detail) {
    case RoomPlan::Sphere: return 2 * s * (s / 2 - 1);
    case RoomPlan::Torus: return 2 * s * tubeSides;
    case RoomPlan::ColumnAndSphere: return 6 * s + 2 * s * (s / 2 - 1);
    case RoomPlan::StairsAndTorus: break;
    }
    return 60 + 2 * s * tubeSides; // six steps of ten faces
}

// Rooms on a grid, several storeys high. Each room is one mesh: an inward box (floor, ceiling,
// four walls, a doorway in every wall it shares with a room of its storey), a few wall panels,
// and one curved detail of 14 to 32 segments around: a sphere, a torus, a column with a small
// sphere beside it, or a flight of stairs with a torus above it. Rooms are planned until their
// faces reach the target; the storeys and the grid follow from the number of rooms.
ScenePlan levelScene(Random& rng, std::uint32_t faces) {
    ScenePlan s;
    s.materials = {{"Floor", {0.45f, 0.4f, 0.35f}, "floor.png"}, {"Wall", {0.7f, 0.7f, 0.65f}, "wall.png"},
                   {"Ceiling", {0.8f, 0.8f, 0.8f}, ""},          {"Panel", {0.3f, 0.35f, 0.5f}, "panel.png"},
                   {"Metal", {0.6f, 0.6f, 0.65f}, "metal.png"},  {"Stone", {0.5f, 0.45f, 0.4f}, ""}};
    const double size = 12, height = 5, door = 2, doorHeight = 3;
    const int shellFaces = 50; // floor, ceiling, walls and panels of a room, about
    // Small targets get coarser details, so that even they hold a few rooms: no room's
    // detail is planned above a third of the target.
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
    const auto count = static_cast<int>(rooms.size());
    int storeys = count >= 2 ? 2 : 1;
    while (storeys < 4 && (storeys + 1) * (storeys + 1) * (storeys + 1) <= count) ++storeys;
    const int perStorey = (count + storeys - 1) / storeys;
    int cols = 1;
    while (cols * cols < perStorey) ++cols;
    // Whether room `within` of a storey holding `held` rooms exists.
    auto exists = [&](int within, int held) { return within >= 0 && within < held; };

    for (int r = 0; r < count; ++r) {
        const RoomPlan& plan = rooms[static_cast<std::size_t>(r)];
        const int storey = r / perStorey, within = r % perStorey;
        const int held = std::min(perStorey, count - storey * perStorey);
        const int cx = within % cols, cy = within / cols;
        const double x0 = cx * size, y0 = cy * size, z0 = storey * height;
        const double x1 = x0 + size, y1 = y0 + size, z1 = z0 + height;
        MeshPlan m;
        m.name = "Room" + std::to_string(r);
        m.quad(pt(x0, y0, z0), pt(x1, y0, z0), pt(x1, y1, z0), pt(x0, y1, z0), {0, 0, 1}, "Floor");
        m.quad(pt(x0, y0, z1), pt(x1, y0, z1), pt(x1, y1, z1), pt(x0, y1, z1), {0, 0, -1}, "Ceiling");
        // The walls, facing in, each from a to b along the floor; a doorway where a room of the
        // same storey lies beyond.
        struct Wall {
            double ax, ay, bx, by;
            Point in;
            bool doorway;
        };
        const Wall walls[4] = {{x0, y0, x1, y0, {0, 1, 0}, exists(within - cols, held)},
                               {x1, y0, x1, y1, {-1, 0, 0}, cx + 1 < cols && exists(within + 1, held)},
                               {x1, y1, x0, y1, {0, -1, 0}, exists(within + cols, held)},
                               {x0, y1, x0, y0, {1, 0, 0}, cx > 0}};
        const double d0 = (size - door) / 2, d1 = d0 + door;
        for (const Wall& w : walls) {
            const double dx = (w.bx - w.ax) / size, dy = (w.by - w.ay) / size;
            auto at = [&](double t, double z) { return pt(w.ax + dx * t, w.ay + dy * t, z); };
            if (!w.doorway) {
                m.quad(at(0, z0), at(size, z0), at(size, z1), at(0, z1), w.in, "Wall");
                continue;
            }
            m.quad(at(0, z0), at(d0, z0), at(d0, z1), at(0, z1), w.in, "Wall");
            m.quad(at(d1, z0), at(size, z0), at(size, z1), at(d1, z1), w.in, "Wall");
            m.quad(at(d0, z0 + doorHeight), at(d1, z0 + doorHeight), at(d1, z1), at(d0, z1), w.in, "Wall");
        }
        // Panels standing a little off the walls, beside the doorway.
        for (int p = 1 + rng.below(4); p > 0; --p) {
            const Wall& w = walls[rng.below(4)];
            const double width = rng.range(1, 3.5);
            const double start = rng.below(2) ? rng.range(0.5, d0 - width) : rng.range(d1, size - 0.5 - width);
            const double pz0 = z0 + rng.range(0.5, 1.2), pz1 = pz0 + rng.range(1, 2.5);
            auto along = [&](double t) {
                return std::array<double, 2>{w.ax + (w.bx - w.ax) / size * t, w.ay + (w.by - w.ay) / size * t};
            };
            const auto a = along(start), b = along(start + width);
            Vec lo{std::min(a[0], b[0]), std::min(a[1], b[1]), pz0}, hi{std::max(a[0], b[0]), std::max(a[1], b[1]), pz1};
            // A tenth out from the wall; the side against the wall stays open.
            const auto axis = static_cast<std::size_t>(w.in[0] != 0 ? 0 : 1);
            const bool outwardUp = w.in[axis] > 0;
            if (outwardUp) hi[axis] = lo[axis] + 0.1;
            else lo[axis] = hi[axis] - 0.1;
            openBox(m, lo, hi, static_cast<int>(2 * axis) + (outwardUp ? 0 : 1), "Panel");
        }
        // The detail, clear of the walls.
        const int seg = plan.segments;
        const double px = rng.range(x0 + 3.5, x1 - 3.5), py = rng.range(y0 + 3.5, y1 - 3.5);
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
                openBox(m, {sx + step * 0.7, sy, z0}, {sx + (step + 1) * 0.7, sy + 2, z0 + 0.4 * (step + 1)}, 4,
                        "Stone");
            torus(m, {sx + 2.1, sy + 1, z1 - 1.2}, rng.below(3), 0.8, rng.range(0.15, 0.3), seg, "Metal");
            break;
        }
        }
        planarUvs(m, 0.25);
        m.smoothing = true;
        m.localAxes = true;
        m.origin = pt(x0 + size / 2, y0 + size / 2, z0);
        s.meshes.push_back(m);
    }
    s.lights.push_back({"Sun", pt(0, 0, 60), {1.0f, 0.95f, 0.85f}, false, {}, 0, 0, false, true});
    s.lights.push_back({"Lamp", pt(size / 2, size / 2, height - 0.3), {0.9f, 0.8f, 0.6f}, true,
                        pt(size / 2, size / 2, 0), 30, 50, false, false});
    s.cameras.push_back({"Player", pt(1.5, 1.5, 1.7), pt(size, size, 1.2), 0, 40});
    s.keyframer = true;
    return s;
}

// Every kind: its name, what it holds, its size when --faces is not given, the largest size it
// can make, and its generator. One mesh holds at most 65535 vertices and 65535 faces (3DS's
// 16-bit counts), which bounds the kinds that put everything in one mesh or one ground grid.
struct KindEntry {
    SceneKindInfo info;
    ScenePlan (*make)(Random& rng, std::uint32_t faces);
};

const std::vector<KindEntry>& kindTable() {
    static const std::vector<KindEntry> table{
        {{"box", "one closed box of 12 faces (the size is fixed)", 12, 12},
         [](Random&, std::uint32_t) { return boxScene(); }},
        {{"arena", "rooms with doorways, pillars, stairs and ramps; lights, a camera, keyframes", 600,
          maxGeneratedFaces},
         arenaScene},
        // cells = floor(sqrt(faces / 2)); 2 cells^2 faces in one mesh: at most 181 cells a side.
        {{"terrain", "a height field of triangles in one mesh", 2000, 66247}, terrainScene},
        // Three vertices a face in one mesh.
        {{"soup", "random triangles in a cube, a quarter of them in a few shared planes", 500, 21845}, soupScene},
        // A ground grid of 18 side^2 faces, side = ceil(sqrt(faces / 128)): at most 60 lots a side.
        {{"city", "buildings on a street grid over a ground mesh", 5000, 460927}, cityScene},
        // 20 freq^2 faces in one mesh, freq = round(sqrt(faces / 20)): at most 57.
        {{"rock", "a bumpy geodesic sphere; its trees grow thousands of levels deep", 5000, 66124}, rockScene},
        // One mesh a room: only the whole scene's size is bounded.
        {{"level", "rooms on storeys, each with panels and one curved detail (sphere, torus, column, stairs)", 5000,
          maxGeneratedFaces},
         levelScene},
    };
    return table;
}

const KindEntry* findKind(const std::string& kind) {
    for (const KindEntry& entry : kindTable())
        if (kind == entry.info.name) return &entry;
    return nullptr;
}

} // namespace

const std::vector<std::string>& sceneKinds() {
    static const std::vector<std::string> kinds = [] {
        std::vector<std::string> names;
        for (const KindEntry& entry : kindTable()) names.push_back(entry.info.name);
        return names;
    }();
    return kinds;
}

bool isSceneKind(const std::string& kind) { return findKind(kind) != nullptr; }

const SceneKindInfo& sceneKindInfo(const std::string& kind) {
    const KindEntry* entry = findKind(kind);
    if (!entry) throw std::invalid_argument("unknown scene kind: " + kind);
    return entry->info;
}

ScenePlan generateScene(const std::string& kind, std::uint64_t seed, std::uint32_t faces) {
    const SceneKindInfo& info = sceneKindInfo(kind);
    if (faces > info.maxFaces)
        throw std::invalid_argument(kind + " makes at most " + std::to_string(info.maxFaces) + " faces, not " +
                                    std::to_string(faces));
    Random rng(seed * 0x2545F4914F6CDD1Dull + 1);
    return findKind(kind)->make(rng, faces ? faces : info.defaultFaces);
}

} // namespace norvane::scene3ds
