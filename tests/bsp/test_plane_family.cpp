// Families of nearly parallel candidates counted together: every tally must be the one face by
// face classification gives, also where a member's plane passes within an ulp of a vertex's
// tolerance limit, which is where the runs hand over to exact classification.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "bsp/candidate_scan.h"
#include "bsp/family_plan.h"
#include "bsp/plane_choice.h"
#include "bsp/plane_family.h"
#include "bsp/prepared_node.h"
#include "support/random_bits.h"

namespace norvane {
namespace {

using test::Bits;

float nudged(float x, int ulps) {
    for (; ulps > 0; --ulps) x = std::nextafter(x, HUGE_VALF);
    for (; ulps < 0; ++ulps) x = std::nextafter(x, -HUGE_VALF);
    return x;
}

// A node of random triangles over shared vertices, whose first `members` faces carry planes of
// one family: one normal, nudged by a few ulps or by float noise, and d placed so that some
// vertex lies within ulps of the member's tolerance limits: the plane through the origin, where
// vertices on the normal's axis sit at the limits to the ulp, or through a vertex's limit.
struct FamilyNode {
    std::vector<Vertex> vertices;
    std::vector<BspFace> faces;

    FamilyNode(std::uint64_t seed, int members, int others, float noise, bool atLimits = true) {
        Bits bits{seed};
        const double n[3] = {0.1 * bits.unit(), 0.1 * bits.unit(), 1};
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int v = 0; v < 200; ++v) {
            Vertex p;
            p.x = static_cast<float>(50 * bits.unit()), p.y = static_cast<float>(50 * bits.unit());
            p.z = static_cast<float>(5 * bits.unit());
            if (v % 4 == 0) { // on the z axis, at a limit of the planes through the origin
                const double along = (bits.below(2) ? 1 : -1) * double(planeTolerance) / (n[2] / length);
                p.x = 0, p.y = 0;
                p.z = nudged(static_cast<float>(along), bits.below(7) - 3);
            }
            vertices.push_back(p);
        }
        for (int f = 0; f < members + others; ++f) {
            BspFace face;
            for (int k = 0; k < 3; ++k) face.verts[k] = static_cast<std::uint32_t>(bits.below(200));
            face.plane = f < members ? memberPlane(bits, n, length, noise, atLimits) : otherPlane(bits);
            faces.push_back(face);
        }
    }
    Plane memberPlane(Bits& bits, const double n[3], double length, float noise, bool atLimits) const {
        Plane p{};
        float* c[3] = {&p.a, &p.b, &p.c};
        for (int k = 0; k < 3; ++k)
            *c[k] = nudged(static_cast<float>(n[k] / length * (1 + noise * bits.unit())), bits.below(7) - 3);
        const Vertex& v = vertices[static_cast<std::size_t>(bits.below(200))];
        const double t = (double(p.a) * v.x + double(p.b) * v.y) + double(p.c) * v.z;
        const int limit = bits.below(3) - 1; // at -0.001, in the plane, or at +0.001
        p.d = nudged(static_cast<float>(limit * double(planeTolerance) - t), bits.below(9) - 4);
        if (!atLimits || bits.below(4) == 0) p.d = static_cast<float>(10 * bits.unit()); // anywhere
        else if (bits.below(2) == 0) p.d = 0;                                   // through the origin
        return p;
    }
    static Plane otherPlane(Bits& bits) {
        return Plane{static_cast<float>(bits.unit()), 1, 0, static_cast<float>(bits.unit())};
    }
    SideTally tallyOf(const Plane& plane) const {
        SideTally t;
        for (const BspFace& f : faces) t.add(classifyFace(plane, f, vertices));
        return t;
    }
};

PlaneFamily sortedMembers(const PreparedNode& node, int members) {
    PlaneFamily family;
    for (std::int32_t i = 0; i < members; ++i) family.members.push_back(i);
    std::stable_sort(family.members.begin(), family.members.end(),
                     [&](std::int32_t x, std::int32_t y) { return node.plane(x).d < node.plane(y).d; });
    const Plane& first = node.plane(family.members[0]);
    family.normal[0] = first.a, family.normal[1] = first.b, family.normal[2] = first.c;
    family.planes = family.members.size();
    return family;
}

TEST(PlaneFamily, TalliesAreTheFaceByFaceCountsAtTheToleranceLimits) {
    // Normals equal to a few ulps, and normals apart by float noise (whose slack is wide);
    // every member's d sits on or next to some vertex's limit, or anywhere.
    std::int64_t exactAtLimits = 0;
    for (const float noise : {0.0f, 2e-6f}) {
        for (std::uint64_t seed = 1; seed <= 40; ++seed) {
            const FamilyNode scene(seed, 60, 140, noise);
            PlaneSearchScratch scratch;
            const PreparedNode node = prepareNode(scene.faces, scene.vertices, scratch);
            const PlaneFamily family = sortedMembers(node, 60);
            const std::vector<SideTally> tallies = tallyFamily(node, family, SIZE_MAX);
            ASSERT_EQ(tallies.size(), family.members.size()) << "seed " << seed;
            for (std::size_t j = 0; j < tallies.size(); ++j) {
                const Plane& p = node.plane(family.members[j]);
                ASSERT_EQ(tallies[j], scene.tallyOf(p)) << "seed " << seed << " noise " << noise << " member " << j;
                for (const Vertex& v : scene.vertices) {
                    const float distance = std::fabs(planeDistance(p, v));
                    exactAtLimits += distance >= nudged(planeTolerance, -2) && distance <= nudged(planeTolerance, 2);
                }
            }
        }
    }
    EXPECT_GT(exactAtLimits, 100) << "members whose planes pass within ulps of a vertex's limit";
}

TEST(PlaneFamily, AFamilyWhoseCorrectionsWouldCostTooMuchIsLeftToTheBoxes) {
    const FamilyNode scene(7, 60, 140, 2e-6f);
    PlaneSearchScratch scratch;
    const PreparedNode node = prepareNode(scene.faces, scene.vertices, scratch);
    EXPECT_TRUE(tallyFamily(node, sortedMembers(node, 60), 0).empty());
}

TEST(PlaneFamily, TheScanTakesACountedFamilysTalliesForEveryMember) {
    // Handed-down counts make the scan count every candidate in full, so the family's members
    // soon cost more than counting the family; the rest take its tallies. Their planes lie
    // anywhere, so that few corrections are needed.
    const FamilyNode scene(3, 400, 300, 0, false);
    PlaneSearchScratch scratch;
    const PreparedNode node = prepareNode(scene.faces, scene.vertices, scratch);
    std::vector<std::int32_t> all;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(scene.faces.size()); ++i) all.push_back(i);
    FamilyPlan plan = planFamilies(node, all);
    ASSERT_EQ(plan.count, 1u) << "the 400 members, the other planes all apart";
    NodeCounts counts;
    counts.candidates.resize(scene.faces.size());
    counts.handedDown = true;
    const ScanResult r = scanCandidates(node, all, ScanResult{}, counts, plan);
    EXPECT_GT(r.counters.familyCounted, 100);
    for (const std::int32_t i : all) {
        SideTally expected = scene.tallyOf(node.plane(i));
        expected.add(classifyFace(node.plane(i), scene.faces[static_cast<std::size_t>(i)], scene.vertices), -1);
        ASSERT_TRUE(counts.candidates[static_cast<std::size_t>(i)].known) << "candidate " << i;
        ASSERT_EQ(counts.candidates[static_cast<std::size_t>(i)].tally, expected) << "candidate " << i;
    }
    EXPECT_EQ(choosePlane(scene.faces, scene.vertices), choosePlaneReference(scene.faces, scene.vertices));
}

} // namespace
} // namespace norvane
