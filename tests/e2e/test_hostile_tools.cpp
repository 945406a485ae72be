// Every program against the paths a reader meets besides files (a directory, /dev/zero, a FIFO
// without a writer, a file past the readers' maximum), memory that runs out, interrupts while a
// load waits, and names that would disturb a terminal: one line and a non-zero status, no hang,
// no output file, and norvane-build records the failed scene and goes on.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <norvane/tree_format.h>

#include "support/test_support.h"
#include "support/tree_bytes.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool underSanitizers = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool underSanitizers = true;
#else
constexpr bool underSanitizers = false;
#endif
#else
constexpr bool underSanitizers = false;
#endif

std::string exe(const char* path) { return quoted(path); }

std::size_t lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A one-node tree; its bytes.
std::vector<std::uint8_t> tinyTree() {
    TreeBytes t;
    t.header(0, 0, 0);
    t.node(0, {0, 0, 0, 0}, 0);
    return t.bytes;
}

// A sparse file of `size` bytes that starts with `head`.
void sparseFile(const fs::path& path, const std::vector<std::uint8_t>& head, std::uint64_t size) {
    writeBytes(path, head);
    fs::resize_file(path, size);
}

struct SpecialPaths {
    TempDir dir{"hostile-paths"};
    fs::path folder = dir / "folder.bsp", fifo = dir / "fifo.bsp", large = dir / "large.bsp";
    SpecialPaths() {
        fs::create_directory(folder);
        EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        sparseFile(large, tinyTree(), maxTreeFileSize + 1);
    }
};

const std::string tooLarge = "the file is larger than " + std::to_string(maxTreeFileSize) + " bytes";

TEST(HostileTools, TreeReadersRefuseAFolderAndAFileBeyondTheMaximum) {
    SpecialPaths p;
    const std::string dump = exe(NORVANE_DUMP_EXE), view = exe(NORVANE_VIEW_EXE);
    ToolRun r = runTool(dump + " tree " + quoted(p.folder) + " --check");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, p.folder.string() + ": cannot read the file\n");
    r = runTool(dump + " tree " + quoted(p.large) + " --check");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, p.large.string() + ": offset 0: " + tooLarge + "\n") << "a verdict, as the Python reader's";
    r = runTool(dump + " diff " + quoted(p.large) + " " + quoted(p.large));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, p.large.string() + ": " + tooLarge + "\n");
    r = runTool(dump + " diff " + quoted(p.folder) + " " + quoted(p.large));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(lines(r.err), 1u);
    for (const fs::path* tree : {&p.folder, &p.large}) {
        r = runTool(view + " " + quoted(*tree) + " -o " + quoted(p.dir / "x.png"));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(lines(r.err), 1u) << r.err;
        EXPECT_FALSE(fs::exists(p.dir / "x.png"));
    }
}

TEST(HostileTools, SceneReadersRefuseAFolderDevZeroAndAFileBeyondTheMaximum) {
    SpecialPaths p;
    writeBytes(p.dir / "t.bsp", tinyTree());
    const fs::path large = p.dir / "large.3ds";
    sparseFile(large, {0x4D, 0x4D, 0x10, 0, 0, 0}, (std::uint64_t{1} << 30) + 1);
    for (const fs::path& scene : {p.folder, fs::path("/dev/zero"), large}) {
        SCOPED_TRACE(scene.string());
        const ToolRun dump = runTool(exe(NORVANE_DUMP_EXE) + " scene " + quoted(scene));
        EXPECT_EQ(dump.status, 1);
        EXPECT_EQ(dump.out, "");
        EXPECT_EQ(lines(dump.err), 1u) << dump.err;
        EXPECT_NE(dump.err.find("File not found / is damaged !"), std::string::npos) << dump.err;
        const ToolRun view = runTool(exe(NORVANE_VIEW_EXE) + " " + quoted(p.dir / "t.bsp") + " --scene " +
                                     quoted(scene) + " -o " + quoted(p.dir / "x.png"));
        EXPECT_EQ(view.status, 1);
        EXPECT_EQ(lines(view.err), 1u) << view.err;
    }
    writeBytes(p.dir / "box.3ds", boxScene());
    const ToolRun batch =
        runTool("cd " + quoted(p.dir.path()) + " && " + exe(NORVANE_BUILD_EXE) + " --json -j 1 -o trees " +
                quoted(p.folder) + " /dev/zero " + quoted(large) + " box.3ds");
    EXPECT_EQ(batch.status, 1);
    EXPECT_EQ(lines(batch.out), 4u) << batch.out;
    std::size_t failed = 0;
    for (std::size_t at = 0;
         (at = batch.out.find("\"status\": \"failed\", \"error\": \"File not found / is damaged !\"", at)) !=
         std::string::npos;
         ++at)
        ++failed;
    EXPECT_EQ(failed, 3u) << batch.out;
    EXPECT_NE(batch.out.find("\"input\": \"box.3ds\", \"output\": \"trees/box.bsp\", \"status\": \"compiled\""),
              std::string::npos)
        << batch.out;
}

