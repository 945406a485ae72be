// The box hierarchy the plane search counts with: every face in exactly one leaf, bounds that
// hold their faces, and a room's walls kept out of the boxes of the small things in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "bsp/box_hierarchy.h"

namespace norvane {
namespace {

struct Faces {
    std::vector<std::array<std::uint32_t, 3>> corners;
    std::vector<Vertex> local;

    void add(float x0, float y0, float z0, float x1, float y1, float z1, float x2, float y2, float z2) {
        const auto first = static_cast<std::uint32_t>(local.size());
        for (const auto& p : {std::array{x0, y0, z0}, std::array{x1, y1, z1}, std::array{x2, y2, z2}}) {
            Vertex v;
            v.x = p[0], v.y = p[1], v.z = p[2];
            local.push_back(v);
        }
        corners.push_back({first, first + 1, first + 2});
    }
    // A face on the last face's last two corners and one new vertex, as strips of a mesh share them.
    void addStrip(float x, float y, float z) {
        Vertex v;
        v.x = x, v.y = y, v.z = z;
        local.push_back(v);
        const std::array<std::uint32_t, 3> last = corners.back();
        corners.push_back({last[1], last[2], static_cast<std::uint32_t>(local.size() - 1)});
    }
};

// The faces of box `index` and its subtree, as indices into the hierarchy's order.
std::pair<std::uint32_t, std::uint32_t> range(const BoxHierarchy& h, std::size_t index) {
    return {h.boxes[index].first, h.boxes[index].first + h.boxes[index].count};
}

void expectSound(const BoxHierarchy& h, const Faces& faces) {
    ASSERT_EQ(h.order.size(), faces.corners.size());
    std::vector<std::uint32_t> sorted = h.order;
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 0; i < sorted.size(); ++i) ASSERT_EQ(sorted[i], i) << "every face once";
    EXPECT_EQ(h.boxes[0].count, faces.corners.size());
    for (std::size_t index = 0; index < h.boxes.size(); ++index) {
        const HierarchyBox& box = h.boxes[index];
        if (box.left >= 0) {
            const auto [first, end] = range(h, index);
            EXPECT_EQ(range(h, static_cast<std::size_t>(box.left)).first, first) << index;
            EXPECT_EQ(range(h, static_cast<std::size_t>(box.left)).second,
                      range(h, static_cast<std::size_t>(box.left) + 1).first)
                << index;
            EXPECT_EQ(range(h, static_cast<std::size_t>(box.left) + 1).second, end) << index;
            EXPECT_GT(h.boxes[static_cast<std::size_t>(box.left)].count, 0u) << index;
            EXPECT_GT(h.boxes[static_cast<std::size_t>(box.left) + 1].count, 0u) << index;
        } else {
            EXPECT_LE(box.count, hierarchyLeafSize) << index;
        }
        for (std::uint32_t i = box.first; i < box.first + box.count; ++i)
            for (int k = 0; k < 3; ++k) {
                const Vertex& v = faces.local[faces.corners[h.order[i]][static_cast<std::size_t>(k)]];
                const double p[3] = {v.x, v.y, v.z};
                for (int axis = 0; axis < 3; ++axis)
                    EXPECT_LE(std::fabs(p[axis] - box.bounds.mid[axis]), box.bounds.half[axis])
                        << "box " << index << " holds face " << h.order[i];
            }
    }
}

// A leaf's faces as its block keeps them: in a vertex block, each face's mask names exactly its
// corners' coordinates; in a corner block, the corners sit corner by corner.
void expectLeafHoldsItsFaces(const BoxHierarchy& h, const HierarchyBox& leaf, const Faces& faces) {
    for (std::uint32_t i = 0; i < leaf.count; ++i) {
        std::vector<std::array<double, 3>> expected, held;
        for (std::uint32_t k = 0; k < 3; ++k) {
            const Vertex& v = faces.local[faces.corners[h.order[leaf.first + i]][k]];
            expected.push_back({v.x, v.y, v.z});
            if (leaf.vertexSlots == 0) {
                const std::size_t at = BoxHierarchy::cornerAt(leaf.block, i, k);
                held.push_back({h.cornerX[at], h.cornerY[at], h.cornerZ[at]});
            }
        }
        if (leaf.vertexSlots > 0) {
            const VertexBlock b = h.vertexBlock(leaf);
            for (std::uint32_t s = 0; s < b.slots; ++s)
                if (b.masks[i] >> s & 1) held.push_back({b.x[s], b.y[s], b.z[s]});
            std::sort(expected.begin(), expected.end());
            expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
            std::sort(held.begin(), held.end());
        }
        EXPECT_EQ(held, expected) << "face " << i << " of a leaf with " << leaf.vertexSlots << " vertex slots";
    }
    if (leaf.vertexSlots > 0) {
        const VertexBlock b = h.vertexBlock(leaf);
        for (std::uint32_t i = leaf.count; i < paddedBlockFaces; ++i)
            EXPECT_EQ(b.masks[i], 0u) << "a slot past the faces counts nowhere";
        ASSERT_EQ(b.narrowMasks != nullptr, b.slots <= narrowBlockVertices);
        for (std::uint32_t i = 0; b.narrowMasks && i < paddedBlockFaces; ++i)
            EXPECT_EQ(b.narrowMasks[i], b.masks[i]) << "the 32-bit masks name the same corners";
    }
}

TEST(BoxHierarchy, EveryFaceLiesInOneLeafInsideEveryBoxAboveIt) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> small(-1, 1), big(-50, 50);
    for (int round = 0; round < 40; ++round) {
        Faces faces;
        const int n = 1 + static_cast<int>(rng() % 700);
        for (int i = 0; i < n; ++i) {
            const float cx = big(rng), cy = big(rng), cz = big(rng), s = i % 9 == 0 ? 40.0f : 1.0f;
            if (i > 0 && round % 2 == 1 && i % 5 != 0) { // strips: leaves of shared vertices
                const Vertex& last = faces.local.back();
                faces.addStrip(last.x + small(rng), last.y + small(rng), last.z + small(rng));
                continue;
            }
            faces.add(cx + s * small(rng), cy + s * small(rng), cz, cx, cy + s * small(rng), cz + s * small(rng),
                      cx + s * small(rng), cy, cz + s * small(rng));
        }
        const BoxHierarchy h = buildBoxHierarchy(faces.corners, faces.local);
        expectSound(h, faces);
        std::size_t vertexLeaves = 0, cornerLeaves = 0;
        for (const HierarchyBox& leaf : h.boxes)
            if (leaf.left < 0) ++(leaf.vertexSlots > 0 ? vertexLeaves : cornerLeaves);
        if (round % 2 == 1 && n > 200) {
            EXPECT_GT(vertexLeaves, cornerLeaves) << "strips share their vertices";
        }
        for (const HierarchyBox& leaf : h.boxes) {
            if (leaf.left >= 0) continue;
            expectLeafHoldsItsFaces(h, leaf, faces);
        }
    }
}

