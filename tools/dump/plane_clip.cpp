#include "dump/plane_clip.h"

#include <algorithm>
#include <cmath>

namespace norvane::dump {
namespace {

double dot(const Point3& a, const Point3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Point3 cross(const Point3& a, const Point3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Point3 scaled(const Point3& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
Point3 plus(const Point3& a, const Point3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }

// Keeps the part of a convex polygon where n . p + d >= 0 (Sutherland-Hodgman, one edge).
std::vector<Point3> keepAbove(const std::vector<Point3>& polygon, const Point3& n, double d) {
    std::vector<Point3> kept;
    kept.reserve(polygon.size() + 1);
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Point3& p = polygon[i];
        const Point3& q = polygon[(i + 1) % polygon.size()];
        const double sp = dot(n, p) + d, sq = dot(n, q) + d;
        if (sp >= 0) kept.push_back(p);
        if ((sp >= 0) != (sq >= 0)) {
            const double t = sp / (sp - sq);
            kept.push_back({p[0] + (q[0] - p[0]) * t, p[1] + (q[1] - p[1]) * t, p[2] + (q[2] - p[2]) * t});
        }
    }
    return kept;
}

} // namespace

std::vector<Point3> planeInCell(const std::array<double, 4>& plane, const Box& box, std::span<const HalfSpace> cell,
                                double tolerance) {
    for (double v : plane)
        if (!std::isfinite(v)) return {};
    Point3 n{plane[0], plane[1], plane[2]};
    const double length = std::sqrt(dot(n, n));
    if (!(length > 0)) return {};
    n = scaled(n, 1 / length);
    const double d = plane[3] / length;

    // A square on the plane, centred where the box's centre projects onto it and larger than
    // the box, which the box's six sides then cut down.
    const Point3 centre = scaled(plus(box.lo, box.hi), 0.5);
    const Point3 onPlane = plus(centre, scaled(n, -(dot(n, centre) + d)));
    const Point3 diagonal{box.hi[0] - box.lo[0], box.hi[1] - box.lo[1], box.hi[2] - box.lo[2]};
    const double reach = 2 * std::sqrt(dot(diagonal, diagonal)) + 2 * std::fabs(dot(n, centre) + d) + 1;
    const int least = std::fabs(n[0]) <= std::fabs(n[1]) && std::fabs(n[0]) <= std::fabs(n[2]) ? 0
                      : std::fabs(n[1]) <= std::fabs(n[2])                                     ? 1
                                                                                               : 2;
    Point3 axis{0, 0, 0};
    axis[static_cast<std::size_t>(least)] = 1;
    Point3 u = cross(n, axis);
    u = scaled(u, reach / std::sqrt(dot(u, u)));
    const Point3 v = scaled(cross(n, u), 1); // |n| = 1, so |v| = |u|
    std::vector<Point3> polygon{plus(onPlane, plus(u, v)), plus(onPlane, plus(scaled(u, -1), v)),
                                plus(onPlane, plus(scaled(u, -1), scaled(v, -1))),
                                plus(onPlane, plus(u, scaled(v, -1)))};

    for (std::size_t k = 0; k < 3 && !polygon.empty(); ++k) {
        Point3 e{0, 0, 0};
        e[k] = 1;
        polygon = keepAbove(polygon, e, -box.lo[k]);
        e[k] = -1;
        if (!polygon.empty()) polygon = keepAbove(polygon, e, box.hi[k]);
    }
    for (const HalfSpace& h : cell) {
        if (polygon.empty()) break;
        const Point3 m{h.plane[0], h.plane[1], h.plane[2]};
        const double ml = std::sqrt(dot(m, m));
        if (!(ml > 0) || !std::isfinite(ml) || !std::isfinite(h.plane[3])) continue; // no side to keep
        // Distances in scene units, so that the tolerance means what it means to the compiler.
        const double sign = h.front ? 1 : -1;
        polygon = keepAbove(polygon, scaled(m, sign / ml), sign * h.plane[3] / ml + tolerance);
    }
    return polygon;
}

} // namespace norvane::dump
