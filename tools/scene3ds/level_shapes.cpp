#include "scene3ds/level_shapes.h"

#include <vector>

namespace norvane::scene3ds {

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

} // namespace norvane::scene3ds
