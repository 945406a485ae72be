// norvane-dump's picture and comparison of tree files.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "scene3ds/generators.h"
#include "norvane/tree_file.h"
#include "support/test_support.h"
#include "support/tree_bytes.h"

namespace norvane::test {
namespace {

std::string dump(const std::string& args) {
    std::string command = "'" NORVANE_DUMP_EXE "' ";
    command += args;
    return command;
}

// A path in single quotes for the shell, with a blank after it.
std::string shellWord(const std::filesystem::path& path) {
    std::string text(1, '\'');
    text += path.string();
    text += "' ";
    return text;
}

// Two boxes side by side: the tree splits them apart.
std::vector<std::uint8_t> twoBoxes() {
    scene3ds::ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    writeMaterial(w, materialOf("Crate <&>"));
    writeMesh(w, boxMesh("A", 0, 0, 0, 2, "Crate <&>"));
    writeMesh(w, boxMesh("B", 5, 0, 0, 2, "Crate <&>"));
    w.end();
    w.end();
    return w.bytes();
}

TEST(DumpSvg, OneShapePerFaceRecordInEachViewAndWellFormed) {
    TempDir dir("svg");
    writeBytes(dir / "boxes.3ds", twoBoxes());
    ASSERT_EQ(runIn(dir.path(), {"boxes.3ds"}).status, 0);
    const std::string svgPath = (dir / "boxes.svg").string();
    ASSERT_EQ(runCommand(dump("tree " + shellWord(dir / "boxes.bsp") + "--svg " + shellWord(std::filesystem::path(svgPath)))).status, 0);
    const std::string svg = readText(svgPath);

    TreeFile file;
    TreeFileError problem;
    ASSERT_TRUE(readTreeFile(readBytes(dir / "boxes.bsp"), file, problem));
    std::size_t records = 0;
    for (const auto& n : file.nodes) records += n.faces.size();
    ASSERT_GT(file.nodes.size(), 1u);
    const std::regex face("class=\"face");
    const std::ptrdiff_t shapes = std::distance(std::sregex_iterator(svg.begin(), svg.end(), face), std::sregex_iterator());
    EXPECT_EQ(static_cast<std::size_t>(shapes), 2 * records);
    EXPECT_NE(svg.find("class=\"plane\""), std::string::npos);

    // Well-formed: every element closed, in order.
    std::vector<std::string> open;
    const std::regex tag("<(/?)([a-zA-Z?]+)[^>]*?(/?)>");
    for (std::sregex_iterator it(svg.begin(), svg.end(), tag), end; it != end; ++it) {
        const std::string name = (*it)[2];
        if (name == "?xml") continue;
        if ((*it)[1] == "/") {
            ASSERT_FALSE(open.empty());
            EXPECT_EQ(open.back(), name);
            open.pop_back();
        } else if ((*it)[3] != "/") {
            open.push_back(name);
        }
    }
    EXPECT_TRUE(open.empty());
    EXPECT_EQ(svg.find("<&>"), std::string::npos);
}

// The elements of one kind in an SVG, each as its whole text.
std::vector<std::string> elements(const std::string& svg, const std::string& start) {
    std::vector<std::string> found;
    for (std::size_t at = svg.find(start); at != std::string::npos; at = svg.find(start, at + 1))
        found.push_back(svg.substr(at, svg.find('\n', at) - at));
    return found;
}

// The page points of a polygon element.
std::vector<std::pair<double, double>> pointsOf(const std::string& element) {
    std::vector<std::pair<double, double>> points;
    const std::size_t at = element.find("points=\"") + 8;
    std::istringstream in(element.substr(at, element.find('"', at) - at));
    double x, y;
    char comma;
    while (in >> x >> comma >> y) points.emplace_back(x, y);
    return points;
}

// The text of an element's <title>.
std::string titleOf(const std::string& element) {
    const std::size_t at = element.find("<title>") + 7;
    return element.substr(at, element.find("</title>") - at);
}

TEST(DumpSvg, EveryFaceHasATitleNamingItsNodeAndMaterial) {
    TempDir dir("svg-titles");
    writeBytes(dir / "boxes.3ds", twoBoxes());
    ASSERT_EQ(runIn(dir.path(), {"boxes.3ds"}).status, 0);
    const ToolRun run = runTool(dump("tree " + shellWord(dir / "boxes.bsp") + "--svg -"));
    ASSERT_EQ(run.status, 0);
    TreeFile file;
    TreeFileError problem;
    ASSERT_TRUE(readTreeFile(readBytes(dir / "boxes.bsp"), file, problem));
    const auto faces = elements(run.out, "<polygon class=\"face");
    std::size_t expected = 0;
    for (std::size_t n = 0; n < file.nodes.size(); ++n)
        for (const TreeFileFace& f : file.nodes[n].faces) {
            const std::string path = nodePath(file, static_cast<std::int32_t>(n));
            const std::string title = "node " + std::to_string(n) + ", depth " + std::to_string(file.nodes[n].depth) +
                                      ", path " + (path.empty() ? "(root)" : path) + ", face id " +
                                      std::to_string(f.id) + ", material &quot;Crate &lt;&amp;&gt;&quot;";
            for (int view = 0; view < 2; ++view) {
                const std::size_t at = expected + view * (faces.size() / 2);
                ASSERT_LT(at, faces.size());
                EXPECT_EQ(titleOf(faces[at]), title);
            }
            ++expected;
        }
    EXPECT_EQ(faces.size(), 2 * expected);
}

TEST(DumpSvg, PlanesStayInsideTheirCells) {
    TempDir dir("svg-cells");
    writeBytes(dir / "boxes.3ds", twoBoxes());
    ASSERT_EQ(runIn(dir.path(), {"boxes.3ds"}).status, 0);
    const ToolRun run = runTool(dump("tree " + shellWord(dir / "boxes.bsp") + "--svg - --depth 1"));
    ASSERT_EQ(run.status, 0);
    // The root's plane stands between the boxes, upright in both views: within the scene's
    // box (2 of the frame's 7 units high, and a margin), not across the whole frame.
    const auto planes = elements(run.out, "<polygon class=\"plane\"");
    ASSERT_EQ(planes.size(), 2u);
    for (const std::string& plane : planes) {
        EXPECT_EQ(titleOf(plane).rfind("plane of node 0, depth 1, path (root): ", 0), 0u) << plane;
        double top = 1e9, bottom = -1e9;
        for (const auto& [x, y] : pointsOf(plane)) {
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
        EXPECT_GT(bottom - top, 760 * 2 / 7.0);
        EXPECT_LT(bottom - top, 760 * 2.5 / 7.0) << plane;
    }
}

// A generated arena compiled in the folder, with its parsed tree.
struct ArenaTree {
    TempDir dir{"svg-arena"};
    std::filesystem::path tree = dir / "arena.bsp";
    TreeFile file;
    ArenaTree() {
        writeBytes(dir / "arena.3ds", scene3ds::writeScene(scene3ds::generateScene("arena", 2, 600)));
        EXPECT_EQ(runIn(dir.path(), {"arena.3ds"}).status, 0);
        TreeFileError problem;
        EXPECT_TRUE(readTreeFile(readBytes(tree), file, problem));
    }
};

// The depth in each plane's title.
std::vector<int> planeDepths(const std::string& svg) {
    std::vector<int> depths;
    for (const std::string& plane : elements(svg, "<polygon class=\"plane\"")) {
        const std::string title = titleOf(plane);
        depths.push_back(std::stoi(title.substr(title.find(", depth ") + 8)));
    }
    return depths;
}

TEST(DumpSvg, DepthChoosesTheLevelsWhosePlanesAreDrawn) {
    ArenaTree arena;
    const std::string tree = shellWord(arena.tree);
    EXPECT_TRUE(planeDepths(runTool(dump("tree " + tree + "--svg - --depth 0")).out).empty());
    for (int depth : {1, 3, 6}) {
        const auto depths = planeDepths(runTool(dump("tree " + tree + "--svg - --depth " + std::to_string(depth))).out);
        ASSERT_FALSE(depths.empty());
        EXPECT_EQ(*std::max_element(depths.begin(), depths.end()), depth);
        EXPECT_EQ(*std::min_element(depths.begin(), depths.end()), 1);
    }
    EXPECT_EQ(runTool(dump("tree " + tree + "--svg -")).out, runTool(dump("tree " + tree + "--svg - --depth 4")).out)
        << "four levels by default";
}

TEST(DumpSvg, NodeDrawsOnlyTheSubtreeAtItsPath) {
    ArenaTree arena;
    // An interior node two levels down with a subtree of its own.
    std::int32_t chosen = -1;
    for (std::size_t n = 0; n < arena.file.nodes.size() && chosen < 0; ++n)
        if (arena.file.nodes[n].depth == 3 && arena.file.nodes[n].flags != 0) chosen = static_cast<std::int32_t>(n);
    ASSERT_GE(chosen, 0);
    const std::string path = nodePath(arena.file, chosen);
    std::size_t records = 0;
    for (std::size_t n = 0; n < arena.file.nodes.size(); ++n)
        if (nodePath(arena.file, static_cast<std::int32_t>(n)).rfind(path, 0) == 0)
            records += arena.file.nodes[n].faces.size();
    const ToolRun run = runTool(dump("tree " + shellWord(arena.tree) + "--svg - --node " + path + " --depth 2"));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto faces = elements(run.out, "<polygon class=\"face");
    EXPECT_EQ(faces.size(), 2 * records);
    for (const std::string& face : faces) EXPECT_NE(titleOf(face).find(", path " + path), std::string::npos);
    EXPECT_NE(run.out.find("subtree at node " + std::to_string(chosen) + ", depth 3, path " + path), std::string::npos);
    // Levels count from the subtree's root.
    const auto depths = planeDepths(run.out);
    ASSERT_FALSE(depths.empty());
    for (int d : depths) EXPECT_TRUE(d == 3 || d == 4) << d;
    // The root's path is the empty one.
    EXPECT_EQ(runTool(dump("tree " + shellWord(arena.tree) + "--svg - --node ''")).out,
              runTool(dump("tree " + shellWord(arena.tree) + "--svg -")).out);
}

TEST(DumpSvg, AnEmptyTreeOrSubtreeSaysSo) {
    TempDir dir("svg-empty");
    TreeBytes empty;
    empty.header(0, 0, 0);
    empty.node(0, {0, 0, 0, 0}, 0);
    writeBytes(dir / "empty.bsp", empty.bytes);
    const ToolRun run = runTool(dump("tree " + shellWord(dir / "empty.bsp") + "--svg -"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(elements(run.out, "<text class=\"empty\"").size(), 2u);
    EXPECT_NE(run.out.find(">empty: the tree stores no faces</text>"), std::string::npos);

    // A root whose front child keeps nothing.
    TreeBytes t;
    t.header(3, 1, 0);
    t.floats({0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 1});
    t.node(3, {0, 0, 1, 0}, 1);
    t.face(0, 1, 2, 0, 0xFFFF, {0, 0, 1, 0});
    t.node(0, {0, 0, 0, 0}, 0);
    t.node(0, {0, 0, 0, 0}, 0);
    writeBytes(dir / "t.bsp", t.bytes);
    const ToolRun front = runTool(dump("tree " + shellWord(dir / "t.bsp") + "--svg - --node F"));
    EXPECT_EQ(front.status, 0);
    EXPECT_NE(front.out.find(">this subtree stores no faces</text>"), std::string::npos);
    const ToolRun whole = runTool(dump("tree " + shellWord(dir / "t.bsp") + "--svg -"));
    EXPECT_EQ(whole.out.find("class=\"empty\""), std::string::npos);
    EXPECT_NE(whole.out.find("material none"), std::string::npos);
}

TEST(DumpSvg, DeepTreesDrawEveryLevelWithoutRecursing) {
    // A rock is over a thousand levels deep.
    TempDir dir("svg-deep");
    writeBytes(dir / "rock.3ds", scene3ds::writeScene(scene3ds::generateScene("rock", 6, 2000)));
    ASSERT_EQ(runIn(dir.path(), {"rock.3ds"}).status, 0);
    TreeFile file;
    TreeFileError problem;
    ASSERT_TRUE(readTreeFile(readBytes(dir / "rock.bsp"), file, problem));
    std::int32_t depth = 0;
    for (const TreeFileNode& n : file.nodes) depth = std::max(depth, n.depth);
    ASSERT_GT(depth, 1000);
    const ToolRun run = runTool(dump("tree " + shellWord(dir / "rock.bsp") + "--svg - --depth 1000000"));
    ASSERT_EQ(run.status, 0);
    const auto depths = planeDepths(run.out);
    EXPECT_GT(*std::max_element(depths.begin(), depths.end()), depth / 2);
    // Titles keep long paths short: the first and last steps around an ellipsis.
    std::size_t abridged = 0;
    for (const std::string& face : elements(run.out, "<polygon class=\"face")) {
        const std::string title = titleOf(face);
        EXPECT_LT(title.size(), 200u);
        abridged += title.find("\xE2\x80\xA6") != std::string::npos;
    }
    EXPECT_GT(abridged, 0u);
}

TEST(DumpDiff, IdenticalFilesAndTheFirstDifference) {
    TempDir dir("diff");
    writeBytes(dir / "boxes.3ds", twoBoxes());
    ASSERT_EQ(runIn(dir.path(), {"boxes.3ds"}).status, 0);
    const auto good = readBytes(dir / "boxes.bsp");
    writeBytes(dir / "copy.bsp", good);
    const std::string a = shellWord(dir / "boxes.bsp");
    const RunResult same = runCommand(dump("diff " + a + shellWord(dir / "copy.bsp")));
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.console.rfind("identical", 0), 0u);

    // The id of the last face record of the last node.
    auto changed = good;
    changed[changed.size() - 20] ^= 1;
    writeBytes(dir / "changed.bsp", changed);
    const RunResult diff = runCommand(dump("diff " + a + shellWord(dir / "changed.bsp")));
    EXPECT_EQ(diff.status, 1);
    EXPECT_NE(diff.console.find("field id"), std::string::npos) << diff.console;
    EXPECT_NE(diff.console.find("path "), std::string::npos);

    changed.resize(good.size() - 3);
    writeBytes(dir / "short.bsp", changed);
    const RunResult cut = runCommand(dump("diff " + a + shellWord(dir / "short.bsp")));
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.console.find("does not parse"), std::string::npos);
    EXPECT_EQ(runCommand(dump("diff " + a + " 2>/dev/null")).status, 2);
    EXPECT_EQ(runCommand(dump("diff " + a + shellWord(dir / "missing.bsp") + " 2>/dev/null")).status, 2);
}

} // namespace
} // namespace norvane::test
