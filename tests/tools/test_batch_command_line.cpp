// norvane-build's command line and where it puts the trees: what it accepts, the one-line
// reasons it refuses with, and the trees that would collide.
#include <gtest/gtest.h>

#include <filesystem>

#include "batch/command_line.h"
#include "batch/output_plan.h"
#include "support/test_support.h"

namespace norvane::batch {
namespace {

namespace fs = std::filesystem;

TEST(BuildCommandLine, TakesScenesAndOptionsInAnyOrder) {
    const CommandLine line = parseCommandLine(
        {"a.3ds", "-j", "4", "--json", "b.3ds", "-o", "out", "--fail-fast", "--allow-empty", "--", "-c.3ds"});
    ASSERT_EQ(line.action, CommandLineAction::Run) << line.text;
    const BatchOptions& o = line.options;
    EXPECT_EQ(o.scenes, (std::vector<std::string>{"a.3ds", "b.3ds", "-c.3ds"}));
    EXPECT_EQ(o.jobs, 4u);
    EXPECT_EQ(o.outputDir, "out");
    EXPECT_TRUE(o.json && o.failFast && o.allowEmpty);
    EXPECT_FALSE(o.quiet || o.verbose);

    const CommandLine plain = parseCommandLine({"a.3ds"});
    ASSERT_EQ(plain.action, CommandLineAction::Run);
    EXPECT_EQ(plain.options.jobs, 0u) << "0 stands for the machine's cores";
    EXPECT_EQ(plain.options.outputDir, "");
    EXPECT_EQ(plain.options.outputFile, "");
}

TEST(BuildCommandLine, RefusesWrongUsageWithOneLine) {
    const std::vector<std::vector<std::string>> wrong = {
        {},                                          // no scene
        {"-j", "0", "a.3ds"},                        // no jobs
        {"-j", "two", "a.3ds"},                      // not a number
        {"--quiet", "--verbose", "a.3ds"},           // both
        {"--json", "--verbose", "a.3ds"},            // the JSON owns standard output
        {"--output", "x.bsp", "a.3ds", "b.3ds"},     // one tree, two scenes
        {"-o", "out", "--output", "x.bsp", "a.3ds"}, // both places
        {"--output", "", "a.3ds"},                   // no name
        {"--frobnicate", "a.3ds"},                   // unknown
        {"a.3ds", "-j"},                             // a value missing
    };
    for (const auto& args : wrong) {
        const CommandLine line = parseCommandLine(args);
        std::string shown;
        for (const std::string& a : args) shown += a + " ";
        EXPECT_EQ(line.action, CommandLineAction::WrongUsage) << shown;
        EXPECT_FALSE(line.text.empty()) << shown;
        EXPECT_EQ(line.text.find('\n'), std::string::npos) << shown << ": " << line.text;
    }
    EXPECT_NE(parseCommandLine({"--output", "x.bsp", "a.3ds", "b.3ds"}).text.find("-o DIR"), std::string::npos);
}

TEST(BuildCommandLine, HelpAndVersionAreTextForStandardOutput) {
    const CommandLine help = parseCommandLine({"--help"});
    EXPECT_EQ(help.action, CommandLineAction::ShowText);
    for (const char* part :
         {"Usage: norvane-build", "--jobs", "--output-dir", "--json", "--fail-fast", "--allow-empty", "Exit status"})
        EXPECT_NE(help.text.find(part), std::string::npos) << part;
    const CommandLine version = parseCommandLine({"a.3ds", "--version"});
    EXPECT_EQ(version.action, CommandLineAction::ShowText);
    EXPECT_EQ(version.text.rfind("norvane-build 5.", 0), 0u) << version.text;
    EXPECT_EQ(version.text.back(), '\n');
}

std::vector<BatchScene> plan(const std::vector<std::string>& args) {
    const CommandLine line = parseCommandLine(args);
    EXPECT_EQ(line.action, CommandLineAction::Run) << line.text;
    return planOutputs(line.options);
}

std::vector<std::string> outputsOf(const std::vector<BatchScene>& scenes) {
    std::vector<std::string> outputs;
    for (const BatchScene& s : scenes) outputs.push_back(s.output);
    return outputs;
}

TEST(BuildOutputPlan, TreesGoBesideTheScenesUnderNorvanesNames) {
    const auto scenes = plan({"a.3ds", "dir/Level.3DS", "my.dir/scene", "scene.old.3ds", "noext"});
    EXPECT_EQ(outputsOf(scenes),
              (std::vector<std::string>{"a.bsp", "dir/Level.bsp", "my.bsp", "scene.old.bsp", "noext.bsp"}));
    EXPECT_EQ(scenes[2].input, "my.dir/scene") << "the scene is opened as typed";
}

TEST(BuildOutputPlan, AFolderTakesTreesNamedAfterTheScenesFiles) {
    const auto scenes = plan({"-o", "out", "a.3ds", "my.dir/scene", "deep/x.y.3ds"});
    EXPECT_EQ(outputsOf(scenes),
              (std::vector<std::string>{(fs::path("out") / "a.bsp").string(), (fs::path("out") / "scene.bsp").string(),
                                        (fs::path("out") / "x.y.bsp").string()}));
    EXPECT_EQ(outputsOf(plan({"--output", "there/t.bsp", "a.3ds"})), (std::vector<std::string>{"there/t.bsp"}));
}

TEST(BuildOutputPlan, FindsTwoScenesThatWouldWriteOneTree) {
    EXPECT_EQ(findCollision(plan({"a.3ds", "b.3ds", "c/a.3ds"})), "");
    EXPECT_EQ(findCollision(plan({"-o", "out", "a/x.3ds", "b/x.3ds"})),
              "a/x.3ds and b/x.3ds would both write " + (fs::path("out") / "x.bsp").string());
    EXPECT_NE(findCollision(plan({"x.3ds", "x.max"})), "") << "both write x.bsp";
    EXPECT_NE(findCollision(plan({"x.3ds", "x.3ds"})), "") << "one scene twice";
    EXPECT_NE(findCollision(plan({"x.3ds", "./sub/../x.3ds"})), "") << "one file, two spellings";
}

TEST(BuildOutputPlan, ATreesGltfNeverReplacesAScene) {
    // The tree of castle.glb is castle.bsp, and its glTF beside it would be castle.glb itself.
    EXPECT_EQ(findCollision(plan({"--gltf", "castle.glb"})),
              "the glTF of the tree of castle.glb would replace the scene castle.glb");
    EXPECT_EQ(findCollision(plan({"--gltf", "-o", "trees", "castle.glb"})), "");
    EXPECT_EQ(findCollision(plan({"--gltf", "castle.gltf", "level.3ds"})), "");
    EXPECT_EQ(findCollision(plan({"--gltf", "level.3ds", "props/castle.glb"})),
              "the glTF of the tree of props/castle.glb would replace the scene props/castle.glb");
    EXPECT_EQ(findCollision(plan({"castle.glb"})), "") << "without --gltf only the tree is written";
}

TEST(BuildOutputPlan, FindsCollisionsThroughLinks) {
    test::TempDir dir("build-plan-links");
    fs::create_directory(dir / "real");
    fs::create_directory_symlink("real", dir / "alias");
    const std::string real = (dir / "real" / "x.3ds").string(), alias = (dir / "alias" / "x.3ds").string();
    EXPECT_NE(findCollision(plan({real, alias})), "") << "one folder under two names";

    // A scene that is a link to the tree another scene writes (from an earlier run).
    test::writeBytes(dir / "s.3ds", test::boxScene());
    test::writeBytes(dir / "s.bsp", {1});
    fs::create_symlink("s.bsp", dir / "link.3ds");
    const std::string collision = findCollision(plan({(dir / "s.3ds").string(), (dir / "link.3ds").string()}));
    EXPECT_NE(collision.find("would replace the scene"), std::string::npos) << collision;
}

} // namespace
} // namespace norvane::batch
