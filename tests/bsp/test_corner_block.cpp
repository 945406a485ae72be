// The block tally behind leaf boxes and moved faces: face by face as classifyTriangle sees the
// faces, on the portable build and on the wide one alike, with corners a few floats from the
// tolerance band, NaN and infinities, and block sizes that leave vector remainders.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "bsp/corner_block.h"

namespace norvane {
namespace {

struct Block {
    std::vector<Vertex> corners; // three per face
    std::vector<float> x, y, z;
    std::size_t stride = 0;

    // Lays the corners out with `slots` slots per corner, padding with `padding`.
    void layOut(std::size_t slots, float padding) {
        const std::size_t count = corners.size() / 3;
        stride = slots;
        x.assign(3 * slots, padding), y.assign(3 * slots, padding), z.assign(3 * slots, padding);
        for (std::size_t i = 0; i < count; ++i)
            for (std::size_t k = 0; k < 3; ++k) {
                x[k * slots + i] = corners[3 * i + k].x;
                y[k * slots + i] = corners[3 * i + k].y;
                z[k * slots + i] = corners[3 * i + k].z;
            }
    }
    CornerBlock block() const { return {x.data(), y.data(), z.data(), corners.size() / 3, stride}; }
    SideTally faceByFace(const Plane& p) const {
        SideTally t;
        for (std::size_t i = 0; i + 2 < corners.size(); i += 3)
            t.add(classifyTriangle(p, corners[i], corners[i + 1], corners[i + 2]));
        return t;
    }
};

TEST(CornerBlock, BothBuildsTallyFaceByFaceAtTheToleranceBand) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> unit(-1, 1);
    std::uniform_int_distribution<int> ulps(-6, 6);
    const float odd[] = {std::numeric_limits<float>::quiet_NaN(), HUGE_VALF, -HUGE_VALF, 1e30f, -0.0f};
    int nearBand = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        const double nx = unit(rng), ny = unit(rng), nz = unit(rng), len = std::sqrt(nx * nx + ny * ny + nz * nz);
        Plane p{float(nx / len), float(ny / len), float(nz / len), unit(rng)};
        const float scale = std::ldexp(1.0f, static_cast<int>(rng() % 10) - 4);
        Block b;
        // Padded blocks as the leaves keep them (padded with a point far off the plane, which would
        // show if the padding were counted), and blocks of any size as the moved faces are.
        const bool padded = trial % 2 == 0;
        const std::size_t count = padded ? rng() % (paddedBlockFaces + 1) : rng() % 41;
        for (std::size_t v = 0; v < 3 * count; ++v) {
            Vertex c;
            c.x = scale * unit(rng), c.y = scale * unit(rng), c.z = scale * unit(rng);
            if (rng() % 2) {
                // Move the corner along z until its distance sits a few floats from a band edge.
                const float edge = (rng() % 2 ? 1 : -1) * planeTolerance;
                const double s = double(p.a) * c.x + double(p.b) * c.y;
                if (p.c != 0) c.z = static_cast<float>((edge - p.d - s) / p.c);
                for (int u = ulps(rng); u != 0; u += u > 0 ? -1 : 1)
                    c.z = std::nextafter(c.z, u > 0 ? HUGE_VALF : -HUGE_VALF);
            }
            if (rng() % 200 == 0) c.y = odd[rng() % 5];
            b.corners.push_back(c);
        }
        b.layOut(padded ? paddedBlockFaces : count, padded ? -1e6f : 0.0f);
        for (const Vertex& c : b.corners)
            nearBand += std::fabs(std::fabs(planeDistance(p, c)) - planeTolerance) <= 1e-6f;
        std::vector<float> scratch(3 * b.stride + 1);
        const SideTally expected = b.faceByFace(p);
        for (const VectorBuild build : {VectorBuild::Portable, VectorBuild::Wide, VectorBuild::Best}) {
            SideTally t{1, 2, 3}; // added to, not replaced
            tallyBlock(p, b.block(), scratch.data(), t, build);
            ASSERT_EQ(t, (SideTally{expected.front + 1, expected.back + 2, expected.span + 3}))
                << "trial " << trial << " build " << int(build);
        }
    }
    EXPECT_GT(nearBand, 10000) << "the corners no longer reach the band's edges";
}

} // namespace
} // namespace norvane