// A leaf's faces, as the sorted original faces they are.
std::vector<std::vector<std::uint32_t>> leafSets(const BoxHierarchy& h, const std::vector<std::uint32_t>& original) {
    std::vector<std::vector<std::uint32_t>> sets;
    for (const HierarchyBox& box : h.boxes) {
        if (box.left >= 0) continue;
        std::vector<std::uint32_t> set;
        for (std::uint32_t i = box.first; i < box.first + box.count; ++i) set.push_back(original[h.order[i]]);
        std::sort(set.begin(), set.end());
        sets.push_back(set);
    }
    std::sort(sets.begin(), sets.end());
    return sets;
}

TEST(BoxHierarchy, AHierarchyAlongAReferenceFollowsItsCuts) {
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> small(-1, 1), big(-50, 50);
    Faces all;
    for (int i = 0; i < 900; ++i) {
        const float cx = big(rng), cy = big(rng), cz = big(rng);
        all.add(cx + small(rng), cy, cz, cx, cy + small(rng), cz, cx, cy, cz + small(rng));
    }
    const BoxHierarchy reference = buildBoxHierarchy(all.corners, all.local);
    std::vector<std::uint32_t> rankOf(all.corners.size());
    for (std::uint32_t i = 0; i < reference.order.size(); ++i) rankOf[reference.order[i]] = i;

    // Over the same faces it has the reference's leaves.
    std::vector<std::uint32_t> identity(all.corners.size());
    for (std::uint32_t f = 0; f < identity.size(); ++f) identity[f] = f;
    const BoxHierarchy same = buildBoxHierarchyAlong(reference.boxes, rankOf, all.corners, all.local);
    expectSound(same, all);
    EXPECT_EQ(leafSets(same, identity), leafSets(reference, identity));

    // Over a node's faces: a third of them, and forty pieces of one face, which share its rank.
    Faces node;
    std::vector<std::uint32_t> rank, original;
    auto take = [&](std::uint32_t f, float shrink) {
        const Vertex* v[3];
        for (int k = 0; k < 3; ++k) v[k] = &all.local[all.corners[f][static_cast<std::size_t>(k)]];
        node.add(v[0]->x, v[0]->y, v[0]->z, v[1]->x * shrink + v[0]->x * (1 - shrink),
                 v[1]->y * shrink + v[0]->y * (1 - shrink), v[1]->z * shrink + v[0]->z * (1 - shrink), v[2]->x, v[2]->y,
                 v[2]->z);
        rank.push_back(rankOf[f]);
        original.push_back(f);
    };
    for (std::uint32_t f = 0; f < all.corners.size(); f += 3) take(f, 1);
    for (int piece = 0; piece < 40; ++piece) take(7, 1.0f / float(piece + 2));
    const BoxHierarchy along = buildBoxHierarchyAlong(reference.boxes, rank, node.corners, node.local);
    expectSound(along, node);
    // Faces that shared a reference leaf and were not crowded by the pieces share a leaf still.
    std::vector<std::uint32_t> leafOf(node.corners.size());
    for (std::uint32_t b = 0; b < along.boxes.size(); ++b)
        if (along.boxes[b].left < 0)
            for (std::uint32_t i = along.boxes[b].first; i < along.boxes[b].first + along.boxes[b].count; ++i)
                leafOf[along.order[i]] = b;
    for (const HierarchyBox& box : reference.boxes) {
        if (box.left >= 0) continue;
        std::set<std::uint32_t> leaves;
        bool crowded = false;
        for (std::uint32_t f = 0; f < node.corners.size(); ++f)
            if (rank[f] >= box.first && rank[f] < box.first + box.count) {
                leaves.insert(leafOf[f]);
                crowded = crowded || original[f] == 7;
            }
        if (!crowded) {
            EXPECT_LE(leaves.size(), 1u) << "reference leaf at " << box.first;
        }
    }
}

