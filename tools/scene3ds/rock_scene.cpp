// The rock: a geodesic sphere of 20 f^2 faces with shared vertices, displaced by smooth noise.
#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "scene3ds/generator_parts.h"

namespace norvane::scene3ds {
namespace {

const double goldenRatio = (1 + std::sqrt(5.0)) / 2;
const double ico[12][3] = {{-1, goldenRatio, 0}, {1, goldenRatio, 0}, {-1, -goldenRatio, 0}, {1, -goldenRatio, 0},
                           {0, -1, goldenRatio}, {0, 1, goldenRatio}, {0, -1, -goldenRatio}, {0, 1, -goldenRatio},
                           {goldenRatio, 0, -1}, {goldenRatio, 0, 1}, {-goldenRatio, 0, -1}, {-goldenRatio, 0, 1}};
constexpr int tris[20][3] = {{0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
                             {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
                             {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};

// The sphere's mesh as it is built: vertices are shared through their exact lattice address
// (corner, edge or face point of the icosahedron).
struct Rock {
    MeshPlan m;
    int freq;
    const Noise& noise;
    double radius;
    std::map<std::array<long long, 3>, std::uint16_t> shared;

    std::uint16_t vertex(int tri, int i, int j) {
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
        for (int q = 0; q < 3; ++q) p[q] = (ico[c[0]][q] * i + ico[c[1]][q] * j + ico[c[2]][q] * k) / freq;
        const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        for (double& v : p) v /= len;
        // Bumps of a tenth of the radius: mostly convex, as scanned boulders are, so each
        // level of the tree peels only a few faces off and trees grow thousands of levels deep.
        const double r = radius * (1 + 0.1 * noise.fractal(p[0] * 1.7 + 5, p[1] * 1.7 + 5, p[2] * 1.7 + 5));
        const std::uint16_t index = m.add(pt(p[0] * r, p[1] * r, p[2] * r));
        shared.emplace(key, index);
        return index;
    }

    // A face turned towards the sum of its corners.
    void face(std::uint16_t x, std::uint16_t y, std::uint16_t z) {
        Point o{0, 0, 0};
        for (std::uint16_t v : {x, y, z})
            for (int q = 0; q < 3; ++q) o[q] += m.points[v][q];
        m.triangle(x, y, z, o, "Rock");
    }
};

} // namespace

ScenePlan rockScene(Random& rng, std::uint32_t faces) {
    ScenePlan s;
    s.materials = {{"Rock", {0.45f, 0.4f, 0.35f}, "rock.png"}};
    const int freq = std::max(1, static_cast<int>(std::lround(std::sqrt(faces / 20.0))));
    const Noise noise(rng.next());
    Rock rock{MeshPlan{}, freq, noise, rng.range(40, 60), {}};
    rock.m.name = "Rock";
    for (int tri = 0; tri < 20; ++tri)
        for (int i = 0; i < freq; ++i)
            for (int j = 0; j + i < freq; ++j) {
                const std::uint16_t a = rock.vertex(tri, freq - i - j, i),
                                    b = rock.vertex(tri, freq - i - j - 1, i + 1),
                                    c = rock.vertex(tri, freq - i - j - 1, i);
                rock.face(a, b, c);
                if (i + j + 1 < freq) {
                    const std::uint16_t d = rock.vertex(tri, freq - i - j - 2, i + 1);
                    rock.face(b, d, c);
                }
            }
    planarUvs(rock.m, 0.01);
    s.meshes.push_back(rock.m);
    return s;
}

} // namespace norvane::scene3ds
