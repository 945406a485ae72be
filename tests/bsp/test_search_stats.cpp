// The plane search's statistics account for every candidate of every node searched exactly
// once, whichever step settled it, and gathering them changes nothing in the tree.
#include <gtest/gtest.h>

#include "bsp/build_tree.h"
#include "bsp/search_stats.h"
#include "common/silent_progress.h"
#include "scene3ds/generators.h"
#include "norvane/scene.h"
#include "support/test_support.h"

namespace norvane {
namespace {

TEST(SearchStats, EveryCandidateIsSettledOnceAndTheTreeIsTheSame) {
    for (const char* kind : {"level", "rock", "city"}) {
        const auto file = scene3ds::writeScene(scene3ds::generateScene(kind, 4, 3000));
        const auto scene = test::loadBytes(file);
        ASSERT_TRUE(scene) << kind;
        BuildOptions options;
        options.threads = 1;
        PlaneSearchStats stats;
        BspTree tree;
        BuildStats built;
        ASSERT_EQ(buildTree(*scene, options, {65535, 65535}, silentProgress(), tree, built, &stats), BuildErrorCode::None)
            << kind;
        const test::Compiled plain = test::compileBytes(file, false, 1);
        EXPECT_EQ(built.nodes, static_cast<std::int32_t>(plain.tree->nodes.size())) << kind;
        EXPECT_EQ(tree.vertices.size(), plain.tree->vertices.size()) << kind;

        std::int64_t nodes = 0, abandoned = 0, counted = 0;
        for (const PlaneSearchStats::Row& row : stats.byNodeSize) {
            const ScanCounters& s = row.scan;
            EXPECT_EQ(row.known + row.direct + s.familyCounted + s.twinsSettled + s.counted + s.abandonedByCuts + s.abandonedByBalance,
                      row.faces)
                << kind << ": every face of a searched node is a candidate settled once";
            EXPECT_LE(row.prepared, row.nodes) << kind;
            nodes += row.nodes;
            abandoned += s.abandonedByCuts + s.abandonedByBalance;
            counted += s.counted;
        }
        EXPECT_GE(nodes, static_cast<std::int64_t>(tree.nodes.size()) / 2) << kind;
        EXPECT_GT(abandoned, 0) << kind;
        EXPECT_GT(counted, 0) << kind;
    }
}

} // namespace
} // namespace norvane