// Whether box a of one hierarchy and box b of another are the same subtree: the same faces in
// the same order, the same bounds, and children alike.
bool sameSubtree(const BoxHierarchy& x, std::size_t a, const BoxHierarchy& y, std::size_t b) {
    const HierarchyBox &p = x.boxes[a], &q = y.boxes[b];
    if (p.first != q.first || p.count != q.count || (p.left < 0) != (q.left < 0)) return false;
    for (int k = 0; k < 3; ++k)
        if (p.bounds.mid[k] != q.bounds.mid[k] || p.bounds.half[k] != q.bounds.half[k]) return false;
    if (p.left < 0) return true;
    const auto l = static_cast<std::size_t>(p.left), r = static_cast<std::size_t>(q.left);
    return sameSubtree(x, l, y, r) && sameSubtree(x, l + 1, y, r + 1);
}

TEST(BoxHierarchy, ARootCutOnSeveralThreadsHasTheSameBoxes) {
    // A level's room (walls apart first, a subtree far smaller than the other) and a scatter
    // without walls, each large enough for its top boxes to be dealt out to the threads.
    for (const bool walls : {true, false}) {
        Faces faces;
        std::mt19937 rng(walls ? 3 : 4);
        std::uniform_real_distribution<float> at(0, 100), d(-0.5f, 0.5f);
        if (walls) faces.add(0, 0, 0, 100, 0, 0, 100, 100, 0);
        for (int i = 0; i < 6000; ++i) {
            const float cx = at(rng), cy = at(rng), cz = at(rng) / 4;
            faces.add(cx, cy, cz, cx + d(rng), cy + d(rng), cz, cx, cy + d(rng), cz + d(rng));
        }
        const BoxHierarchy alone = buildBoxHierarchy(faces.corners, faces.local);
        EXPECT_EQ(alone.boxes[1].count == 1, walls) << "the floor apart";
        for (const unsigned workers : {1u, 2u}) {
            WorkerPool pool(workers);
            const BoxHierarchy shared = buildBoxHierarchy(faces.corners, faces.local, &pool);
            expectSound(shared, faces);
            EXPECT_EQ(shared.order, alone.order) << walls << " " << workers;
            EXPECT_EQ(shared.boxes.size(), alone.boxes.size()) << walls << " " << workers;
            EXPECT_TRUE(sameSubtree(shared, 0, alone, 0)) << walls << " " << workers;
        }
    }
}

