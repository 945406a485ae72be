// The tree walks on real and generated trees: every node once, front to back the exact reverse
// of back to front, pre-order equal to file order, the painter's order at every interior node,
// leafAt equal to a brute-force search by path; hand-worked cases on a three-node tree; and a
// chain far deeper than any call stack.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>

#include "scene3ds/generators.h"
#include "norvane/tree_traversal.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;
using Point = Point3;
using Triple = std::array<float, 3>;

Triple position(const Vertex& v) { return {v.x, v.y, v.z}; }
Triple normalOf(const Plane& p) { return {p.a, p.b, p.c}; }

TreeFile readTree(const std::vector<std::uint8_t>& bytes) {
    TreeFile file;
    TreeFileError error;
    EXPECT_TRUE(readTreeFile(bytes, file, error)) << error.message;
    return file;
}

// Eyes around and inside the tree: corners of faces (on planes, at the tolerance's edge), face
// centres lifted off their planes, and random points in the bounding box grown by half.
std::vector<Point> eyesFor(const TreeFile& file, unsigned seed, std::size_t count) {
    std::vector<Point> eyes{{0, 0, 0}};
    Triple lo{0, 0, 0}, hi{0, 0, 0};
    for (std::size_t i = 0; i < file.vertices.size(); ++i)
        for (std::size_t k = 0; k < 3; ++k) {
            const float v = position(file.vertices[i])[k];
            lo[k] = i ? std::min(lo[k], v) : v;
            hi[k] = i ? std::max(hi[k], v) : v;
        }
    std::mt19937 rng(seed);
    std::vector<const TreeFileFace*> faces;
    for (const TreeFileNode& n : file.nodes)
        for (const TreeFileFace& f : n.faces) faces.push_back(&f);
    while (eyes.size() < count) {
        if (!faces.empty() && eyes.size() % 3 == 1) {
            const TreeFileFace& f = *faces[rng() % faces.size()];
            const Vertex& v = file.vertices[f.verts[0]];
            eyes.push_back({v.x, v.y, v.z});
        } else if (!faces.empty() && eyes.size() % 3 == 2) {
            const TreeFileFace& f = *faces[rng() % faces.size()];
            Triple c{0, 0, 0};
            for (std::size_t k = 0; k < 3; ++k) {
                double sum = 0;
                for (std::uint32_t v : f.verts) sum += position(file.vertices[v])[k];
                c[k] = static_cast<float>(sum / 3 + normalOf(f.plane)[k] * 0.01);
            }
            eyes.push_back({c[0], c[1], c[2]});
        } else {
            Triple p;
            for (std::size_t k = 0; k < 3; ++k) {
                const double span = double(hi[k]) - lo[k];
                p[k] = static_cast<float>(lo[k] - span / 2 + 2 * span * (rng() % 10000) / 10000.0);
            }
            eyes.push_back({p[0], p[1], p[2]});
        }
    }
    return eyes;
}

// The node whose cell holds the point, by testing every node: its F/B path from the root must
// follow the point's side at every ancestor, and it must have no child on the point's side.
// Exactly one node qualifies.
std::int32_t leafByPath(const TreeFile& file, const Point& p) {
    std::int32_t found = -1;
    for (std::size_t n = 0; n < file.nodes.size(); ++n) {
        const TreeFileNode& node = file.nodes[n];
        std::int32_t at = 0;
        bool follows = true;
        for (char step : nodePath(file, static_cast<std::int32_t>(n))) {
            const TreeFileNode& a = file.nodes[static_cast<std::size_t>(at)];
            if ((isInFront(a.plane, p) ? 'F' : 'B') != step) {
                follows = false;
                break;
            }
            at = step == 'F' ? a.front : a.back;
        }
        if (!follows) continue;
        EXPECT_EQ(at, static_cast<std::int32_t>(n)) << "paths and links agree";
        if ((isInFront(node.plane, p) ? node.front : node.back) >= 0) continue;
        EXPECT_EQ(found, -1) << "two nodes hold the point";
        found = static_cast<std::int32_t>(n);
    }
    return found;
}

