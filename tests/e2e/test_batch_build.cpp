// norvane-build as a pipeline runs it: against norvane scene by scene (trees, exit status,
// reasons, JSON), at any job count, interrupted, with empty and failing scenes over existing
// trees, piped, and with wrong usage.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "scene3ds/generators.h"
#include "support/test_support.h"

extern char** environ;

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& text) { return "'" + text + "'"; }

std::string batchIn(const fs::path& dir, const std::string& args) {
    return "cd " + quoted(dir.string()) + " && " + quoted(NORVANE_BUILD_EXE) + " " + args;
}

struct Scene {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

std::vector<Scene> generatedScenes() {
    std::vector<Scene> scenes;
    for (const auto& [kind, seed, faces] : std::vector<std::tuple<std::string, int, int>>{
             {"arena", 1, 300}, {"city", 2, 1200}, {"rock", 3, 600}, {"terrain", 5, 600}, {"box", 1, 0}})
        scenes.push_back({kind + std::to_string(seed) + ".3ds",
                          scene3ds::writeScene(scene3ds::generateScene(kind, static_cast<std::uint64_t>(seed),
                                                                       static_cast<std::uint32_t>(faces)))});
    return scenes;
}

// Scenes that fail: cut short (damaged), and a soup whose splits outgrow the format mid-build.
std::vector<Scene> failingScenes() {
    std::vector<std::uint8_t> cut = boxScene();
    cut.pop_back();
    return {{"cut.3ds", cut}, {"soup7.3ds", scene3ds::writeScene(scene3ds::generateScene("soup", 7, 2500))}};
}

std::vector<Scene> realScenes() {
    std::vector<Scene> scenes;
    if (!haveRealScenes()) return scenes;
    for (const auto& entry : fs::directory_iterator(modelsDir())) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".3ds" || ext == ".3DS")
            scenes.push_back({entry.path().filename().string(), readBytes(entry.path())});
    }
    std::sort(scenes.begin(), scenes.end(), [](const Scene& a, const Scene& b) { return a.name < b.name; });
    return scenes;
}

std::string namesOf(const std::vector<Scene>& scenes) {
    std::string names;
    for (const Scene& s : scenes) names += quoted(s.name) + " ";
    return names;
}

void writeScenes(const fs::path& dir, const std::vector<Scene>& scenes) {
    for (const Scene& s : scenes) writeBytes(dir / s.name, s.bytes);
}

std::string stemOf(const std::string& name) { return fs::path(name).stem().string(); }

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> temporariesIn(const fs::path& dir) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.path().string().find(".norvane-tmp") != std::string::npos) found.push_back(entry.path().string());
    return found;
}

// The JSON object norvane-build must print for a scene, from what norvane printed and wrote
// for it; the seconds, a timing, are left as "S".
std::string expectedJson(const std::string& name, const RunResult& norvane, const fs::path& tree) {
    std::string line = "{\"input\": \"" + name + "\", \"output\": \"" + stemOf(name) + ".bsp\", ";
    std::smatch m;
    if (norvane.status == 0) {
        const std::regex done("Done \\[[0-9]+ secs, ([0-9]+) nodes, ([0-9]+) faces, ([0-9]+) width\\]");
        EXPECT_TRUE(std::regex_search(norvane.console, m, done)) << name;
        const std::vector<std::uint8_t> file = readBytes(tree);
        const unsigned vertices = file.size() >= 7 ? file[5] + 256u * file[6] : 0;
        return line + "\"status\": \"compiled\", \"error\": null, \"nodes\": " + m[1].str() +
               ", \"faces\": " + m[2].str() + ", \"depth\": " + m[3].str() +
               ", \"vertices\": " + std::to_string(vertices) + ", \"seconds\": S}";
    }
    std::string reason;
    const std::regex error("# ERROR : (.*) \n");
    for (auto it = std::sregex_iterator(norvane.console.begin(), norvane.console.end(), error);
         it != std::sregex_iterator(); ++it)
        reason = (*it)[1].str();
    // norvane-build also says which of version 50's limits a tree broke, and what holds it.
    if (reason == "Tree too large for the BSP file format !")
        reason += " (more than 65535 vertices after cuts; --format 51 holds it)";
    return line + "\"status\": \"failed\", \"error\": \"" + reason +
           "\", \"nodes\": null, \"faces\": null, \"depth\": null, \"vertices\": null, \"seconds\": S}";
}

