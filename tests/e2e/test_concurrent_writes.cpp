// Runs that write the same tree at the same time, and a run killed while it writes: every run
// writes a complete tree of its own or none, never a mixture, and a killed run leaves the
// existing tree as it was.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <thread>

#include "scene3ds/generators.h"
#include "scene3ds/scene_builder.h"
#include "support/test_support.h"

extern char** environ;

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

bool isTemporary(const std::string& name) {
    return name.size() > 12 && name.compare(name.size() - 12, 12, ".norvane-tmp") == 0;
}

TEST(ConcurrentRuns, TwoScenesWritingOneTreeLeaveOneCompleteTree) {
    // a.3ds and a.3DS both write a.bsp: a parallel build, or two names that differ in case.
    TempDir dir("concurrent");
    writeBytes(dir / "a.3ds", scene3ds::writeScene(scene3ds::generateScene("city", 1, 8000)));
    writeBytes(dir / "a.3DS", scene3ds::writeScene(scene3ds::generateScene("city", 2, 8000)));
    const std::string cd = "cd '" + dir.path().string() + "' && ";
    const std::string compile = "'" NORVANE_COMPILER_EXE "' ";
    ASSERT_EQ(runCommand(cd + compile + "a.3ds </dev/null >/dev/null").status, 0);
    const std::vector<std::uint8_t> lower = readBytes(dir / "a.bsp");
    ASSERT_EQ(runCommand(cd + compile + "a.3DS </dev/null >/dev/null").status, 0);
    const std::vector<std::uint8_t> upper = readBytes(dir / "a.bsp");
    ASSERT_NE(lower, upper);

    // Writing the same name through one shared temporary failed about every other pair.
    const std::set<std::string> expectedNames = {"a.3ds", "a.3DS", "a.bsp"};
    for (int pair = 0; pair < 24; ++pair) {
        fs::remove(dir / "a.bsp");
        const RunResult both = runCommand(cd + "{ (" + compile + "a.3ds </dev/null >/dev/null; echo \"lower $?\") & (" +
                                          compile + "a.3DS </dev/null >/dev/null; echo \"upper $?\") & wait; }");
        EXPECT_NE(both.console.find("lower 0"), std::string::npos) << "pair " << pair << ": " << both.console;
        EXPECT_NE(both.console.find("upper 0"), std::string::npos) << "pair " << pair << ": " << both.console;
        const std::vector<std::uint8_t> tree = readBytes(dir / "a.bsp");
        EXPECT_TRUE(tree == lower || tree == upper) << "pair " << pair << " left a mixed or cut tree";
        EXPECT_EQ(namesIn(dir.path()), expectedNames) << "pair " << pair;
    }
}

TEST(KilledRun, LeavesTheExistingTreeAsItWasAndItsTemporaryAside) {
    TempDir dir("killed");
    const fs::path scene = dir / "city.3ds";
    const fs::path tree = dir / "city.bsp";
    writeBytes(scene, scene3ds::writeScene(scene3ds::generateScene("city", 4, 60000)));
    const std::vector<std::uint8_t> existing = compileBytes(boxScene()).file;
    writeBytes(tree, existing);

    // Killed as soon as its temporary appears, while the tree is being made and written.
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    std::string program = NORVANE_COMPILER_EXE;
    std::string argument = scene.string();
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &files, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&files);
    std::string temporary;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    int status = 0;
    while (temporary.empty() && waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline) {
        for (const std::string& name : namesIn(dir.path()))
            if (isTemporary(name)) temporary = name;
        if (temporary.empty()) std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    ASSERT_FALSE(temporary.empty()) << "the run ended before its temporary was seen";
    ASSERT_TRUE(WIFSIGNALED(status));

    EXPECT_EQ(readBytes(tree), existing) << "the killed run changed the existing tree";
    // Nothing survives a SIGKILL to remove the temporary: it stays, under a name of its own that
    // ends in ".norvane-tmp", so nothing takes it for a tree.
    EXPECT_EQ(temporary.rfind("city.bsp.", 0), 0u) << temporary;
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"city.3ds", "city.bsp", temporary}));
    const std::vector<std::uint8_t> leftover = readBytes(dir / temporary);

    // The next run neither reuses nor removes it: it makes its own.
    EXPECT_EQ(runCommand("'" NORVANE_COMPILER_EXE "' '" + scene.string() + "' </dev/null >/dev/null").status, 0);
    const std::vector<std::uint8_t> written = readBytes(tree);
    EXPECT_GT(written.size(), existing.size());
    EXPECT_EQ(std::string(written.begin(), written.begin() + 3), "BSP");
    EXPECT_EQ(readBytes(dir / temporary), leftover);
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"city.3ds", "city.bsp", temporary}));
}

} // namespace
} // namespace norvane::test
