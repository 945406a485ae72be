#include "scene3ds/generator_parts.h"

#include <cmath>

namespace norvane::scene3ds {

void planarUvs(MeshPlan& m, double scale) {
    m.uvs.clear();
    for (const Point& p : m.points) m.uvs.push_back({f((p[0] + p[2]) * scale), f((p[1] + p[2]) * scale)});
}

double Noise::at(double x, double y, double z) const {
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

double Noise::lattice(long long x, long long y, long long z) const {
    Random r(seed_ ^ (static_cast<std::uint64_t>(x) * 0x9E3779B1ull) ^ (static_cast<std::uint64_t>(y) * 0x85EBCA77ull) ^
             (static_cast<std::uint64_t>(z) * 0xC2B2AE3Dull));
    return r.range(-1, 1);
}

std::array<double, 2> turn(int k, int n) {
    const double pi = 3.14159265358979323846;
    double x = 2 * pi * ((k % n + n) % n) / n;
    if (x > pi) x -= 2 * pi;
    double c = 0, s = 0, term = 1; // term: x^j / j!
    for (int j = 0; j < 40; ++j) {
        if (j % 4 == 0)
            c += term;
        else if (j % 4 == 1)
            s += term;
        else if (j % 4 == 2)
            c -= term;
        else
            s -= term;
        term = term * x / (j + 1);
    }
    return {c, s};
}

} // namespace norvane::scene3ds