TEST(BatchBuild, WritesWhatNorvaneWritesSceneByScene) {
    TempDir dir("batch-vs-norvane");
    std::vector<Scene> scenes = realScenes();
    for (auto* more : {generatedScenes, failingScenes})
        for (Scene& s : more()) scenes.push_back(std::move(s));
    fs::create_directories(dir / "one" / "by" / "one");
    fs::create_directories(dir / "batch");
    writeScenes(dir / "one", scenes);
    writeScenes(dir / "batch", scenes);

    const RunResult batch =
        runCommand(batchIn(dir / "batch", "--json -j 2 " + namesOf(scenes) + " missing.3ds 2>errors.txt"));
    EXPECT_EQ(batch.status, 1) << "some scenes fail";
    // Standard error has the failures' lines, for the people reading the build log.
    std::vector<std::string> errors = linesOf(readText(dir / "batch" / "errors.txt"));
    std::sort(errors.begin(), errors.end());
    EXPECT_EQ(errors, (std::vector<std::string>{"FAILED  cut.3ds: File not found / is damaged !",
                                                "FAILED  missing.3ds: File not found / is damaged !",
                                                "FAILED  soup7.3ds: Tree too large for the BSP file format ! (more than "
                                                "65535 vertices after cuts; --format 51 holds it)"}));
    std::map<std::string, std::string> json;
    for (const std::string& line : linesOf(batch.console)) {
        const std::regex input("^\\{\"input\": \"([^\"]*)\"");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, input)) << line;
        EXPECT_EQ(json.count(m[1].str()), 0u) << "one object per scene";
        json[m[1].str()] = std::regex_replace(line, std::regex("\"seconds\": [0-9]+\\.[0-9]{3}"), "\"seconds\": S");
    }
    EXPECT_EQ(json.size(), scenes.size() + 1);

    scenes.push_back({"missing.3ds", {}});
    for (const Scene& s : scenes) {
        const RunResult norvane = runCommand("cd " + quoted((dir / "one").string()) + " && " +
                                             quoted(NORVANE_COMPILER_EXE) + " " + quoted(s.name) + " </dev/null");
        const fs::path tree = dir / "one" / (stemOf(s.name) + ".bsp");
        const fs::path batchTree = dir / "batch" / (stemOf(s.name) + ".bsp");
        EXPECT_EQ(fs::exists(batchTree), fs::exists(tree)) << s.name;
        if (fs::exists(tree)) {
            EXPECT_TRUE(readBytes(batchTree) == readBytes(tree)) << s.name << ": other bytes";
        }
        EXPECT_EQ(json[s.name], expectedJson(s.name, norvane, tree));
    }
    EXPECT_TRUE(temporariesIn(dir.path()).empty());
}

TEST(BatchBuild, AnyJobCountWritesTheSameBytes) {
    TempDir dir("batch-jobs");
    std::vector<Scene> scenes = generatedScenes();
    // Nodes large enough for the plane search's own threads (512 faces and more).
    scenes.push_back({"city9.3ds", scene3ds::writeScene(scene3ds::generateScene("city", 9, 6000))});
    scenes.push_back({"terrain9.3ds", scene3ds::writeScene(scene3ds::generateScene("terrain", 9, 2000))});
    writeScenes(dir.path(), scenes);
    ASSERT_EQ(runCommand(batchIn(dir.path(), "-q -j 1 -o one " + namesOf(scenes))).status, 0);
    ASSERT_EQ(runCommand(batchIn(dir.path(), "-q -j 4 -o four " + namesOf(scenes))).status, 0);
    for (const Scene& s : scenes) {
        const std::string tree = stemOf(s.name) + ".bsp";
        ASSERT_TRUE(fs::exists(dir / "one" / tree)) << tree;
        EXPECT_TRUE(readBytes(dir / "one" / tree) == readBytes(dir / "four" / tree)) << tree;
    }
}

// Starts norvane-build in `dir` with its output to files; returns its process id.
pid_t startBatch(const fs::path& dir, const std::vector<std::string>& args) {
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    const std::string out = (dir / "out.txt").string(), err = (dir / "err.txt").string();
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> all{NORVANE_BUILD_EXE};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string previous = fs::current_path().string();
    fs::current_path(dir);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
    fs::current_path(previous);
    posix_spawn_file_actions_destroy(&files);
    EXPECT_EQ(spawned, 0);
    return pid;
}