TEST(HostileTools, DevZeroIsTooLargeForEveryTreeReader) {
    const ToolRun check = runTool(exe(NORVANE_DUMP_EXE) + " tree /dev/zero --check");
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out, "/dev/zero: offset 0: " + tooLarge + "\n");
    const ToolRun diff = runTool(exe(NORVANE_DUMP_EXE) + " diff /dev/zero /dev/null");
    EXPECT_EQ(diff.status, 2);
    EXPECT_EQ(diff.err, "/dev/zero: " + tooLarge + "\n");
    const ToolRun view = runTool(exe(NORVANE_VIEW_EXE) + " /dev/zero --compare");
    EXPECT_EQ(view.status, 1);
    EXPECT_EQ(view.err, "norvane-view: /dev/zero: " + tooLarge + "\n");
}

// A reader waiting on a FIFO that no one writes is ended by the signal sent to it, at once:
// norvane-build stops its load as it stops between nodes, the others die of the signal.
TEST(HostileTools, AFifoWithoutAWriterHoldsNoReaderPastASignal) {
    SpecialPaths p;
    const fs::path fifoScene = p.dir / "fifo.3ds";
    ASSERT_EQ(::mkfifo(fifoScene.c_str(), 0600), 0);
    writeBytes(p.dir / "box.3ds", boxScene());
    // timeout sends the signal after half a second and KILL ten seconds later: 124 means the
    // signal ended the program, 137 that only KILL did.
    auto within = [](const std::string& signal, const std::string& command) {
        return runTool("timeout -k 10 -s " + signal + " 0.5 " + command);
    };
    const std::string dir = quoted(p.dir.path());
    for (const char* signal : {"INT", "TERM", "HUP"}) {
        SCOPED_TRACE(signal);
        const ToolRun batch = within(signal, "sh -c 'cd " + dir + " && exec " + exe(NORVANE_BUILD_EXE) +
                                                 " --json -j 1 box.3ds fifo.3ds'");
        EXPECT_EQ(batch.status, 124);
        EXPECT_EQ(batch.err, "norvane-build: interrupted\n");
        EXPECT_NE(batch.out.find("\"input\": \"box.3ds\""), std::string::npos) << "the scene before is reported";
        EXPECT_EQ(batch.out.find("fifo.3ds"), std::string::npos) << "a stopped scene is not";
        EXPECT_FALSE(fs::exists(p.dir / "fifo.bsp.norvane-tmp"));
    }
    EXPECT_EQ(within("TERM", exe(NORVANE_DUMP_EXE) + " tree " + quoted(p.fifo)).status, 124);
    EXPECT_EQ(within("TERM", exe(NORVANE_DUMP_EXE) + " scene " + quoted(fifoScene)).status, 124);
    EXPECT_EQ(within("TERM", exe(NORVANE_VIEW_EXE) + " " + quoted(p.fifo) + " --compare").status, 124);
    EXPECT_EQ(
        within("TERM", "sh -c 'cd " + dir + " && exec " + exe(NORVANE_COMPILER_EXE) + " fifo.3ds </dev/null'").status,
        124);
}

