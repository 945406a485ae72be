// norvane-dump's picture and comparison of tree files.
#include <gtest/gtest.h>

#include <regex>

#include "output/tree_file.h"
#include "support/test_support.h"

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
    TreeFileProblem problem;
    ASSERT_TRUE(parseTreeFile(readBytes(dir / "boxes.bsp"), file, problem));
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
}

} // namespace
} // namespace norvane::test