TEST(BatchBuild, AnInterruptLeavesNoTemporaryAndNoPartialTree) {
    // Deep rocks, hundreds of levels each; half of them have an older tree to keep or replace
    // whole. Each run is interrupted a little after its first scene is reported, while the
    // others compile or are being written.
    TempDir dir("batch-interrupt");
    std::vector<Scene> scenes;
    for (int seed = 1; seed <= 6; ++seed)
        scenes.push_back(
            {"rock" + std::to_string(seed) + ".3ds",
             scene3ds::writeScene(scene3ds::generateScene("rock", static_cast<std::uint64_t>(seed), 2000))});
    fs::create_directory(dir / "reference");
    writeScenes(dir / "reference", scenes);
    ASSERT_EQ(runCommand(batchIn(dir / "reference", "-q " + namesOf(scenes))).status, 0);
    const std::vector<std::uint8_t> older = compileBytes(boxScene()).file;

    int interrupted = 0;
    for (int delayMs : {0, 60, 150}) {
        const fs::path run = dir / ("after" + std::to_string(delayMs));
        fs::create_directory(run);
        writeScenes(run, scenes);
        for (std::size_t i = 0; i < scenes.size(); i += 2) writeBytes(run / (stemOf(scenes[i].name) + ".bsp"), older);
        std::vector<std::string> args{"-j", "2"};
        for (const Scene& s : scenes) args.push_back(s.name);
        const pid_t pid = startBatch(run, args);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        int status = 0;
        while (readText(run / "out.txt").find("ok      ") == std::string::npos && waitpid(pid, &status, WNOHANG) == 0 &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        kill(pid, SIGINT);
        waitpid(pid, &status, 0);
        if (WIFSIGNALED(status)) {
            EXPECT_EQ(WTERMSIG(status), SIGINT) << "the run ends as the interrupt ends it";
            ++interrupted;
            EXPECT_EQ(readText(run / "err.txt"), "norvane-build: interrupted\n") << "a clean stop, not a kill";
        } else {
            EXPECT_EQ(WEXITSTATUS(status), 0) << "finished before the interrupt";
        }
        EXPECT_TRUE(temporariesIn(run).empty()) << delayMs << " ms";
        // Each tree is the old one or the whole new one; a scene reported done has its new tree.
        const std::string out = readText(run / "out.txt");
        for (std::size_t i = 0; i < scenes.size(); ++i) {
            const std::string tree = stemOf(scenes[i].name) + ".bsp";
            const bool reported = out.find("ok      " + scenes[i].name + " ") != std::string::npos;
            const std::vector<std::uint8_t> fresh = readBytes(dir / "reference" / tree);
            if (!fs::exists(run / tree)) {
                EXPECT_FALSE(reported || i % 2 == 0) << delayMs << " ms: " << tree;
                continue;
            }
            const std::vector<std::uint8_t> now = readBytes(run / tree);
            EXPECT_TRUE(now == fresh || (i % 2 == 0 && now == older && !reported)) << delayMs << " ms: " << tree;
        }
    }
    EXPECT_GT(interrupted, 0) << "no run was still going when interrupted";
}

TEST(BatchBuild, EmptyAndFailedScenesNeverReplaceAnExistingTree) {
    TempDir dir("batch-keep");
    const std::vector<std::uint8_t> good = compileBytes(boxScene()).file;
    // The reference: the tree norvane writes for an empty scene.
    writeBytes(dir / "ref.3ds", {});
    ASSERT_EQ(runCommand("cd " + quoted(dir.path().string()) + " && " + quoted(NORVANE_COMPILER_EXE) +
                         " ref.3ds </dev/null >/dev/null")
                  .status,
              0);
    const std::vector<std::uint8_t> emptyTree = readBytes(dir / "ref.bsp");

    // An empty scene over a good tree: refused, the tree kept.
    writeBytes(dir / "level.3ds", {});
    writeBytes(dir / "level.bsp", good);
    RunResult run = runCommand(batchIn(dir.path(), "level.3ds"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.console,
              "FAILED  level.3ds: Scene has no faces - the existing tree is kept (--allow-empty replaces it)\n");
    EXPECT_EQ(readBytes(dir / "level.bsp"), good);
    // Allowed, it replaces it as norvane would.
    run = runCommand(batchIn(dir.path(), "--allow-empty level.3ds"));
    EXPECT_EQ(run.status, 0) << run.console;
    EXPECT_EQ(readBytes(dir / "level.bsp"), emptyTree);
    // Without a tree before, an empty scene writes its tree; run again, it meets only its own.
    writeBytes(dir / "fresh.3ds", {});
    EXPECT_EQ(runCommand(batchIn(dir.path(), "-q fresh.3ds")).status, 0);
    EXPECT_EQ(readBytes(dir / "fresh.bsp"), emptyTree);
    EXPECT_EQ(runCommand(batchIn(dir.path(), "-q fresh.3ds")).status, 0);

    // Failing scenes keep what was there and write nothing where nothing was.
    writeScenes(dir.path(), failingScenes());
    writeBytes(dir / "cut.bsp", good);
    writeBytes(dir / "soup7.bsp", good);
    run = runCommand(batchIn(dir.path(), "-q --allow-empty cut.3ds soup7.3ds missing.3ds"));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(linesOf(run.console).size(), 3u) << run.console;
    EXPECT_NE(run.console.find("FAILED  soup7.3ds: Tree too large for the BSP file format ! (more than 65535 "
                               "vertices after cuts; --format 51 holds it)\n"),
              std::string::npos);
    EXPECT_EQ(readBytes(dir / "cut.bsp"), good);
    EXPECT_EQ(readBytes(dir / "soup7.bsp"), good);
    EXPECT_FALSE(fs::exists(dir / "missing.bsp"));
    EXPECT_TRUE(temporariesIn(dir.path()).empty());
}

TEST(BatchBuild, APipedRunPrintsPlainLinesAndVerboseOneConsoleAtATime) {
    TempDir dir("batch-piped");
    std::vector<Scene> scenes = generatedScenes();
    scenes.push_back(failingScenes().front());
    writeScenes(dir.path(), scenes);
    const RunResult plain = runCommand(batchIn(dir.path(), "-j 2 " + namesOf(scenes)));
    EXPECT_EQ(plain.status, 1);
    EXPECT_EQ(plain.console.find('\r'), std::string::npos) << "no carriage return in a log";
    const std::vector<std::string> lines = linesOf(plain.console);
    EXPECT_EQ(lines.size(), scenes.size());
    for (const std::string& line : lines)
        EXPECT_TRUE(line.rfind("ok      ", 0) == 0 || line == "FAILED  cut.3ds: File not found / is damaged !") << line;

    const RunResult quiet = runCommand(batchIn(dir.path(), "-q -j 2 " + namesOf(scenes)));
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.console, "FAILED  cut.3ds: File not found / is damaged !\n");

    // Verbose: each scene's whole console as norvane prints it, then its line; never mixed.
    const RunResult verbose = runCommand(batchIn(dir.path(), "--verbose -j 3 " + namesOf(scenes)));
    EXPECT_EQ(verbose.status, 1);
    const std::regex resultLine("(^|\n)(ok      |FAILED  )([^ :]+)[^\n]*\n");
    std::size_t at = 0, blocks = 0;
    for (auto it = std::sregex_iterator(verbose.console.begin(), verbose.console.end(), resultLine);
         it != std::sregex_iterator(); ++it) {
        const std::size_t end = static_cast<std::size_t>(it->position()) + (*it)[1].length();
        const std::string name = (*it)[3].str();
        const std::string block = verbose.console.substr(at, end - at);
        at = end + (*it)[0].length() - (*it)[1].length();
        ++blocks;
        const RunResult norvane = runCommand("cd " + quoted(dir.path().string()) + " && " +
                                             quoted(NORVANE_COMPILER_EXE) + " " + quoted(name) + " </dev/null");
        EXPECT_EQ(consoleTail(block), consoleTail(norvane.console)) << name;
    }
    EXPECT_EQ(blocks, scenes.size());
    EXPECT_EQ(at, verbose.console.size());
}

TEST(BatchBuild, WrongUsageIsOneLineAndCompilesNothing) {
    TempDir dir("batch-usage");
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    writeBytes(dir / "a" / "x.3ds", boxScene());
    writeBytes(dir / "b" / "x.3ds", boxScene());
    writeBytes(dir / "c.3ds", boxScene());
    const RunResult clash = runCommand(batchIn(dir.path(), "-o out a/x.3ds c.3ds b/x.3ds 2>err.txt"));
    EXPECT_EQ(clash.status, 2);
    EXPECT_EQ(clash.console, "");
    EXPECT_EQ(readText(dir / "err.txt"),
              "norvane-build: a/x.3ds and b/x.3ds would both write out/x.bsp (--help lists the options)\n");
    EXPECT_FALSE(fs::exists(dir / "out")) << "nothing is compiled";

    const RunResult wrong = runCommand(batchIn(dir.path(), "--nope c.3ds 2>err.txt"));
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.console, "");
    EXPECT_EQ(linesOf(readText(dir / "err.txt")).size(), 1u);
    EXPECT_FALSE(fs::exists(dir / "c.bsp"));

    const RunResult help = runCommand(batchIn(dir.path(), "--help 2>err.txt"));
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.console.find("Usage: norvane-build"), std::string::npos);
    EXPECT_EQ(readText(dir / "err.txt"), "");
}

