// norvane-dump tree --json: the named-key layout, byte for byte on hand-made tree files, and its
// size in proportion to the file's on a chain of nodes. The Python reader's tests hold every
// compiled tree's dump to an independent parser.
#include <gtest/gtest.h>

#include <limits>

#include "support/test_support.h"
#include "support/tree_bytes.h"

namespace norvane::test {
namespace {

RunResult dumpJson(const std::filesystem::path& file) {
    return runCommand("'" NORVANE_DUMP_EXE "' tree '" + file.string() + "' --json 2>/dev/null");
}

TEST(DumpTreeJson, NamedKeysChildLinksAndSpecialValues) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float inf = std::numeric_limits<float>::infinity();
    TreeBytes t;
    t.header(3, 2, 1);
    t.material("Stone \"A\"");
    t.floats({0, 0, 0, 0, 0, 0, 1, 0});
    t.floats({1, 0, 0, 1, 0, 0, 1, 0});
    t.floats({0, 0, 1, 0, 1, 0, 1, 0});
    t.node(3, {0, 1, 0, -0.5f}, 1);
    t.face(0, 2, 1, 0, 0, {0, 1, 0, -0.5f});
    t.node(0, {0, 0, 0, 0}, 0);
    t.node(0, {0, 0, 0, 0}, 1);
    t.face(0, 1, 2, 1, 0xFFFF, {nan, inf, -inf, 0.1f});

    TempDir dir("tree-json");
    writeBytes(dir / "t.bsp", t.bytes);
    const RunResult run = dumpJson(dir / "t.bsp");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.console,
              "{\"format\": \"norvane-tree\", \"version\": 2,\n"
              " \"header\": {\"magic\": \"BSP\", \"version\": 50, \"vertexCount\": 3, \"faceCount\": 2, "
              "\"materialCount\": 1},\n"
              " \"materials\": [\"Stone \\\"A\\\"\"],\n"
              " \"vertices\": [\n"
              "  {\"x\": 0, \"y\": 0, \"z\": 0, \"u\": 0, \"v\": 0, \"nx\": 0, \"ny\": 1, \"nz\": 0},\n"
              "  {\"x\": 1, \"y\": 0, \"z\": 0, \"u\": 1, \"v\": 0, \"nx\": 0, \"ny\": 1, \"nz\": 0},\n"
              "  {\"x\": 0, \"y\": 0, \"z\": 1, \"u\": 0, \"v\": 1, \"nx\": 0, \"ny\": 1, \"nz\": 0}],\n"
              " \"nodes\": [\n"
              "  {\"index\": 0, \"depth\": 1, \"parent\": null, \"flags\": 3, "
              "\"plane\": {\"a\": 0, \"b\": 1, \"c\": 0, \"d\": -0.5}, \"front\": 1, \"back\": 2, "
              "\"faces\": [{\"corners\": [0, 2, 1], \"id\": 0, \"material\": 0, "
              "\"plane\": {\"a\": 0, \"b\": 1, \"c\": 0, \"d\": -0.5}}]},\n"
              "  {\"index\": 1, \"depth\": 2, \"parent\": 0, \"flags\": 0, "
              "\"plane\": {\"a\": 0, \"b\": 0, \"c\": 0, \"d\": 0}, \"front\": null, \"back\": null, \"faces\": []},\n"
              "  {\"index\": 2, \"depth\": 2, \"parent\": 0, \"flags\": 0, "
              "\"plane\": {\"a\": 0, \"b\": 0, \"c\": 0, \"d\": 0}, \"front\": null, \"back\": null, "
              "\"faces\": [{\"corners\": [0, 1, 2], \"id\": 1, \"material\": null, "
              "\"plane\": {\"a\": \"nan\", \"b\": \"inf\", \"c\": \"-inf\", \"d\": 0.100000001}}]}]}\n");
}

TEST(DumpTreeJson, EmptySectionsAndUnreadableFiles) {
    TreeBytes t;
    t.header(0, 0, 0);
    t.node(0, {0, 0, 0, 0}, 0);
    TempDir dir("tree-json-empty");
    writeBytes(dir / "empty.bsp", t.bytes);
    const RunResult run = dumpJson(dir / "empty.bsp");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(
        run.console,
        "{\"format\": \"norvane-tree\", \"version\": 2,\n"
        " \"header\": {\"magic\": \"BSP\", \"version\": 50, \"vertexCount\": 0, \"faceCount\": 0, "
        "\"materialCount\": 0},\n"
        " \"materials\": [],\n"
        " \"vertices\": [],\n"
        " \"nodes\": [\n"
        "  {\"index\": 0, \"depth\": 1, \"parent\": null, \"flags\": 0, "
        "\"plane\": {\"a\": 0, \"b\": 0, \"c\": 0, \"d\": 0}, \"front\": null, \"back\": null, \"faces\": []}]}\n");

    // A file that does not parse prints nothing on standard output.
    t.bytes.pop_back();
    writeBytes(dir / "short.bsp", t.bytes);
    const RunResult cut = dumpJson(dir / "short.bsp");
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.console, "");
}

// A chain of 65,535 nodes, each the front child of the one before: every node's line is as long
// as the first one's plus its index, whatever its depth (a path per node made 2 GB of this).
TEST(DumpTreeJson, AChainOfNodesGivesJsonInProportionToTheFile) {
    TreeBytes t;
    t.header(0, 0, 0);
    constexpr int depth = 65535;
    for (int i = 0; i + 1 < depth; ++i) t.node(1, {0, 1, 0, 0}, 0);
    t.node(0, {0, 0, 0, 0}, 0);
    TempDir dir("tree-json-chain");
    writeBytes(dir / "chain.bsp", t.bytes);
    const ToolRun run = runTool("'" NORVANE_DUMP_EXE "' tree " + quoted(dir / "chain.bsp") + " --json");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_LT(run.out.size(), 200 * t.bytes.size() / 20) << "at most 200 bytes a node";
    EXPECT_NE(run.out.find("{\"index\": 65534, \"depth\": 65535, \"parent\": 65533, \"flags\": 0,"), std::string::npos);
}

} // namespace
} // namespace norvane::test