// Under a memory limit each program fails with one line; norvane-build records the scene that
// ran out and compiles the next.
TEST(HostileTools, MemoryThatRunsOutIsOneLine) {
    if (underSanitizers) GTEST_SKIP() << "the sanitizers reserve more address space than the limit allows";
    TempDir dir("hostile-memory");
    const std::uint64_t size = std::uint64_t{700} << 20;
    sparseFile(
        dir / "big.3ds",
        {0x4D, 0x4D, std::uint8_t(size), std::uint8_t(size >> 8), std::uint8_t(size >> 16), std::uint8_t(size >> 24)},
        size);
    sparseFile(dir / "big.bsp", tinyTree(), size);
    writeBytes(dir / "box.3ds", boxScene());
    const std::string limit = "cd " + quoted(dir.path()) + " && ulimit -v 500000 && ";
    const ToolRun batch = runTool(limit + exe(NORVANE_BUILD_EXE) + " --json -j 1 -o trees big.3ds box.3ds");
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.out.find("{\"input\": \"big.3ds\", \"output\": \"trees/big.bsp\", \"status\": \"failed\", "
                             "\"error\": \"File not found / is damaged !\""),
              std::string::npos)
        << batch.out;
    EXPECT_NE(batch.out.find("{\"input\": \"box.3ds\", \"output\": \"trees/box.bsp\", \"status\": \"compiled\""),
              std::string::npos)
        << batch.out;
    for (const std::string& command :
         {exe(NORVANE_DUMP_EXE) + " scene big.3ds", exe(NORVANE_DUMP_EXE) + " tree big.bsp",
          exe(NORVANE_VIEW_EXE) + " big.bsp --compare"}) {
        SCOPED_TRACE(command);
        const ToolRun r = runTool(limit + command);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(lines(r.err), 1u) << r.err;
        EXPECT_NE(r.err.find("memory"), std::string::npos) << r.err;
    }
    const ToolRun norvane = runTool(limit + exe(NORVANE_COMPILER_EXE) + " big.3ds </dev/null");
    EXPECT_EQ(norvane.status, 1);
    EXPECT_NE(norvane.out.find("# ERROR : File not found / is damaged !"), std::string::npos);
}

// A name from the command line with a newline or an escape in it is shown quoted, so each
// person's line stays one line; names from a file are spelled as the summaries spell them.
TEST(HostileTools, NamesThatWouldDisturbATerminalAreQuoted) {
    TempDir dir("hostile-names");
    const std::string name = "two\nlines\x1b[2J.3ds";
    writeBytes(dir / name, {1, 2, 3});
    writeBytes(dir / "box.3ds", boxScene());
    const ToolRun batch = runTool("cd " + quoted(dir.path()) + " && " + exe(NORVANE_BUILD_EXE) +
                                  " -j 1 box.3ds \"$(printf 'two\\nlines\\033[2J.3ds')\"");
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.out.find("FAILED  \"two\\x0Alines\\x1B[2J.3ds\": File not found / is damaged !\n"),
              std::string::npos)
        << batch.out;
    EXPECT_EQ(lines(batch.out), 2u) << batch.out;

    TreeBytes a, b;
    for (TreeBytes* t : {&a, &b}) t->header(0, 0, 1);
    a.material("Stone\x1b[2J");
    b.material("Stone\" vs \"x");
    for (TreeBytes* t : {&a, &b}) t->node(0, {0, 0, 0, 0}, 0);
    writeBytes(dir / "a.bsp", a.bytes);
    writeBytes(dir / "b.bsp", b.bytes);
    const ToolRun diff =
        runTool(exe(NORVANE_DUMP_EXE) + " diff " + quoted(dir / "a.bsp") + " " + quoted(dir / "b.bsp"));
    EXPECT_EQ(diff.status, 1);
    EXPECT_EQ(diff.out, "differ: material 0: \"Stone\\u001b[2J\" vs \"Stone\\\" vs \\\"x\"\n");
}

} // namespace
} // namespace norvane::test