// Every interior node with the eye in front of it comes after its whole back subtree and before
// its whole front subtree in back-to-front order; with the eye elsewhere, the other way round.
// Subtrees are ranges of the pre-order file order.
void expectPainterOrder(const TreeFile& file, const Point& eye, const std::vector<std::int32_t>& order) {
    const std::size_t count = file.nodes.size();
    std::vector<std::size_t> position(count), size(count, 1), first(count), last(count);
    for (std::size_t i = 0; i < order.size(); ++i) position[static_cast<std::size_t>(order[i])] = i;
    for (std::size_t n = count; n-- > 0;) {
        first[n] = last[n] = position[n];
        for (std::int32_t child : {file.nodes[n].front, file.nodes[n].back})
            if (child >= 0) {
                const auto c = static_cast<std::size_t>(child);
                size[n] += size[c];
                first[n] = std::min(first[n], first[c]);
                last[n] = std::max(last[n], last[c]);
            }
    }
    for (std::size_t n = 0; n < count; ++n) {
        const TreeFileNode& node = file.nodes[n];
        const bool eyeInFront = isInFront(node.plane, eye);
        const std::int32_t before = eyeInFront ? node.back : node.front;
        const std::int32_t after = eyeInFront ? node.front : node.back;
        if (before >= 0) {
            ASSERT_LT(last[static_cast<std::size_t>(before)], position[n]) << "node " << n;
        }
        if (after >= 0) {
            ASSERT_GT(first[static_cast<std::size_t>(after)], position[n]) << "node " << n;
        }
    }
    EXPECT_EQ(size[0], count) << "every node hangs from the root";
}

void expectSoundWalks(const TreeFile& file, const std::vector<Point>& eyes) {
    ASSERT_FALSE(file.nodes.empty());
    std::vector<std::int32_t> fileOrder(file.nodes.size());
    std::iota(fileOrder.begin(), fileOrder.end(), 0);
    EXPECT_EQ(preOrder(file), fileOrder);
    for (const Point& eye : eyes) {
        SCOPED_TRACE("eye " + std::to_string(eye.x) + " " + std::to_string(eye.y) + " " + std::to_string(eye.z));
        const auto back = backToFront(file, eye);
        auto sorted = back;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(sorted, fileOrder) << "every node once";
        auto front = frontToBack(file, eye);
        std::reverse(front.begin(), front.end());
        ASSERT_EQ(front, back);
        expectPainterOrder(file, eye, back);

        std::vector<std::int32_t> visited;
        visitBackToFront(file, eye, [&](std::int32_t n) {
            visited.push_back(n);
            return true;
        });
        EXPECT_EQ(visited, back);

        const std::int32_t leaf = leafAt(file, eye);
        const TreeFileNode& node = file.nodes[static_cast<std::size_t>(leaf)];
        EXPECT_LT((isInFront(node.plane, eye) ? node.front : node.back), 0);
        EXPECT_EQ(leaf, leafByPath(file, eye));
    }
}

TEST(TreeTraversal, EveryReferenceTreeWalksSoundly) {
    int walked = 0;
    for (const auto& entry : fs::directory_iterator(expectedDir())) {
        if (entry.path().extension() != ".bsp") continue;
        SCOPED_TRACE(entry.path().filename().string());
        const TreeFile file = readTree(readBytes(entry.path()));
        expectSoundWalks(file, eyesFor(file, 7, 24));
        ++walked;
    }
    EXPECT_GE(walked, 16);
}

TEST(TreeTraversal, EveryGeneratedKindWalksSoundly) {
    const struct {
        const char* kind;
        std::uint32_t faces;
    } scenes[] = {{"arena", 600}, {"city", 1500}, {"rock", 1500}, {"terrain", 600}, {"soup", 300}};
    for (const auto& s : scenes)
        for (std::uint64_t seed : {1u, 2u}) {
            SCOPED_TRACE(std::string(s.kind) + " seed " + std::to_string(seed));
            const Compiled c = compileBytes(scene3ds::writeScene(scene3ds::generateScene(s.kind, seed, s.faces)));
            ASSERT_TRUE(c.tree);
            const TreeFile file = readTree(c.file);
            expectSoundWalks(file, eyesFor(file, static_cast<unsigned>(seed), 16));
        }
}

// A root on the plane y = 2 with a front leaf and a back leaf.
TreeFile threeNodes() {
    TreeFile file;
    file.nodes.resize(3);
    file.nodes[0].flags = frontChildFlag | backChildFlag;
    file.nodes[0].plane = Plane{0, 1, 0, -2};
    file.nodes[0].front = 1;
    file.nodes[0].back = 2;
    return file;
}

