// The geometric types every public header speaks in: a point, a plane and a vertex record, in
// 32-bit floats as the files hold them.
#pragma once

namespace norvane {

struct Point3 {
    float x = 0, y = 0, z = 0;
};

// The points (x, y, z) with a*x + b*y + c*z + d = 0. A face's plane has a unit normal (a, b, c);
// a plane read from a tree file is whatever the file holds.
struct Plane {
    float a = 0, b = 0, c = 0, d = 0;
};

// A corner as the scene and the tree file keep it.
struct Vertex {
    float x = 0, y = 0, z = 0;    // position
    float u = 0, v = 0;           // mapping coordinates; 0 when the file gives none
    float nx = 0, ny = 0, nz = 0; // unit vertex normal, or 0 when it has none
};

} // namespace norvane
