// A scene too small to share its work from the start starts its workers part way through the
// build, between two nodes, once the build has run long enough. Whenever that happens, the tree
// and the progress are those of a build on one thread.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

#include "bsp/build_tree.h"
#include "console/console.h"
#include "console/console_progress.h"
#include "scene3ds/generators.h"
#include "support/test_support.h"

namespace norvane {
namespace {

struct Built {
    BspTree tree;
    BuildStats stats;
    std::string console;
};

// The workers start at the node count given, never for the clock.
Built build(const Scene& scene, unsigned threads, std::int32_t workersAfterNodes) {
    BuildOptions options;
    options.threads = threads;
    BuildLimits limits{65535, 65535};
    limits.workersAfterSeconds = std::numeric_limits<double>::infinity();
    limits.workersAfterNodes = workersAfterNodes;
    CaptureConsole console;
    ConsoleProgress progress(console);
    Built b;
    EXPECT_EQ(buildTree(scene, options, limits, progress, b.tree, b.stats), BuildErrorCode::None);
    b.console = test::consoleTail(console.text); // the closing line's seconds left out: two builds may straddle one
    return b;
}

bool sameVertex(const Vertex& a, const Vertex& b) { return std::memcmp(&a, &b, sizeof(Vertex)) == 0; }

bool sameFace(const BspFace& a, const BspFace& b) {
    return a.id == b.id && a.material == b.material && std::memcmp(a.verts, b.verts, sizeof a.verts) == 0 &&
           std::memcmp(&a.plane, &b.plane, sizeof(Plane)) == 0;
}

bool sameNode(const BspNode& a, const BspNode& b) {
    if (a.flags != b.flags || a.hasPlane != b.hasPlane || a.front != b.front || a.back != b.back ||
        a.depth != b.depth || a.storedFaces.size() != b.storedFaces.size())
        return false;
    if (a.hasPlane && std::memcmp(&a.plane, &b.plane, sizeof(Plane)) != 0) return false;
    for (std::size_t i = 0; i < a.storedFaces.size(); ++i)
        if (!sameFace(a.storedFaces[i], b.storedFaces[i])) return false;
    return true;
}

// The first difference between two trees, or empty when they are the same.
std::string differenceOf(const BspTree& a, const BspTree& b) {
    if (a.vertices.size() != b.vertices.size()) return "vertex counts differ";
    for (std::size_t i = 0; i < a.vertices.size(); ++i)
        if (!sameVertex(a.vertices[i], b.vertices[i])) return "vertex " + std::to_string(i) + " differs";
    if (a.nodes.size() != b.nodes.size()) return "node counts differ";
    for (std::size_t i = 0; i < a.nodes.size(); ++i)
        if (!sameNode(a.nodes[i], b.nodes[i])) return "node " + std::to_string(i) + " differs";
    return {};
}

TEST(LateWorkers, StartingBetweenAnyTwoNodesBuildsTheSameTreeAndProgress) {
    // Scenes under the size that starts the workers at once; the rock peels faces off level by
    // level, the others split evenly.
    for (const char* kind : {"terrain", "level", "city", "rock"}) {
        const auto scene = test::loadBytes(scene3ds::writeScene(scene3ds::generateScene(kind, 5, 3000)));
        ASSERT_TRUE(scene) << kind;
        const Built one = build(*scene, 1, 0);
        EXPECT_EQ(one.stats.threads, 1u) << kind << ": one thread starts no workers";
        for (const std::int32_t after : {0, 1, 2, 7, 40, one.stats.nodes / 2}) {
            const Built late = build(*scene, 2, after);
            EXPECT_EQ(late.stats.threads, 2u) << kind << " after " << after;
            EXPECT_EQ(differenceOf(late.tree, one.tree), "") << kind << " after " << after;
            EXPECT_EQ(late.stats.nodes, one.stats.nodes) << kind << " after " << after;
            EXPECT_TRUE(late.console == one.console) << kind << ": the progress differs after " << after;
        }
    }
}

TEST(LateWorkers, ASceneDoneSoonerStartsNone) {
    // Never due: a build of a small scene stays on one thread, whatever the options allow.
    const auto scene = test::loadBytes(scene3ds::writeScene(scene3ds::generateScene("city", 5, 3000)));
    ASSERT_TRUE(scene);
    const Built built = build(*scene, 2, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(built.stats.threads, 1u);
    EXPECT_GT(built.stats.nodes, 100);
}

} // namespace
} // namespace norvane
