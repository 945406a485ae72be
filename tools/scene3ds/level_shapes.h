// The shapes the level's rooms are made of: open boxes, spheres, tori and columns, their
// corners shared and their faces turned outward.
#pragma once

#include <string>

#include "scene3ds/generator_parts.h"

namespace norvane::scene3ds {

// A box without the side `open` (0 to 5: -x, +x, -y, +y, -z, +z), faces outward, corners shared.
void openBox(MeshPlan& m, const Vec& lo, const Vec& hi, int open, const std::string& material);

// A sphere of `segments` around and segments / 2 bands from pole to pole, faces outward:
// 2 segments (segments / 2 - 1) faces.
void sphere(MeshPlan& m, const Vec& centre, double radius, int segments, const std::string& material);

// Six sides around a torus's tube. The faces on a torus's inner side cut each other's planes,
// so a torus's tree splits about one face in two; finer tubes would let the splits of a
// 60,000-face level outgrow the tree format's 65535 vertices.
constexpr int tubeSides = 6;

// A torus around the axis `axis` (0, 1, 2: x, y, z) through `centre`: `segments` around the
// ring, tubeSides around the tube, 2 segments tubeSides faces, outward.
void torus(MeshPlan& m, const Vec& centre, int axis, double ring, double tube, int segments,
           const std::string& material);

// An upright column of `segments` sides from z0 to z1 with a flared base and capital, open at
// both ends (they stand on the floor and under the ceiling): 6 segments faces.
void column(MeshPlan& m, double x, double y, double z0, double z1, double radius, int segments,
            const std::string& material);

} // namespace norvane::scene3ds
