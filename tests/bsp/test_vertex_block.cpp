// The vertex-block tally behind most leaf boxes: face by face as classifyTriangle sees the faces,
// on the portable build and on the wide one alike, with faces sharing vertices a few floats from
// the tolerance band, NaN and infinities, and every number of vertices up to a block's 64
// (up to 32 with the masks in 32 bits too).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "bsp/vertex_block.h"

namespace norvane {
namespace {

struct Leaf {
    std::vector<Vertex> vertices;
    std::vector<std::array<std::uint32_t, 3>> faces;
    std::vector<double> x, y, z;
    std::vector<std::uint64_t> masks;
    std::vector<std::uint32_t> narrow;

    // Lays the vertices out in slots rounded up to the block's step, padding with a point far off
    // every plane (which would show if the padding were counted).
    VertexBlock layOut() {
        const std::size_t slots = (vertices.size() + vertexBlockStep - 1) / vertexBlockStep * vertexBlockStep;
        x.assign(slots, 1e6), y.assign(slots, -1e6), z.assign(slots, 1e6);
        for (std::size_t k = 0; k < vertices.size(); ++k) x[k] = vertices[k].x, y[k] = vertices[k].y, z[k] = vertices[k].z;
        masks.assign(paddedBlockFaces, 0);
        for (std::size_t i = 0; i < faces.size(); ++i)
            for (const std::uint32_t v : faces[i]) masks[i] |= std::uint64_t{1} << v;
        narrow.assign(masks.begin(), masks.end()); // the low halves, all there is when it fits
        return {x.data(), y.data(), z.data(), slots, masks.data(),
                slots <= narrowBlockVertices ? narrow.data() : nullptr};
    }
    SideTally faceByFace(const Plane& p) const {
        SideTally t;
        for (const auto& f : faces) t.add(classifyTriangle(p, vertices[f[0]], vertices[f[1]], vertices[f[2]]));
        return t;
    }
};

// A vertex moved along z until its distance from the plane sits a few floats from a band edge.
void nearBandEdge(const Plane& p, Vertex& v, std::mt19937& rng) {
    const float edge = (rng() % 2 ? 1 : -1) * planeTolerance;
    const double s = double(p.a) * v.x + double(p.b) * v.y;
    if (p.c != 0) v.z = static_cast<float>((edge - p.d - s) / p.c);
    for (int u = static_cast<int>(rng() % 13) - 6; u != 0; u += u > 0 ? -1 : 1)
        v.z = std::nextafter(v.z, u > 0 ? HUGE_VALF : -HUGE_VALF);
}

TEST(VertexBlock, BothBuildsTallyFaceByFaceAtTheToleranceBand) {
    std::mt19937 rng(23);
    std::uniform_real_distribution<float> unit(-1, 1);
    const float odd[] = {std::numeric_limits<float>::quiet_NaN(), HUGE_VALF, -HUGE_VALF, 1e30f, -0.0f};
    int nearBand = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        const double nx = unit(rng), ny = unit(rng), nz = unit(rng), len = std::sqrt(nx * nx + ny * ny + nz * nz);
        const Plane p{float(nx / len), float(ny / len), float(nz / len), unit(rng)};
        const float scale = std::ldexp(1.0f, static_cast<int>(rng() % 10) - 4);
        Leaf leaf;
        const std::size_t vertexCount = 3 + rng() % (maxBlockVertices - 2);
        for (std::size_t v = 0; v < vertexCount; ++v) {
            Vertex c;
            c.x = scale * unit(rng), c.y = scale * unit(rng), c.z = scale * unit(rng);
            if (rng() % 2) nearBandEdge(p, c, rng);
            if (rng() % 200 == 0) c.y = odd[rng() % 5];
            nearBand += std::fabs(std::fabs(planeDistance(p, c)) - planeTolerance) <= 1e-6f;
            leaf.vertices.push_back(c);
        }
        // Faces share the vertices, every vertex used at least once where the count allows.
        const std::size_t faceCount = 1 + rng() % paddedBlockFaces;
        for (std::size_t i = 0; i < faceCount; ++i) {
            std::array<std::uint32_t, 3> f{};
            for (std::uint32_t k = 0; k < 3; ++k)
                f[k] = static_cast<std::uint32_t>((3 * i + k < vertexCount ? 3 * i + k : rng()) % vertexCount);
            leaf.faces.push_back(f);
        }
        const VertexBlock block = leaf.layOut();
        const SideTally expected = leaf.faceByFace(p);
        for (const VectorBuild build : {VectorBuild::Portable, VectorBuild::Wide, VectorBuild::Best}) {
            SideTally t{1, 2, 3}; // added to, not replaced
            tallyVertexBlock(p, block, t, build);
            ASSERT_EQ(t, (SideTally{expected.front + 1, expected.back + 2, expected.span + 3}))
                << "trial " << trial << " build " << int(build);
        }
    }
    EXPECT_GT(nearBand, 20000) << "the vertices no longer reach the band's edges";
}

} // namespace
} // namespace norvane