TEST(BoxHierarchy, WallsGetASubtreeOfTheirOwnAndLeaveTheSmallBoxesSmall) {
    // A 12 x 12 x 5 room: two triangles per wall, floor and ceiling, and 400 small triangles
    // spread over the room.
    Faces faces;
    const float s = 12, h = 5;
    auto quad = [&](std::array<float, 3> a, std::array<float, 3> b, std::array<float, 3> c, std::array<float, 3> d) {
        faces.add(a[0], a[1], a[2], b[0], b[1], b[2], c[0], c[1], c[2]);
        faces.add(a[0], a[1], a[2], c[0], c[1], c[2], d[0], d[1], d[2]);
    };
    quad({0, 0, 0}, {s, 0, 0}, {s, s, 0}, {0, s, 0});
    quad({0, 0, h}, {s, 0, h}, {s, s, h}, {0, s, h});
    quad({0, 0, 0}, {s, 0, 0}, {s, 0, h}, {0, 0, h});
    quad({s, 0, 0}, {s, s, 0}, {s, s, h}, {s, 0, h});
    quad({s, s, 0}, {0, s, 0}, {0, s, h}, {s, s, h});
    quad({0, s, 0}, {0, 0, 0}, {0, 0, h}, {0, s, h});
    std::mt19937 rng(8);
    std::uniform_real_distribution<float> x(0.5f, s - 0.5f), z(0.5f, h - 0.5f), d(-0.2f, 0.2f);
    for (int i = 0; i < 400; ++i) {
        const float cx = x(rng), cy = x(rng), cz = z(rng);
        faces.add(cx, cy, cz, cx + d(rng), cy + d(rng), cz, cx, cy + d(rng), cz + d(rng));
    }
    const BoxHierarchy hierarchy = buildBoxHierarchy(faces.corners, faces.local);
    expectSound(hierarchy, faces);

    ASSERT_GE(hierarchy.boxes[0].left, 0);
    const auto wall = static_cast<std::size_t>(hierarchy.boxes[0].left);
    const auto [first, end] = range(hierarchy, wall);
    std::vector<std::uint32_t> walls(hierarchy.order.begin() + first, hierarchy.order.begin() + end);
    std::sort(walls.begin(), walls.end());
    EXPECT_EQ(walls, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}))
        << "the room's walls, floor and ceiling fill the root's first child";
    for (const HierarchyBox& box : hierarchy.boxes) {
        if (box.left >= 0 || box.first < end) continue;
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_LT(2 * box.bounds.half[axis], s / 2) << "a leaf of small faces stays small";
    }
}

TEST(BoxHierarchy, SmallNodesAndNodesOfEqualFacesAreSplitTheOrdinaryWay) {
    Faces few, alike;
    for (int i = 0; i < 100; ++i) few.add(float(i), 0, 0, float(i) + 50, 1, 0, float(i), 0, 1);
    for (int i = 0; i < 300; ++i) alike.add(float(i), 0, 0, float(i) + 50, 1, 0, float(i), 0, 1);
    for (const Faces* faces : {&few, &alike}) {
        const BoxHierarchy h = buildBoxHierarchy(faces->corners, faces->local);
        expectSound(h, *faces);
        ASSERT_GE(h.boxes[0].left, 0);
        // Cut across their spread, not wall from wall: every face on the left lies before
        // every face on the right.
        const auto left = static_cast<std::size_t>(h.boxes[0].left);
        float leftEnd = -HUGE_VALF, rightStart = HUGE_VALF;
        for (std::uint32_t i = 0; i < h.boxes[0].count; ++i) {
            const float x = faces->local[faces->corners[h.order[i]][0]].x;
            if (i < h.boxes[left].count)
                leftEnd = std::max(leftEnd, x);
            else
                rightStart = std::min(rightStart, x);
        }
        EXPECT_LT(leftEnd, rightStart);
    }
}

TEST(BoxHierarchy, ADenseClusterKeepsToItsOwnBoxes) {
    // 240 small faces in a unit cube and 16 spread along a corridor a hundred long. Cutting at
    // the median would put half the cluster in a box with the corridor; every box of the
    // cluster's faces below the root stays around the cluster.
    Faces faces;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> unit(0, 1);
    for (int i = 0; i < 240; ++i) {
        const float x = unit(rng), y = unit(rng), z = unit(rng);
        faces.add(x, y, z, x + 0.01f, y, z, x, y + 0.01f, z);
    }
    for (int i = 0; i < 16; ++i) {
        const float x = 10 + 6 * float(i);
        faces.add(x, 0, 0, x + 0.01f, 0, 0, x, 0.01f, 0);
    }
    const BoxHierarchy h = buildBoxHierarchy(faces.corners, faces.local);
    expectSound(h, faces);
    for (std::size_t index = 1; index < h.boxes.size(); ++index) {
        const HierarchyBox& box = h.boxes[index];
        const bool holdsCluster = std::any_of(h.order.begin() + box.first, h.order.begin() + box.first + box.count,
                                              [](std::uint32_t f) { return f < 240; });
        if (holdsCluster) {
            EXPECT_LT(box.bounds.mid[0] + box.bounds.half[0], 2) << "box " << index;
        }
    }
}

} // namespace
} // namespace norvane
