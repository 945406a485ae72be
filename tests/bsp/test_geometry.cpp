// Classification limits, the split patterns and their pieces, plane choice ties and leaf rules,
// and the vertex look-up against its straightforward oracle.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "bsp/plane_choice.h"
#include "bsp/split.h"
#include "bsp/vertex_index.h"

namespace norvane {
namespace {

Vertex at(float x, float y, float z, float u = 0, float v = 0) {
    Vertex p;
    p.x = x, p.y = y, p.z = z, p.u = u, p.v = v;
    return p;
}

const Plane groundUp{0, 1, 0, 0}; // y = 0, front is +y

TEST(Classify, ToleranceLimitsBelongToOn) {
    EXPECT_EQ(classifyPoint(groundUp, at(0, 0.001f, 0)), On);
    EXPECT_EQ(classifyPoint(groundUp, at(0, -0.001f, 0)), On);
    EXPECT_EQ(classifyPoint(groundUp, at(0, std::nextafter(0.001f, 1.0f), 0)), Front);
    EXPECT_EQ(classifyPoint(groundUp, at(0, std::nextafter(-0.001f, -1.0f), 0)), Back);
    EXPECT_EQ(classifyPoint(groundUp, at(0, NAN, 0)), Back);
    EXPECT_EQ(classifyCorners(On, On, Front), Front);
    EXPECT_EQ(classifyCorners(On, On, On), On);
    EXPECT_EQ(classifyCorners(Back, On, Back), Back);
    EXPECT_EQ(classifyCorners(Front, On, Back), Spanning);
}

TEST(Classify, CornerBitsGiveTheSideOfTheirCorners) {
    for (const Side a : {Front, Back, On})
        for (const Side b : {Front, Back, On})
            for (const Side c : {Front, Back, On})
                EXPECT_EQ(classifyCornerBits(unsigned(a) | unsigned(b) | unsigned(c)), classifyCorners(a, b, c))
                    << a << b << c;
}

struct SplitCase {
    BspTree tree;
    std::vector<BspFace> front, back;
    SplitResult result;
};

SplitCase split(std::initializer_list<Vertex> corners) {
    SplitCase c;
    c.tree.vertices = corners;
    BspFace face;
    face.id = 4;
    face.material = 2;
    face.plane = Plane{0.5f, 0.25f, 0.125f, 1};
    face.verts[0] = 0, face.verts[1] = 1, face.verts[2] = 2;
    c.result = splitFace(c.tree, groundUp, face, 65535, c.front, c.back);
    return c;
}

TEST(Split, OneFrontTwoBehindGivesOneFrontPieceAndTwoBackPieces) {
    SplitCase c = split({at(0, 1, 0, 1, 1), at(0, -1, 2), at(2, -3, 0)});
    ASSERT_EQ(c.result, SplitResult::Cut);
    ASSERT_EQ(c.tree.vertices.size(), 5u);
    const Vertex& n1 = c.tree.vertices[3]; // on edge 0 -> 1
    const Vertex& n2 = c.tree.vertices[4]; // on edge 2 -> 0
    EXPECT_EQ(n1.y, 0.0f);
    EXPECT_EQ(n1.z, 1.0f);
    EXPECT_EQ(n1.u, 0.5f);
    EXPECT_EQ(n2.x, 0.5f);
    ASSERT_EQ(c.front.size(), 1u);
    ASSERT_EQ(c.back.size(), 2u);
    const std::uint32_t f0[3] = {0, 3, 4}, b0[3] = {3, 1, 2}, b1[3] = {2, 4, 3};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(c.front[0].verts[k], f0[k]);
        EXPECT_EQ(c.back[0].verts[k], b0[k]);
        EXPECT_EQ(c.back[1].verts[k], b1[k]);
    }
    for (const BspFace& p : {c.front[0], c.back[0], c.back[1]}) {
        EXPECT_EQ(p.id, 4);
        EXPECT_EQ(p.material, 2);
        EXPECT_EQ(p.plane.a, 0.5f);
    }
}

TEST(Split, TwoFrontOneBehindAndTheSliverCase) {
    SplitCase two = split({at(0, 1, 0), at(1, 1, 0), at(0, -1, 1)});
    ASSERT_EQ(two.result, SplitResult::Cut);
    EXPECT_EQ(two.front.size(), 2u);
    EXPECT_EQ(two.back.size(), 1u);
    // Back corner i = 2: N1 on edge 2 -> 0, N2 on edge 1 -> 2; pieces (N1, v0, N2), (v0, v1, N2)
    // in front and (N1, N2, v2) behind.
    EXPECT_EQ(two.front[0].verts[1], 0u);
    EXPECT_EQ(two.back[0].verts[2], 2u);

    SplitCase sliver = split({at(0, 1, 0), at(1, 0, 0), at(0, -1, 1)});
    ASSERT_EQ(sliver.result, SplitResult::Cut);
    EXPECT_EQ(sliver.front.size(), 2u);
    EXPECT_EQ(sliver.back.size(), 1u);
}

TEST(Split, EqualDistancesCopyTheStartAndNormalsAreRenormalised) {
    Vertex s = at(0, 1, 0), e = at(4, 1, 0);
    s.nx = 1;
    const Vertex same = intersectEdge(s, e, groundUp);
    EXPECT_EQ(same.x, 0.0f);
    EXPECT_EQ(same.nx, 1.0f);

    Vertex a = at(0, 1, 0), b = at(0, -1, 0);
    a.nx = 1;
    b.nz = 1;
    const Vertex mid = intersectEdge(a, b, groundUp);
    EXPECT_FLOAT_EQ(mid.nx, 0.70710677f);
    EXPECT_FLOAT_EQ(mid.nz, 0.70710677f);
    Vertex c = at(0, 1, 0), d = at(0, -1, 0);
    c.nx = 1;
    d.nx = -1;
    EXPECT_EQ(intersectEdge(c, d, groundUp).nx, 1.0f) << "a zero-length normal keeps the start's";
}

BspFace faceOf(std::vector<Vertex>& vs, Vertex a, Vertex b, Vertex c, Plane p) {
    BspFace f;
    f.plane = p;
    const Vertex corners[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) {
        f.verts[k] = static_cast<std::uint32_t>(vs.size());
        vs.push_back(corners[k]);
    }
    return f;
}

TEST(PlaneChoice, LeafRulesAndTies) {
    std::vector<Vertex> vs;
    // Two parallel floors facing each other's backs: each is behind... candidate 0 sees face 1
    // in front, candidate 1 sees face 0 behind: front and back totals both non-zero.
    std::vector<BspFace> floors{faceOf(vs, at(0, 0, 0), at(0, 0, 1), at(1, 0, 0), groundUp),
                                faceOf(vs, at(0, 2, 0), at(0, 2, 1), at(1, 2, 0), Plane{0, 1, 0, -2})};
    EXPECT_EQ(choosePlaneReference(floors, vs), 0) << "equal scores: the earlier candidate";
    EXPECT_EQ(choosePlane(floors, vs), 0);

    // One face, and faces in one plane, are leaves.
    std::vector<BspFace> single{floors[0]};
    EXPECT_EQ(choosePlane(single, vs), -1);
    std::vector<BspFace> coplanar{floors[0], faceOf(vs, at(5, 0, 0), at(5, 0, 1), at(6, 0, 0), groundUp)};
    EXPECT_EQ(choosePlane(coplanar, vs), -1);
    // Faces only ever in front of each other (seen from inside a convex shape) are a leaf.
    std::vector<BspFace> inside{faceOf(vs, at(0, 0, 0), at(0, 0, 1), at(1, 0, 0), groundUp),
                                faceOf(vs, at(0, 2, 0), at(0, 2, 1), at(1, 2, 0), Plane{0, -1, 0, 2})};
    EXPECT_EQ(choosePlaneReference(inside, vs), -1);
    EXPECT_EQ(choosePlane(inside, vs), -1);
}

TEST(VertexIndex, MatchesTheLinearScanIncludingNanAndSignedZero) {
    std::mt19937 rng(7);
    const float values[] = {0.0f, -0.0f, 1.0f, 2.0f, NAN, -NAN, 3.5f};
    std::vector<Vertex> list;
    VertexIndex index(list);
    for (int i = 0; i < 3000; ++i) {
        Vertex v;
        float* f[5] = {&v.x, &v.y, &v.z, &v.u, &v.v};
        for (float* p : f) *p = values[rng() % (rng() % 8 == 0 ? 7 : 4)];
        v.nx = static_cast<float>(i); // normals never matter
        if (i % 3 == 0) {
            list.push_back(v);
            index.add();
        }
        ASSERT_EQ(index.find(v), findVertexLinear(list, v)) << i;
    }
    std::vector<Vertex> empty;
    EXPECT_EQ(VertexIndex(empty).find(at(1, 2, 3)), -1);
}

TEST(VertexIndex, FirstEqualOfEachIsTheLinearScansMatch) {
    // Lists without NaNs take the one-table pass, lists with them the index: both must give
    // each vertex the first list vertex the scan finds for it.
    const float plain[] = {0.0f, -0.0f, 1.0f, 2.0f};
    const float withNan[] = {0.0f, -0.0f, 1.0f, NAN, -NAN};
    for (const bool nans : {false, true}) {
        std::mt19937 rng(nans ? 11 : 5);
        std::vector<Vertex> list;
        for (int i = 0; i < 800; ++i) {
            Vertex v;
            for (float* p : {&v.x, &v.y, &v.z, &v.u, &v.v}) *p = nans ? withNan[rng() % 5] : plain[rng() % 4];
            v.nx = static_cast<float>(i);
            list.push_back(v);
        }
        const std::vector<std::uint32_t> first = firstEqualOfEach(list);
        ASSERT_EQ(first.size(), list.size());
        for (std::size_t i = 0; i < list.size(); ++i)
            ASSERT_EQ(static_cast<std::int32_t>(first[i]), findVertexLinear(list, list[i])) << nans << " " << i;
    }
    EXPECT_TRUE(firstEqualOfEach({}).empty());
}

} // namespace
} // namespace norvane
