// The plane search's exactness at the ulp: the box test's margin and the tolerance band
// compared as a float. Random scenes never reach these boundaries, so each case is made to sit
// on one.
#include <gtest/gtest.h>

#include <cmath>

#include "bsp/box_hierarchy.h"
#include "bsp/candidate_scan.h"
#include "bsp/prepared_node.h"
#include "support/random_bits.h"

namespace norvane {
namespace {

Vertex at(float x, float y, float z) {
    Vertex v;
    v.x = x, v.y = y, v.z = z;
    return v;
}

// Whether every corner of the box lo..hi classifies as `side`.
bool everyCornerIs(const Plane& p, const float lo[3], const float hi[3], Side side) {
    for (int m = 0; m < 8; ++m)
        if (classifyPoint(p, at(m & 1 ? hi[0] : lo[0], m & 2 ? hi[1] : lo[1], m & 4 ? hi[2] : lo[2])) != side)
            return false;
    return true;
}

// What the box test would say without its margin.
Side sideWithoutMargin(const Plane& p, const Box& box) {
    const double centre = double(p.a) * box.mid[0] + double(p.b) * box.mid[1] + double(p.c) * box.mid[2] + p.d;
    const double reach = std::fabs(double(p.a)) * box.half[0] + std::fabs(double(p.b)) * box.half[1] +
                         std::fabs(double(p.c)) * box.half[2];
    if (centre - reach > PlaneBoxTest::frontLimit) return Front;
    if (centre + reach < PlaneBoxTest::backLimit) return Back;
    return On;
}

Box boxOf(const float lo[3], const float hi[3]) {
    BoxBuilder b;
    b.add(lo[0], lo[1], lo[2]);
    b.add(hi[0], hi[1], hi[2]);
    return b.box();
}

// What the test of a pair of boxes says of `box` in `lane`, the other lane holding `other`.
Side pairSide(const Plane& p, const Box& box, const Box& other, std::size_t lane) {
    HierarchyBox first, second;
    first.bounds = lane == 0 ? box : other;
    second.bounds = lane == 0 ? other : box;
    const PairSides sides = PlaneBoxTest(p).sides(boxPairOf(first, second));
    return sides.front[lane] ? Front : sides.back[lane] ? Back : On;
}

using test::Bits;

TEST(PlaneSearchEdges, BoxesAtTheToleranceBandFarFromTheOriginAreNeverDecidedWrongly) {
    // Two boxes a millionth of their coordinates wide, found by the search below: far from
    // the origin the double sums of the box test and of a corner round differently, and
    // without the margin the box would be called Front while a corner is On.
    const struct {
        Plane plane;
        float lo[3], hi[3];
    } known[] = {
        {{0x1.7cccfcp-3f, 0x1.d1e726p-1f, -0x1.7b8deep-2f, -0x1.0a78eep-11f},
         {0x1.d3c9d6p+18f, -0x1.3da1dap+22f, -0x1.7e8f6ep+23f},
         {0x1.d3c9fcp+18f, -0x1.3da1dap+22f, -0x1.7e8f6ep+23f}},
        {{0x1.b2bfd4p-3f, -0x1.7e3b16p-2f, -0x1.ce643ep-1f, 0x1.858d62p-13f},
         {-0x1.354834p+22f, 0x1.82ee22p+15f, -0x1.27ca6p+20f},
         {-0x1.354834p+22f, 0x1.82ee2ap+15f, -0x1.27ca6p+20f}},
    };
    for (const auto& k : known) {
        const Box box = boxOf(k.lo, k.hi);
        ASSERT_EQ(sideWithoutMargin(k.plane, box), Front) << "the case still sits on the boundary";
        ASSERT_FALSE(everyCornerIs(k.plane, k.lo, k.hi, Front));
        EXPECT_EQ(PlaneBoxTest(k.plane).side(box), On);
    }
}

// A random box far from the origin and a plane through its nearest corner behind it (d 0 for
// now: the sweep below sets it).
struct BoxNearPlane {
    Plane plane;
    float lo[3], hi[3];
    double nearest; // the plane's sum without d at that corner

