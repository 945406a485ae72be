// norvane-dump's command line as a user meets it: help and version on standard output, wrong
// usage as one line on standard error with exit 2, options before or after the file, conflicts
// refused, errors on standard error, the picture to standard output, diff's exit statuses.
#include <gtest/gtest.h>

#include "norvane/version.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

std::string dump(const std::string& args) { return "'" NORVANE_DUMP_EXE "' " + args; }

std::size_t lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A compiled box beside its scene, in a folder of its own.
struct BoxTree {
    TempDir dir{"dump-cli"};
    std::filesystem::path scene = dir / "box.3ds", tree = dir / "box.bsp";
    BoxTree() {
        writeBytes(scene, boxScene());
        EXPECT_EQ(runIn(dir.path(), {"box.3ds"}).status, 0);
    }
};

TEST(DumpCommandLine, HelpListsEveryVerbAndOptionOnStandardOutput) {
    for (const char* flag : {"--help", "-h"}) {
        const ToolRun run = runTool(dump(flag));
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        for (const char* word :
             {"scene", "tree", "diff", "--summary", "--json", "--check", "--svg", "--depth", "--node", "--version"})
            EXPECT_NE(run.out.find(word), std::string::npos) << flag << " lacks " << word;
    }
    const ToolRun tree = runTool(dump("tree --help"));
    EXPECT_EQ(tree.status, 0);
    EXPECT_NE(tree.out.find("--node"), std::string::npos);
    EXPECT_EQ(tree.out.find("--summary"), std::string::npos) << "a verb's help shows its own options";
    const ToolRun version = runTool(dump("--version"));
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "norvane-dump " NORVANE_VERSION_STRING "\n");
}

