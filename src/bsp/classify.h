// Which side of a plane a point or a face lies on, with the tolerance 0.001.
#pragma once

#include <vector>

#include "bsp/bsp_tree.h"
#include "norvane/scene.h"

namespace norvane {

enum Side : int { Front = 1, Back = 2, On = 4, Spanning = 8 };

inline constexpr float planeTolerance = 0.001f;

// float(((a*x + b*y) + c*z) + d), summed in double in that order.
inline float planeDistance(const Plane& p, float x, float y, float z) {
    return static_cast<float>(((double(p.a) * x + double(p.b) * y) + double(p.c) * z) + p.d);
}
inline float planeDistance(const Plane& p, const Vertex& v) { return planeDistance(p, v.x, v.y, v.z); }

// Front beyond +0.001, Back below -0.001, On between (both limits included); NaN is Back.
inline Side sideOfDistance(float distance) {
    if (distance > planeTolerance) return Front;
    if (distance < -planeTolerance) return Back;
    if (distance != distance) return Back;
    return On;
}

inline Side classifyPoint(const Plane& p, const Vertex& v) { return sideOfDistance(planeDistance(p, v)); }

// The face's side from its three corner sides.
inline Side classifyCorners(Side s0, Side s1, Side s2) {
    int front = 0, back = 0, on = 0;
    for (Side s : {s0, s1, s2}) {
        if (s == Front) ++front;
        else if (s == Back) ++back;
        else ++on;
    }
    if (on == 3) return On;
    if (front == 3) return Front;
    if (back == 3) return Back;
    if (front + on == 3) return Front;
    if (back + on == 3) return Back;
    return Spanning;
}

// The same from the union of the corners' sides as bits: both Front and Back make Spanning,
// either with or without On makes that side, On alone makes On.
inline Side classifyCornerBits(unsigned bits) {
    if ((bits & (Front | Back)) == (Front | Back)) return Spanning;
    if (bits & Front) return Front;
    if (bits & Back) return Back;
    return On;
}

// The side of the triangle with these corners.
inline Side classifyTriangle(const Plane& p, const Vertex& a, const Vertex& b, const Vertex& c) {
    return classifyCorners(classifyPoint(p, a), classifyPoint(p, b), classifyPoint(p, c));
}

// The side of a tree face whose corners index `vertices`.
inline Side classifyFace(const Plane& p, const BspFace& f, const std::vector<Vertex>& vertices) {
    return classifyTriangle(p, vertices[f.verts[0]], vertices[f.verts[1]], vertices[f.verts[2]]);
}

} // namespace norvane
