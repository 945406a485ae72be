// A plane's and a vertex record's floats in file order, for the tools that print or compare
// them field by field.
#pragma once

#include <array>

#include <norvane/geometry.h>

namespace norvane {

inline std::array<float, 4> planeValues(const Plane& p) { return {p.a, p.b, p.c, p.d}; }
inline std::array<float, 8> vertexValues(const Vertex& v) { return {v.x, v.y, v.z, v.u, v.v, v.nx, v.ny, v.nz}; }

} // namespace norvane