    explicit BoxNearPlane(Bits& rng) {
        const double nx = rng.unit(), ny = rng.unit(), nz = rng.unit();
        const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
        plane = Plane{static_cast<float>(nx / len), static_cast<float>(ny / len), static_cast<float>(nz / len), 0};
        const double magnitude = std::ldexp(1.0, 12 + static_cast<int>(rng.next() % 12));
        for (int k = 0; k < 3; ++k) {
            const double c = magnitude * rng.unit();
            lo[k] = static_cast<float>(c);
            hi[k] =
                static_cast<float>(c + std::ldexp(1.0, static_cast<int>(rng.next() % 10) - 6) * std::fabs(rng.unit()));
        }
        const Plane& p = plane;
        const float cx = p.a > 0 ? lo[0] : hi[0], cy = p.b > 0 ? lo[1] : hi[1];
        const float z = static_cast<float>(-(double(p.a) * cx + double(p.b) * cy) / p.c);
        const float w = hi[2] - lo[2];
        if (p.c > 0) {
            lo[2] = z;
            hi[2] = z + w;
        } else {
            hi[2] = z;
            lo[2] = z - w;
        }
        const float cz = p.c > 0 ? lo[2] : hi[2];
        nearest = (double(p.a) * cx + double(p.b) * cy) + double(p.c) * cz;
    }
};

// Moves the plane's d across the band one float at a time, and the mirrored plane with it:
// a box the test decides must have every corner on that side. Counts the planes for which only
// the margin kept the test from deciding wrongly.
void sweepAcrossTheBand(BoxNearPlane c, int t, int& boundaryCases) {
    const Box box = boxOf(c.lo, c.hi);
    Plane& p = c.plane;
    float d = static_cast<float>(0.001 - c.nearest);
    for (int j = 0; j < 40; ++j) d = std::nextafter(d, -HUGE_VALF);
    for (int j = 0; j < 80; ++j, d = std::nextafter(d, HUGE_VALF)) {
        p.d = d;
        const Side side = PlaneBoxTest(p).side(box);
        if (side != On) {
            ASSERT_TRUE(everyCornerIs(p, c.lo, c.hi, side)) << "t " << t << " j " << j;
        }
        boundaryCases += sideWithoutMargin(p, box) == Front && !everyCornerIs(p, c.lo, c.hi, Front);
        // Both boxes of a pair are tested at once, each as it is alone; the box beside it here
        // is never decided (it has no finite bounds).
        for (std::size_t lane = 0; lane < 2; ++lane) ASSERT_EQ(pairSide(p, box, Box{}, lane), side) << lane;
        const Plane mirror{-p.a, -p.b, -p.c, -p.d};
        const Side mirrored = PlaneBoxTest(mirror).side(box);
        if (mirrored != On) {
            ASSERT_TRUE(everyCornerIs(mirror, c.lo, c.hi, mirrored)) << "t " << t << " j " << j;
        }
        for (std::size_t lane = 0; lane < 2; ++lane) ASSERT_EQ(pairSide(mirror, box, Box{}, lane), mirrored) << lane;
        boundaryCases += sideWithoutMargin(mirror, box) == Back && !everyCornerIs(mirror, c.lo, c.hi, Back);
    }
}

TEST(PlaneSearchEdges, RandomBoxesSweptAcrossTheBandAreNeverDecidedWrongly) {
    // Random boxes far from the origin, each put against planes whose d moves its nearest
    // corner across the band one float at a time; mirrored planes test the back side.
    Bits rng{7};
    int boundaryCases = 0;
    for (int t = 0; t < 20000; ++t) {
        sweepAcrossTheBand(BoxNearPlane(rng), t, boundaryCases);
        if (HasFatalFailure()) return;
    }
    EXPECT_GE(boundaryCases, 3) << "the search no longer reaches the boxes that need the margin";
}

// A height y such that y + 0.0007f lies, in double, above 0.001f but below the midpoint to the
// next float: the distance rounds to 0.001f and is On, though a double comparison says Front.
float heightJustAboveTheBand(float offset) {
    const double limit = 0.001f, midpoint = (limit + double(std::nextafter(0.001f, 1.0f))) / 2;
    for (float y = static_cast<float>(limit - offset);; y = std::nextafter(y, 1.0f)) {
        const double sum = double(y) + offset;
        if (sum > limit && sum < midpoint) return y;
        if (sum >= midpoint) return NAN;
    }
}

TEST(PlaneSearchEdges, TheToleranceBandIsComparedAsAFloat) {
    const float offset = 0.0007f;
    const float y = heightJustAboveTheBand(offset);
    ASSERT_FALSE(std::isnan(y));
    const Plane up{0, 1, 0, offset};
    EXPECT_GT(double(y) + offset, double(planeTolerance));
    EXPECT_EQ(classifyPoint(up, at(3, y, -2)), On);
    EXPECT_EQ(classifyPoint(Plane{0, -1, 0, -offset}, at(3, y, -2)), On);
}

// Faces with planes of the test's choosing, and a candidate's tally counted face by face.
struct Faces {
    std::vector<Vertex> vertices;
    std::vector<BspFace> faces;

