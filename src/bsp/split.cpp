#include "bsp/split.h"

#include <cmath>

#include "bsp/classify.h"
#include "math/float_math.h"

namespace norvane {

Vertex intersectEdge(const Vertex& start, const Vertex& end, const Plane& plane) {
    const float ds = planeDistance(plane, start);
    const float de = planeDistance(plane, end);
    // Equal distances (a NaN among them) give no crossing point: the start vertex stands in.
    if (ds == de || std::isnan(ds) || std::isnan(de)) return start;
    const float t = toF32(double(ds) / (double(ds) - double(de)));
    auto lerp = [t](float s, float e) { return toF32((double(e) - double(s)) * double(t) + double(s)); };
    Vertex v;
    v.x = lerp(start.x, end.x);
    v.y = lerp(start.y, end.y);
    v.z = lerp(start.z, end.z);
    v.u = lerp(start.u, end.u);
    v.v = lerp(start.v, end.v);
    v.nx = lerp(start.nx, end.nx);
    v.ny = lerp(start.ny, end.ny);
    v.nz = lerp(start.nz, end.nz);
    if (!normalise(v.nx, v.ny, v.nz)) {
        v.nx = start.nx;
        v.ny = start.ny;
        v.nz = start.nz;
    }
    return v;
}

SplitResult splitFace(BspTree& tree, const Plane& plane, const BspFace& face, std::size_t maxVertices,
                      std::vector<BspFace>& frontList, std::vector<BspFace>& backList) {
    int frontCount = 0, backCount = 0, onCount = 0, lastFront = 0, lastBack = 0;
    for (int k = 0; k < 3; ++k) {
        const Side side = classifyPoint(plane, tree.vertices[face.verts[k]]);
        if (side == Back) {
            ++backCount;
            lastBack = k;
        } else {
            ++frontCount; // Front and On corners count as front
            lastFront = k;
            if (side == On) ++onCount;
        }
    }
    int i;
    bool oneFront;
    if (frontCount == 1 && onCount == 0) {
        i = lastFront;
        oneFront = true;
    } else if (backCount == 1 && onCount != 2) {
        i = lastBack;
        oneFront = false;
    } else {
        return SplitResult::NoPattern;
    }
    const int j = (i + 1) % 3, k = (i + 2) % 3;
    const std::uint32_t vi = face.verts[i], vj = face.verts[j], vk = face.verts[k];

    // N1 on edge i->j, then N2 on edge k->i; the build stops as soon as the list outgrows the
    // tree file's counts.
    std::uint32_t n[2];
    const std::uint32_t ends[2][2] = {{vi, vj}, {vk, vi}};
    for (int e = 0; e < 2; ++e) {
        const Vertex made = intersectEdge(tree.vertices[ends[e][0]], tree.vertices[ends[e][1]], plane);
        tree.vertices.push_back(made);
        if (tree.vertices.size() > maxVertices) return SplitResult::TooManyVertices;
        n[e] = static_cast<std::uint32_t>(tree.vertices.size() - 1);
    }
    auto piece = [&face](std::uint32_t a, std::uint32_t b, std::uint32_t c) {
        BspFace p = face;
        p.verts[0] = a;
        p.verts[1] = b;
        p.verts[2] = c;
        return p;
    };
    if (oneFront) {
        frontList.push_back(piece(vi, n[0], n[1]));
        backList.push_back(piece(n[0], vj, vk));
        backList.push_back(piece(vk, n[1], n[0]));
    } else {
        frontList.push_back(piece(n[0], vj, n[1]));
        frontList.push_back(piece(vj, vk, n[1]));
        backList.push_back(piece(n[0], n[1], vi));
    }
    return SplitResult::Cut;
}

} // namespace norvane