TEST(BatchBuild, TreesGoToTheFolderOrFileAsked) {
    TempDir dir("batch-places");
    fs::create_directories(dir / "in" / "my.dir");
    writeBytes(dir / "in" / "my.dir" / "level", boxScene());
    writeBytes(dir / "in" / "box.3ds", boxScene());
    const std::vector<std::uint8_t> tree = compileBytes(boxScene()).file;
    EXPECT_EQ(runCommand(batchIn(dir.path(), "-q -o trees/new in/my.dir/level in/box.3ds")).status, 0);
    EXPECT_EQ(readBytes(dir / "trees" / "new" / "level.bsp"), tree) << "named after the scene, in a new folder";
    EXPECT_EQ(readBytes(dir / "trees" / "new" / "box.bsp"), tree);
    EXPECT_EQ(runCommand(batchIn(dir.path(), "-q --output one.tree in/box.3ds")).status, 0);
    EXPECT_EQ(readBytes(dir / "one.tree"), tree);
    EXPECT_EQ(runCommand(batchIn(dir.path(), "-q --output made/for/it.bsp in/box.3ds")).status, 0);
    EXPECT_EQ(readBytes(dir / "made" / "for" / "it.bsp"), tree);
    EXPECT_EQ(runCommand(batchIn(dir.path(), "-q in/my.dir/level")).status, 0);
    EXPECT_EQ(readBytes(dir / "in" / "my.bsp"), tree) << "beside the scene, under norvane's name";
    EXPECT_FALSE(fs::exists(dir / "in" / "box.bsp"));
}

} // namespace
} // namespace norvane::test