    void add(Vertex a, Vertex b, Vertex c, Plane plane) {
        BspFace f;
        for (int k = 0; k < 3; ++k) {
            f.verts[k] = static_cast<std::uint32_t>(vertices.size());
            vertices.push_back(k == 0 ? a : k == 1 ? b : c);
        }
        f.plane = plane;
        faces.push_back(f);
    }
    SideTally tallyOf(std::int32_t candidate) const {
        SideTally t;
        for (std::size_t j = 0; j < faces.size(); ++j)
            if (j != static_cast<std::size_t>(candidate))
                t.add(classifyFace(faces[static_cast<std::size_t>(candidate)].plane, faces[j], vertices));
        return t;
    }
};

TEST(PlaneSearchEdges, LeavesCompareTheBandAsAFloat) {
    // Floors at y = -0.0007 and faces whose corners sit just above their band, so close that
    // the distance rounds to 0.001f and is On; enough faces that the scan opens leaf boxes.
    const float offset = 0.0007f;
    const float y = heightJustAboveTheBand(offset);
    ASSERT_FALSE(std::isnan(y));
    Faces list;
    auto face = [&](Vertex a, Vertex b, Vertex c, Plane plane) { list.add(a, b, c, plane); };
    const std::vector<BspFace>& faces = list.faces;
    for (int i = 0; i < 40; ++i) {
        const auto x = static_cast<float>(i % 8), z = static_cast<float>(i / 8);
        if (i % 4 == 0)
            face(at(x, -offset, z), at(x, -offset, z + 1), at(x + 1, -offset, z), Plane{0, 1, 0, offset});
        else if (i % 4 == 1)
            face(at(x, y, z), at(x, y, z + 1), at(x + 1, y, z), Plane{0, 1, 0, -y});
        else if (i % 4 == 2)
            face(at(x, y, z), at(x, -1, z + 1), at(x + 1, y, z), Plane{0.5f, 0.5f, 0.5f, 0});
        else
            face(at(x, y, z), at(x, 1, z + 1), at(x + 1, -2, z), Plane{0.5f, -0.5f, 0.5f, 0});
    }
    PlaneSearchScratch scratch;
    const PreparedNode node = prepareNode(faces, list.vertices, scratch);
    std::vector<std::int32_t> all;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(faces.size()); ++i) all.push_back(i);
    NodeCounts counts;
    counts.candidates.resize(faces.size());
    counts.handedDown = true; // every candidate counted in full and recorded
    FamilyPlan none;
    scanCandidates(node, all, ScanResult{}, counts, none);
    for (const std::int32_t i : all) {
        ASSERT_TRUE(counts.candidates[static_cast<std::size_t>(i)].known) << "candidate " << i;
        EXPECT_EQ(counts.candidates[static_cast<std::size_t>(i)].tally, list.tallyOf(i)) << "candidate " << i;
    }
    EXPECT_EQ(counts.candidates[0].tally.front, 0) << "the faces at y lie in the floor's band";
}

} // namespace
} // namespace norvane