TEST(TreeTraversal, TheEyeIsInFrontOnlyBeyondTheTolerance) {
    const TreeFile file = threeNodes();
    using Order = std::vector<std::int32_t>;
    // In front: the back leaf is farthest.
    EXPECT_EQ(backToFront(file, {0, 5, 0}), (Order{2, 0, 1}));
    EXPECT_EQ(frontToBack(file, {0, 5, 0}), (Order{1, 0, 2}));
    EXPECT_EQ(leafAt(file, {0, 5, 0}), 1);
    // On the plane, within the tolerance, behind it or undefined: the front leaf is farthest.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (Point eye : {Point{0, 2.0009f, 0}, Point{0, 2, 0}, Point{0, -3, 0}, Point{0, nan, 0}}) {
        EXPECT_EQ(backToFront(file, eye), (Order{1, 0, 2}));
        EXPECT_EQ(leafAt(file, eye), 2);
    }
    EXPECT_EQ(backToFront(file, {0, 2.0011f, 0}), (Order{2, 0, 1}));
    // Exactly at the tolerance is not in front; the next float above it is.
    const Plane ground{0, 1, 0, 0};
    EXPECT_FALSE(isInFront(ground, {0, 0.001f, 0}));
    EXPECT_TRUE(isInFront(ground, {0, std::nextafter(0.001f, 1.0f), 0}));
    // The side is rounded to float after summing in double: 1e8 + 1 - 1e8 - 2 is -1 in double,
    // where float steps would lose the 1.
    TreeFile tilted = threeNodes();
    tilted.nodes[0].plane = Plane{1, 1, 0, -1e8f};
    EXPECT_EQ(planeSide(tilted.nodes[0].plane, {1e8f, 1, 0}), 1.0f);
    EXPECT_TRUE(isInFront(tilted.nodes[0].plane, {1e8f, 1, 0}));
}

TEST(TreeTraversal, AMissingChildEndsTheDescentAtItsParent) {
    TreeFile file = threeNodes();
    file.nodes.pop_back();
    file.nodes[0].flags = frontChildFlag;
    file.nodes[0].back = -1;
    EXPECT_EQ(leafAt(file, {0, 5, 0}), 1);
    EXPECT_EQ(leafAt(file, {0, 0, 0}), 0);
    EXPECT_EQ(backToFront(file, {0, 5, 0}), (std::vector<std::int32_t>{0, 1}));
    EXPECT_EQ(backToFront(file, {0, 0, 0}), (std::vector<std::int32_t>{1, 0}));
    EXPECT_EQ(leafAt(TreeFile{}, {0, 0, 0}), -1);
    EXPECT_TRUE(backToFront(TreeFile{}, {0, 0, 0}).empty());
}

TEST(TreeTraversal, AVisitorCanStopTheWalk) {
    const TreeFile file = threeNodes();
    std::vector<std::int32_t> seen;
    visitFrontToBack(file, {0, 5, 0}, [&](std::int32_t n) {
        seen.push_back(n);
        return seen.size() < 2;
    });
    EXPECT_EQ(seen, (std::vector<std::int32_t>{1, 0}));
}

// Each node holds the next one on the side away from the eye at the origin (planes x = k, the
// eye behind them all), so back to front is the chain from its far end.
TEST(TreeTraversal, AChainOfTwoHundredThousandLevelsWalksWithoutRecursion) {
    const std::int32_t levels = 200000;
    TreeFile file;
    file.nodes.resize(static_cast<std::size_t>(levels));
    for (std::int32_t i = 0; i < levels; ++i) {
        TreeFileNode& n = file.nodes[static_cast<std::size_t>(i)];
        n.plane.a = 1;
        n.plane.d = -static_cast<float>(i + 1);
        if (i + 1 < levels) {
            n.flags = i % 2 ? backChildFlag : frontChildFlag;
            (i % 2 ? n.back : n.front) = i + 1;
        }
    }
    const auto back = backToFront(file, {0, 0, 0});
    ASSERT_EQ(back.size(), static_cast<std::size_t>(levels));
    // Front children (even parents) are far and come before their parent, back children after.
    const auto position = [&](std::int32_t n) { return std::find(back.begin(), back.end(), n) - back.begin(); };
    EXPECT_LT(position(1), position(0));
    EXPECT_GT(position(2), position(1));
    auto front = frontToBack(file, {0, 0, 0});
    std::reverse(front.begin(), front.end());
    EXPECT_EQ(front, back);
    EXPECT_EQ(preOrder(file).back(), levels - 1);
    EXPECT_EQ(leafAt(file, {0, 0, 0}), 0) << "behind the root, which has no back child";
    EXPECT_EQ(leafAt(file, {1e9f, 0, 0}), 1) << "in front of every plane: node 1 has no front child";
}

} // namespace
} // namespace norvane::test
