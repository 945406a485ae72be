// After the filling pass: face planes, vertex normals and camera matrices. Every expression is
// evaluated in double and rounded to float where its value is stored, in a fixed order, so
// that every build computes the same bits.
#include <cmath>

#include "common/hash_table.h"
#include "math/float_math.h"
#include "math/matrix4.h"
#include "scene/post_process.h"

namespace norvane {

Plane computeFacePlane(const Vertex& p0, const Vertex& p1, const Vertex& p2) {
    const float e1x = toF32(double(p1.x) - p0.x), e1y = toF32(double(p1.y) - p0.y),
                e1z = toF32(double(p1.z) - p0.z);
    const float e2x = toF32(double(p2.x) - p0.x), e2y = toF32(double(p2.y) - p0.y),
                e2z = toF32(double(p2.z) - p0.z);
    // n = e2 x e1
    float nx = toF32(double(e2y) * e1z - double(e1y) * e2z);
    float ny = toF32(double(e2z) * e1x - double(e1z) * e2x);
    float nz = toF32(double(e2x) * e1y - double(e1x) * e2y);
    // A zero-area face divides by a zero length and keeps the NaN plane that gives.
    const float len = vectorLength(nx, ny, nz);
    nx = toF32(double(nx) / len);
    ny = toF32(double(ny) / len);
    nz = toF32(double(nz) / len);
    const float d = toF32(-((double(nx) * p0.x + double(ny) * p0.y) + double(nz) * p0.z));
    return Plane{nx, ny, nz, d};
}

void computeFacePlanes(Mesh& mesh, const std::vector<Vertex>& corners) {
    for (Face& face : mesh.faces)
        face.plane = computeFacePlane(corners[face.corners[0]], corners[face.corners[1]], corners[face.corners[2]]);
}

namespace {

// Positions compare as floats: -0 equals 0, and a NaN equals nothing (such a position is
// never a key).
struct PositionKey {
    std::uint32_t x, y, z;
    bool operator==(const PositionKey&) const = default;
};

struct PositionKeyHasher {
    std::uint64_t operator()(const PositionKey& k) const {
        const std::uint32_t words[3] = {k.x, k.y, k.z};
        return hashWords(words, 3);
    }
};

bool positionKey(const Vertex& v, PositionKey& key) {
    if (std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z)) return false;
    auto bits = [](float f) { return floatBits(f == 0.0f ? 0.0f : f); };
    key = PositionKey{bits(v.x), bits(v.y), bits(v.z)};
    return true;
}

struct NormalSum {
    float x = 0, y = 0, z = 0;
};

} // namespace

void computeVertexNormals(Mesh& mesh, const std::vector<Vertex>& corners) {
    // Every face corner adds its face's normal to the sum kept for its position, faces and
    // corners in order, so each vertex gathers exactly the sequence of sums that comparing it
    // with every corner would give. A face whose normal is not finite adds nothing. A position's
    // sum is kept at its first corner in the list; a corner with a NaN coordinate has none.
    // A corner without a position keeps the bits of a NaN, which no position's key has.
    std::vector<PositionKey> keys(corners.size(), PositionKey{0x7FC00000u, 0, 0});
    std::vector<std::uint8_t> keyed(corners.size());
    for (std::size_t i = 0; i < corners.size(); ++i) keyed[i] = positionKey(corners[i], keys[i]);
    const std::vector<std::uint32_t> first = firstOccurrences(keys, PositionKeyHasher{});
    std::vector<NormalSum> sums(corners.size());
    for (const Face& face : mesh.faces) {
        const Plane& p = face.plane;
        if (!std::isfinite(p.a) || !std::isfinite(p.b) || !std::isfinite(p.c)) continue;
        for (const std::uint32_t corner : face.corners) {
            if (!keyed[corner]) continue;
            NormalSum& s = sums[first[corner]];
            s.x = toF32(double(s.x) + p.a);
            s.y = toF32(double(s.y) + p.b);
            s.z = toF32(double(s.z) + p.c);
        }
    }
    // The vertices are the corners themselves, unless a later list replaced the one the faces use.
    const bool ownCorners = &corners == &mesh.vertices;
    HashTable<PositionKey, std::uint32_t, PositionKeyHasher> firstAt(ownCorners ? 0 : corners.size());
    if (!ownCorners)
        for (std::size_t i = 0; i < corners.size(); ++i)
            if (keyed[i]) firstAt.insert(keys[i], static_cast<std::uint32_t>(i));
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
        Vertex& v = mesh.vertices[i];
        NormalSum s;
        if (ownCorners) {
            if (keyed[i]) s = sums[first[i]];
        } else if (PositionKey key; positionKey(v, key)) {
            if (const std::uint32_t* found = firstAt.find(key)) s = sums[*found];
        }
        v.nx = s.x;
        v.ny = s.y;
        v.nz = s.z;
        if (!normalise(v.nx, v.ny, v.nz)) v.nx = v.ny = v.nz = 0.0f;
    }
}

void computeVertexNormalsReference(Mesh& mesh, const std::vector<Vertex>& corners) {
    for (Vertex& v : mesh.vertices) {
        float x = 0, y = 0, z = 0;
        for (const Face& face : mesh.faces) {
            const Plane& p = face.plane;
            if (!std::isfinite(p.a) || !std::isfinite(p.b) || !std::isfinite(p.c)) continue;
            for (const std::uint32_t index : face.corners)
                if (const Vertex& corner = corners[index]; corner.x == v.x && corner.y == v.y && corner.z == v.z) {
                    x = toF32(double(x) + p.a);
                    y = toF32(double(y) + p.b);
                    z = toF32(double(z) + p.c);
                }
        }
        v.nx = x;
        v.ny = y;
        v.nz = z;
        if (!normalise(v.nx, v.ny, v.nz)) v.nx = v.ny = v.nz = 0.0f;
    }
}

void setupCamera(Camera& camera) {
    matrixIdentity(&camera.matrix);
    if (camera.positionKeys.count() == 0) return;
    const float px = camera.positionKeys.x[0], py = camera.positionKeys.y[0],
                pz = camera.positionKeys.z[0];
    camera.matrix.m[12] = px;
    camera.matrix.m[13] = py;
    camera.matrix.m[14] = pz;
    if (camera.targetKeys.count() == 0) return;

    float dx = toF32(double(camera.targetKeys.x[0]) - px);
    float dy = toF32(double(camera.targetKeys.y[0]) - py);
    float dz = toF32(double(camera.targetKeys.z[0]) - pz);
    // A camera on its target or looking straight along the up axis has no direction to build
    // axes from: it keeps the matrix without target.
    if (!normalise(dx, dy, dz)) return;
    // r = d x (0, 1, 0); u = d x r, taken before r is normalised.
    float rx = toF32(double(dy) * 0.0 - double(dz) * 1.0);
    float ry = toF32(double(dz) * 0.0 - double(dx) * 0.0);
    float rz = toF32(double(dx) * 1.0 - double(dy) * 0.0);
    float ux = toF32(double(dy) * rz - double(dz) * ry);
    float uy = toF32(double(dz) * rx - double(dx) * rz);
    float uz = toF32(double(dx) * ry - double(dy) * rx);
    if (!normalise(rx, ry, rz) || !normalise(ux, uy, uz)) return;
    const float axes[9] = {rx, ry, rz, ux, uy, uz, dx, dy, dz};
    for (int row = 0; row < 3; ++row)
        for (int c = 0; c < 3; ++c) camera.matrix.m[4 * row + c] = axes[3 * row + c];
}

} // namespace norvane
