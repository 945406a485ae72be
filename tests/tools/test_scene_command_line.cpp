// norvane-scene as a user meets it: help listing every kind with its sizes, what it wrote on
// standard output, and why an option is refused.
#include <gtest/gtest.h>

#include "scene3ds/generators.h"
#include "norvane/version.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

std::string sceneTool(const std::string& args) { return "'" NORVANE_SCENE_EXE "' " + args; }

TEST(SceneCommandLine, HelpListsEveryKindWithTheGeneratorsSizes) {
    for (const char* flag : {"--help", "-h"}) {
        const ToolRun run = runTool(sceneTool(flag));
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        for (const char* option : {"--seed", "--faces", "--version"})
            EXPECT_NE(run.out.find(option), std::string::npos);
        for (const std::string& kind : scene3ds::sceneKinds()) {
            const auto& info = scene3ds::sceneKindInfo(kind);
            const std::size_t line = run.out.find("\n  " + kind + " ");
            ASSERT_NE(line, std::string::npos) << kind;
            const std::string text = run.out.substr(line + 1, run.out.find('\n', line + 1) - line - 1);
            char sizes[64];
            std::snprintf(sizes, sizeof sizes, "%7u, at most %7u", info.defaultFaces, info.maxFaces);
            EXPECT_NE(text.find(sizes), std::string::npos) << text;
        }
    }
    const ToolRun version = runTool(sceneTool("--version"));
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "norvane-scene " NORVANE_VERSION_STRING "\n");
}

TEST(SceneCommandLine, ReportsWhatItWrote) {
    TempDir dir("scene-cli");
    const auto out = dir / "t.3ds";
    const ToolRun run = runTool(sceneTool("--seed 7 terrain " + quoted(out) + " --faces 800"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto scene = loadBytes(readBytes(out));
    ASSERT_TRUE(scene);
    EXPECT_EQ(run.out, out.string() + ": terrain, seed 7, faces " + std::to_string(scene->meshes[0].faces.size()) +
                           ", vertices " + std::to_string(scene->meshes[0].vertices.size()) +
                           ", meshes 1, materials 1\n");
    EXPECT_EQ(readBytes(out), scene3ds::writeScene(scene3ds::generateScene("terrain", 7, 800)));
    // The defaults: seed 1 and the kind's own size.
    ASSERT_EQ(runTool(sceneTool("city " + quoted(dir / "c.3ds"))).status, 0);
    EXPECT_EQ(readBytes(dir / "c.3ds"),
              scene3ds::writeScene(scene3ds::generateScene("city", 1, scene3ds::sceneKindInfo("city").defaultFaces)));
}

TEST(SceneCommandLine, RefusedOptionsSayWhy) {
    TempDir dir("scene-cli-refused");
    const std::string out = quoted(dir / "x.3ds");
    std::string kinds;
    for (const std::string& kind : scene3ds::sceneKinds()) kinds += (kinds.empty() ? "" : ", ") + kind;
    struct Case {
        std::string args;
        std::string says;
        int status;
    };
    const Case cases[] = {
        {"", "KIND is required", 2},
        {"terrain", "OUT is required", 2},
        {"castle " + out, "unknown kind \"castle\"; the kinds are " + kinds + " (", 2},
        {"soup " + out + " --faces 21846", "--faces 21846 is more than a soup scene can have: at most 21845", 2},
        {"box " + out + " --faces 13", "at most 12", 2},
        {"arena " + out + " --faces 99999999999", "at most 1000000", 2},
        {"rock " + out + " --faces -5", "--faces: must not be negative", 2},
        {"rock " + out + " --seed -1", "--seed: must not be negative", 2},
        {"rock " + out + " --seed x", "--seed", 2},
        {"rock " + out + " extra", "extra", 2},
        {"rock " + out + " --bogus", "--bogus", 2},
        {"box " + quoted(dir / "no-folder" / "x.3ds"), "cannot create the file", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const ToolRun run = runTool(sceneTool(c.args));
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("norvane-scene: ", 0), 0u);
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
        if (c.status == 2) {
            EXPECT_NE(run.err.find("--help"), std::string::npos);
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "nothing was written";
}

} // namespace
} // namespace norvane::test
