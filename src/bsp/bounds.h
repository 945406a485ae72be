// Axis-aligned bounds of a group of points, and the side of a plane they lie on as a whole.
#pragma once

#include <algorithm>
#include <cmath>

#include "bsp/classify.h"

namespace norvane {

struct Bounds {
    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
    double hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    double mid[3] = {}, half[3] = {}, extent[3] = {}; // centre, half size, largest magnitude
    bool exactOnly = false; // a coordinate is not finite: never decided as a whole

    void add(const Vertex& v) {
        const double p[3] = {v.x, v.y, v.z};
        for (int k = 0; k < 3; ++k) {
            if (!std::isfinite(p[k])) exactOnly = true;
            else {
                lo[k] = std::min(lo[k], p[k]);
                hi[k] = std::max(hi[k], p[k]);
            }
        }
    }
    // Computes the centre, half size and magnitude once every point is added.
    void finish() {
        for (int k = 0; k < 3; ++k) {
            mid[k] = (lo[k] + hi[k]) / 2;
            half[k] = (hi[k] - lo[k]) / 2;
            extent[k] = std::max(std::fabs(lo[k]), std::fabs(hi[k]));
        }
    }
};

// The first floats beyond the tolerance band.
inline const double frontLimit = std::nextafter(planeTolerance, 1.0f);
inline const double backLimit = std::nextafter(-planeTolerance, -1.0f);

// Front or Back when every point of the bounds is certainly beyond the tolerance band, On when
// undecided. The distance of a point is rounded from a double sum whose error is far below
// 1e-12 of the magnitudes summed, so the bounds are decided only when their range clears the
// first float beyond the tolerance by that much.
inline Side boundsSide(const Plane& p, const Bounds& b) {
    if (b.exactOnly) return On;
    const double a = p.a, bb = p.b, c = p.c, d = p.d;
    // Centre and half extent: the plane's value over the bounds is centre +- reach.
    const double centre = a * b.mid[0] + bb * b.mid[1] + c * b.mid[2] + d;
    const double reach = std::fabs(a) * b.half[0] + std::fabs(bb) * b.half[1] + std::fabs(c) * b.half[2];
    const double margin = 1e-12 * (std::fabs(a) * b.extent[0] + std::fabs(bb) * b.extent[1] +
                                   std::fabs(c) * b.extent[2] + std::fabs(d));
    if (centre - reach - margin > frontLimit) return Front; // NaN comparisons fail: undecided
    if (centre + reach + margin < backLimit) return Back;
    return On;
}

} // namespace norvane