TEST(DumpCommandLine, WrongUsageIsOneLineOnStandardErrorAndExitTwo) {
    TempDir dir("dump-usage");
    const std::string svg = quoted(dir / "out.svg");
    struct Case {
        std::string args;
        std::vector<std::string> names; // what the line must name
    };
    const Case cases[] = {
        {"", {"subcommand"}},
        {"bogus", {"bogus"}},
        {"scene", {"FILE"}},
        {"scene a.3ds b.3ds", {"b.3ds"}},
        {"scene a.3ds --json", {"--json"}},
        {"tree", {"FILE"}},
        {"tree x.bsp --bogus", {"--bogus"}},
        {"tree x.bsp --check --json", {"--check", "--json"}},
        {"tree x.bsp --json --svg " + svg, {"--json", "--svg"}},
        {"tree --svg " + svg + " x.bsp --check", {"--check", "--svg"}},
        {"tree x.bsp --depth 2", {"--depth", "--svg"}},
        {"tree x.bsp --node F", {"--node", "--svg"}},
        {"tree x.bsp --svg " + svg + " --node FXB", {"--node"}},
        {"tree x.bsp --svg " + svg + " --depth -1", {"--depth"}},
        {"tree x.bsp --svg " + svg + " --depth many", {"--depth"}},
        {"tree x.bsp --svg", {"--svg"}},
        {"diff a.bsp", {"B"}},
        {"diff a.bsp b.bsp c.bsp", {"c.bsp"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const ToolRun run = runTool(dump(c.args));
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(lines(run.err), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("norvane-dump: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
        for (const std::string& name : c.names) EXPECT_NE(run.err.find(name), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.svg"));
}

TEST(DumpCommandLine, OptionsGoBeforeOrAfterTheFile) {
    BoxTree box;
    const std::string tree = quoted(box.tree) + " ";
    const ToolRun after = runTool(dump("tree " + tree + "--check"));
    EXPECT_EQ(after.status, 0);
    EXPECT_EQ(after.out, box.tree.string() + ": ok (1 nodes)\n");
    const ToolRun before = runTool(dump("tree --check " + tree));
    EXPECT_EQ(before.status, 0);
    EXPECT_EQ(before.out, after.out);
    const ToolRun json = runTool(dump("tree --json " + tree));
    EXPECT_EQ(json.out, runTool(dump("tree " + tree + "--json")).out);
    EXPECT_EQ(json.out.rfind("{\"format\": \"norvane-tree\"", 0), 0u);
    const ToolRun svg = runTool(dump("tree --depth 1 --svg - " + tree));
    EXPECT_EQ(svg.status, 0);
    EXPECT_EQ(svg.out, runTool(dump("tree " + tree + "--svg=- --depth=1")).out);
    const ToolRun summary = runTool(dump("scene --summary " + quoted(box.scene)));
    EXPECT_EQ(summary.out, runTool(dump("scene " + quoted(box.scene) + " --summary")).out);
    EXPECT_EQ(summary.status, 0);
}

TEST(DumpCommandLine, TheSvgGoesToStandardOutputForADash) {
    BoxTree box;
    const ToolRun run = runTool("cd " + quoted(box.dir.path()) + " && " + dump("tree box.bsp --svg -"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind("<?xml", 0), 0u);
    EXPECT_EQ(run.out.substr(run.out.size() - 7), "</svg>\n");
    EXPECT_FALSE(std::filesystem::exists(box.dir / "-"));
    ASSERT_EQ(runTool(dump("tree " + quoted(box.tree) + " --svg " + quoted(box.dir / "box.svg"))).status, 0);
    EXPECT_EQ(readText(box.dir / "box.svg"), run.out);
}

TEST(DumpCommandLine, FailuresGoToStandardErrorAsOneLine) {
    BoxTree box;
    // A tree that cannot be written leaves nothing behind.
    const std::filesystem::path nowhere = box.dir / "missing-folder" / "t.svg";
    const ToolRun unwritable = runTool(dump("tree " + quoted(box.tree) + " --svg " + quoted(nowhere)));
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(unwritable.out, "");
    EXPECT_EQ(unwritable.err, nowhere.string() + ": cannot create the file (no such folder, or read-only)\n");
    EXPECT_FALSE(std::filesystem::exists(nowhere.parent_path()));

    // A file that does not parse: no picture, no JSON, the reason on standard error.
    auto bytes = readBytes(box.tree);
    bytes.pop_back();
    writeBytes(box.dir / "short.bsp", bytes);
    for (const char* view : {"", " --json", " --svg -"}) {
        SCOPED_TRACE(view);
        const ToolRun run = runTool(dump("tree " + quoted(box.dir / "short.bsp") + view));
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(lines(run.err), 1u);
        EXPECT_NE(run.err.find(": offset "), std::string::npos) << run.err;
    }
    // With --check the verdict is what was asked for: standard output.
    const ToolRun check = runTool(dump("tree " + quoted(box.dir / "short.bsp") + " --check"));
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err, "");
    EXPECT_NE(check.out.find(": offset "), std::string::npos);

    // --node names a path this tree does not have: the root of the box is a leaf.
    const ToolRun node =
        runTool(dump("tree " + quoted(box.tree) + " --svg " + quoted(box.dir / "n.svg") + " --node FB"));
    EXPECT_EQ(node.status, 2);
    EXPECT_EQ(node.err, "norvane-dump: --node FB: " + box.tree.string() + ": the root is a leaf\n");
    EXPECT_FALSE(std::filesystem::exists(box.dir / "n.svg"));

    // The picture never replaces the tree it draws.
    const auto tree = readBytes(box.tree);
    const ToolRun over = runTool("cd " + quoted(box.dir.path()) + " && " + dump("tree box.bsp --svg ./box.bsp"));
    EXPECT_EQ(over.status, 2);
    EXPECT_EQ(over.err, "norvane-dump: --svg ./box.bsp would overwrite the tree file it draws\n");
    EXPECT_EQ(readBytes(box.tree), tree);
}

TEST(DumpCommandLine, SceneLoadErrorsNameTheReasonAndOffsetOnStandardError) {
    TempDir dir("dump-scene-errors");
    const ToolRun missing = runTool(dump("scene " + quoted(dir / "none.3ds")));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, (dir / "none.3ds").string() +
                               ": File not found / is damaged ! (cannot-read at offset 0: the file cannot be opened "
                               "or read)\n");

    // An object chunk that claims more than its editor chunk holds (it starts at 22, after the
    // main chunk's header, the 10-byte version chunk and the editor chunk's header): once its
    // name is read, the header of its first sub-chunk, at 32, lies past the end of the file.
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    w.header(0x4000, 1000);
    w.name("cut");
    w.end();
    w.end();
    writeBytes(dir / "past.3ds", w.bytes());
    for (const char* option : {"", " --summary"}) {
        const ToolRun past = runTool(dump("scene " + quoted(dir / "past.3ds") + option));
        EXPECT_EQ(past.status, 1);
        EXPECT_EQ(past.out, "");
        EXPECT_NE(past.err.find("File not found / is damaged ! (past-end-of-file at offset 32: "), std::string::npos)
            << past.err;
        EXPECT_EQ(lines(past.err), 1u);
    }
}

TEST(DumpCommandLine, DiffExitsZeroWhenEqualOneWhenDifferentTwoWhenUnreadable) {
    BoxTree box;
    writeBytes(box.dir / "copy.bsp", readBytes(box.tree));
    auto other = readBytes(box.tree);
    other[other.size() - 1] ^= 0x40;
    writeBytes(box.dir / "other.bsp", other);
    const std::string a = quoted(box.tree) + " ";
    EXPECT_EQ(runTool(dump("diff " + a + quoted(box.dir / "copy.bsp"))).status, 0);
    const ToolRun differ = runTool(dump("diff " + a + quoted(box.dir / "other.bsp")));
    EXPECT_EQ(differ.status, 1);
    EXPECT_EQ(differ.out.rfind("differ: ", 0), 0u);
    EXPECT_EQ(differ.err, "");
    for (const std::string& args :
         {a + quoted(box.dir / "none.bsp"), quoted(box.dir / "none.bsp") + " " + a, a + quoted(box.dir.path())}) {
        const ToolRun unreadable = runTool(dump("diff " + args));
        EXPECT_EQ(unreadable.status, 2) << args;
        EXPECT_EQ(unreadable.out, "");
        EXPECT_NE(unreadable.err.find(": cannot read the file\n"), std::string::npos);
    }
}

} // namespace
} // namespace norvane::test