namespace norvane::test {
namespace {

// A scene whose cuts outgrow version 50 compiles in version 51 when asked; a complete tree
// separates what the default gives up on; and the choices are refused when misspelt.
TEST(BatchBuild, TheFormatAndTheGiveUpScoreAreTheBatchsToChoose) {
    TempDir dir("batch-formats");
    writeScenes(dir.path(), failingScenes());
    ASSERT_EQ(runCommand(batchIn(dir.path(), "-q --format auto soup7.3ds")).status, 0);
    TreeFile wide;
    TreeFileError error;
    ASSERT_TRUE(readTreeFile(dir / "soup7.bsp", wide, error) && checkTreeFile(wide, error)) << error.message;
    EXPECT_EQ(wide.version, 51);
    EXPECT_GT(wide.vertexCount, 65535u);

    writeBytes(dir / "rock.3ds", scene3ds::writeScene(scene3ds::generateScene("rock", 1, 15000)));
    ASSERT_EQ(runCommand(batchIn(dir.path(), "-q rock.3ds -o default")).status, 0);
    ASSERT_EQ(runCommand(batchIn(dir.path(), "-q rock.3ds -o complete --give-up-score none --format auto")).status, 0);
    TreeFile given, complete;
    ASSERT_TRUE(readTreeFile(dir / "default" / "rock.bsp", given, error));
    ASSERT_TRUE(readTreeFile(dir / "complete" / "rock.bsp", complete, error));
    EXPECT_EQ(given.nodes.size(), 1u) << "the 15,000-face rock gives up at its root";
    EXPECT_GT(complete.nodes.size(), 1000u);

    for (const char* wrong : {"--format 52", "--format", "--give-up-score -1", "--give-up-score lots"})
        EXPECT_EQ(runCommand(batchIn(dir.path(), std::string(wrong) + " rock.3ds 2>/dev/null")).status, 2) << wrong;
}

} // namespace
} // namespace norvane::test
