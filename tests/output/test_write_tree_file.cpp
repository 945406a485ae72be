// Writing a large tree on two threads, its bytes made and written while the console reports
// its nodes: the same file and the same console as on one.
#include <gtest/gtest.h>

#include "console/console.h"
#include "console/console_progress.h"
#include "norvane/compile.h"
#include "scene3ds/generators.h"
#include "scene3ds/scene_builder.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

TEST(WriteTreeFile, TwoThreadsWriteAndReportWhatOneDoes) {
    const auto scene = loadBytes(scene3ds::writeScene(scene3ds::generateScene("terrain", 3, 9000)));
    ASSERT_TRUE(scene);
    TreeFile tree;
    BuildError buildError;
    ASSERT_TRUE(compileScene(*scene, tree, buildError));
    ASSERT_GE(tree.nodes.size(), 8192u) << "too small a tree for the write to take a second thread";
    std::vector<std::uint8_t> expected;
    WriteError error;
    ASSERT_TRUE(treeFileBytes(tree, expected, error));

    TempDir dir("write-threads");
    std::string consoles[2];
    for (const unsigned threads : {1u, 2u}) {
        CaptureConsole console;
        ConsoleProgress progress(console);
        WriteOptions options;
        options.threads = threads;
        const auto path = dir / (threads == 1 ? "one.bsp" : "two.bsp");
        ASSERT_TRUE(writeTreeFile(path, tree, error, options, &progress)) << error.message;
        EXPECT_TRUE(readBytes(path) == expected) << threads << " threads";
        consoles[threads - 1] = console.text;
    }
    EXPECT_GT(consoles[0].size(), 8192u * 2 * 20) << "every node reported as it is entered and left";
    EXPECT_EQ(consoles[1], consoles[0]);
}

} // namespace
} // namespace norvane::test
