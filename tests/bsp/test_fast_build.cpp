// Whole builds with the fast searches against the straightforward ones: the same console bytes
// and the same tree file, on every kind of generated scene, deep peeling trees included, and
// with any number of threads.
#include <gtest/gtest.h>

#include "scene3ds/generators.h"
#include "scene3ds/scene_builder.h"
#include "support/test_support.h"

namespace norvane {
namespace {

void expectSameBuild(const std::vector<std::uint8_t>& file, const std::string& what, unsigned threads = 0) {
    const test::Compiled slow = test::compileBytes(file, true);
    const test::Compiled fast = test::compileBytes(file, false, threads);
    ASSERT_TRUE(slow.tree) << what;
    EXPECT_EQ(test::consoleTail(fast.console), test::consoleTail(slow.console)) << what;
    EXPECT_TRUE(fast.file == slow.file) << what;
}

std::vector<std::uint8_t> generated(const std::string& kind, std::uint64_t seed, std::uint32_t faces) {
    return scene3ds::writeScene(scene3ds::generateScene(kind, seed, faces));
}

TEST(FastBuild, WritesTheStraightforwardBytesOnEveryKind) {
    const struct {
        const char* kind;
        std::uint32_t faces;
    } cases[] = {{"arena", 300}, {"terrain", 500}, {"soup", 150}, {"city", 800}, {"rock", 300}, {"level", 1500}};
    for (const auto& c : cases)
        for (std::uint64_t seed : {1, 2})
            expectSameBuild(generated(c.kind, seed, c.faces), std::string(c.kind) + " seed " + std::to_string(seed));
}

// An irregular closed mesh peels a few faces off at every level, so almost every node's counts
// are derived from its parent's.
TEST(FastBuild, DeepPeelingTreesMatch) {
    const auto rock = generated("rock", 5, 720);
    const test::Compiled fast = test::compileBytes(rock);
    ASSERT_TRUE(fast.tree);
    std::int32_t depth = 0;
    for (const TreeFileNode& node : fast.tree->nodes) depth = std::max(depth, node.depth);
    EXPECT_GT(depth, 150) << "the rock no longer makes a deep tree";
    expectSameBuild(rock, "rock");
}

// The give-up score reaches the box bounds, the abandoning and the handed-down counts: whole
// builds agree at a low score, where most large nodes give up, and with none, where every node
// is separated.
TEST(FastBuild, AnyGiveUpScoreWritesTheStraightforwardBytes) {
    for (const std::int64_t giveUp : {std::int64_t{100}, neverGiveUp})
        for (const char* kind : {"terrain", "city", "rock", "level"}) {
            const auto file = generated(kind, 5, 700);
            BuildOptions fast, slow;
            fast.giveUpScore = slow.giveUpScore = giveUp;
            fast.format = slow.format = TreeFormatChoice::Smallest;
            slow.search = PlaneSearch::Straightforward;
            const test::Compiled a = test::compileBytes(file, fast), b = test::compileBytes(file, slow);
            ASSERT_TRUE(a.tree && b.tree) << kind;
            EXPECT_TRUE(a.file == b.file) << kind << " giving up at " << giveUp;
            EXPECT_EQ(test::consoleTail(a.console), test::consoleTail(b.console)) << kind;
        }
}

// With more than one thread, back children's subtrees are built ahead on workers and spliced in,
// their progress replayed: every kind of tree, balanced or peeling, must come out the same, to
// the console byte, at any thread count.
TEST(FastBuild, AnyNumberOfThreadsBuildsTheSameTreeAndConsole) {
    const struct {
        const char* kind;
        std::uint32_t faces;
    } cases[] = {{"terrain", 9000}, {"level", 9000}, {"city", 9000}, {"arena", 9000}, {"rock", 9000}};
    // (Scenes this large: smaller ones are built on one thread, whatever the options say.)
    for (const auto& c : cases) {
        const auto file = generated(c.kind, 3, c.faces);
        const test::Compiled one = test::compileBytes(file, false, 1);
        ASSERT_TRUE(one.tree) << c.kind;
        for (unsigned threads : {2u, 3u, 4u}) {
            const test::Compiled many = test::compileBytes(file, false, threads);
            EXPECT_EQ(test::consoleTail(many.console), test::consoleTail(one.console)) << c.kind << " " << threads;
            EXPECT_TRUE(many.file == one.file) << c.kind << " " << threads;
        }
    }
}

// A soup whose cuts outgrow the 16-bit vertex count fails at one cut, whichever thread made the
// subtree that cut was in: the same progress up to it and the same error.
TEST(FastBuild, AnyNumberOfThreadsFailsAtTheSameCut) {
    const auto soup = generated("soup", 7, 8200);
    const test::Compiled one = test::compileBytes(soup, false, 1);
    ASSERT_FALSE(one.tree);
    ASSERT_NE(one.console.find("Tree too large for the BSP file format !"), std::string::npos) << one.console;
    for (unsigned threads : {2u, 3u}) {
        const test::Compiled many = test::compileBytes(soup, false, threads);
        EXPECT_FALSE(many.tree);
        EXPECT_EQ(test::consoleTail(many.console), test::consoleTail(one.console)) << threads;
    }
}

} // namespace
} // namespace norvane
