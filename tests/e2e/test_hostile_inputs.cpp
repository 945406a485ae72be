// Broken and hostile input, and hostile states of the disk: every run ends with one error line,
// the key wait and exit status 1; no output file appears and no existing file changes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>


#include "console/console_progress.h"
#include "math/float_math.h"
#include "scene3ds/generators.h"
#include "norvane/tree_file.h"
#include "norvane/compile.h"
#include "norvane/scene.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;
using scene3ds::ChunkWriter;

const std::string damaged = "File not found / is damaged !";

std::string loadFailure(const std::string& shown) {
    return "   Loading file " + shown + " .. \r   # ERROR : " + damaged + " \n";
}

// Everything the run printed from the writer's first line on.
std::string writerTail(const std::string& console) {
    const std::size_t at = console.find("   Writing BSP_Tree\n");
    return at == std::string::npos ? std::string() : console.substr(at);
}

// Runs `name` in `dir` and expects the load to fail cleanly.
void expectLoadFailure(const TempDir& dir, const std::string& name, const std::string& stem) {
    const RunResult run = runIn(dir.path(), {name});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(consoleTail(run.console), loadFailure(name));
    EXPECT_FALSE(fs::exists(dir / (stem + ".bsp")));
}

std::vector<std::uint8_t> withMesh(const std::vector<std::array<float, 3>>& points,
                                   const std::vector<std::array<std::uint16_t, 3>>& faces) {
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    writeMesh(w, meshOf("M", points, faces));
    w.end();
    w.end();
    return w.bytes();
}

TEST(HostileInput, MissingFileFolderAndBrokenChunks) {
    TempDir dir("hostile-load");
    expectLoadFailure(dir, "missing.3ds", "missing");
    fs::create_directory(dir / "folder.3ds");
    expectLoadFailure(dir, "folder.3ds", "folder");

    ChunkWriter zero;
    zero.header(0x4D4D, 0);
    ChunkWriter pastEnd;
    pastEnd.header(0x4D4D, 100000);
    ChunkWriter deep;
    for (int i = 0; i < 300; ++i) deep.begin(0x4D4D);
    for (int i = 0; i < 300; ++i) deep.end();
    ChunkWriter unterminated;
    unterminated.header(0xA000, 6 + 4);
    unterminated.raw("Gold", 4);
    ChunkWriter shortChunk; // a length below 6: the next header starts inside this one
    shortChunk.header(0x4D4D, 3);
    ChunkWriter overlongCount; // 60,000 vertices announced, one given
    beginMainChunk(overlongCount);
    overlongCount.begin(0x3D3D);
    overlongCount.begin(0x4000);
    overlongCount.name("M");
    overlongCount.begin(0x4100);
    overlongCount.begin(0x4110);
    overlongCount.u16(60000);
    overlongCount.f32s({0, 0, 0});
    for (int i = 0; i < 5; ++i) overlongCount.end();
    const std::string text = "root:x:0:0:root:/root:/bin/bash\n"; // not a scene at all
    const struct {
        std::vector<std::uint8_t> bytes;
        LoadErrorCode reason;
    } cases[] = {
        {zero.bytes(), LoadErrorCode::ZeroLengthChunk},
        {pastEnd.bytes(), LoadErrorCode::FirstChunkTooLong},
        {deep.bytes(), LoadErrorCode::NestingTooDeep},
        {unterminated.bytes(), LoadErrorCode::NameCutShort},
        {shortChunk.bytes(), LoadErrorCode::PastEndOfFile},
        {overlongCount.bytes(), LoadErrorCode::PastEndOfFile},
        {withMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 9}}), LoadErrorCode::CornerOutOfRange},
        {std::vector<std::uint8_t>(text.begin(), text.end()), LoadErrorCode::FirstChunkTooLong},
    };
    for (const auto& c : cases) {
        LoadError error;
        Scene scene;
        EXPECT_FALSE(loadScene(std::span<const std::uint8_t>(c.bytes), scene, error));
        EXPECT_EQ(error.code, c.reason) << errorCodeName(error.code);
        writeBytes(dir / "broken.3ds", c.bytes);
        expectLoadFailure(dir, "broken.3ds", "broken");
    }
}

TEST(HostileInput, UnreadableFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads files whatever their mode";
    TempDir dir("hostile-unreadable");
    writeBytes(dir / "locked.3ds", boxScene());
    fs::permissions(dir / "locked.3ds", fs::perms::none);
    expectLoadFailure(dir, "locked.3ds", "locked");
}

TEST(HostileInput, EmptyFileIsAnEmptyScene) {
    TempDir dir("hostile-empty");
    writeBytes(dir / "empty.3ds", {});
    const RunResult run = runIn(dir.path(), {"empty.3ds"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(readBytes(dir / "empty.bsp").size(), 31u);
}

TEST(HostileInput, EveryPrefixAndEveryByteChangeOfARealScene) {
    NORVANE_NEEDS_REAL_SCENES();
    const auto good = readBytes(modelsDir() / "CameraRollAnim.3ds");
    ASSERT_FALSE(good.empty());
    auto compiles = [](const std::vector<std::uint8_t>& bytes) {
        // A fresh buffer of the exact size, so that any read past its end is caught.
        const Compiled c = compileBytes(bytes);
        if (!c.tree) return;
        TreeFile file;
        TreeFileError problem;
        ASSERT_TRUE(readTreeFile(c.file, file, problem) && checkTreeFile(file, problem)) << problem.message;
    };
    for (std::size_t n = 0; n < good.size(); ++n) {
        const std::vector<std::uint8_t> prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        compiles(prefix);
        // The file's first chunk is its main chunk, which spans it: every cut is refused as such.
        LoadError error;
        Scene scene;
        loadScene(std::span<const std::uint8_t>(prefix), scene, error);
        const LoadErrorCode expected =
            n == 0 ? LoadErrorCode::None : n < 6 ? LoadErrorCode::PastEndOfFile : LoadErrorCode::FirstChunkTooLong;
        ASSERT_EQ(error.code, expected) << "cut at " << n;
    }
    for (std::size_t i = 0; i < good.size(); ++i)
        for (std::uint8_t value : {std::uint8_t{0}, std::uint8_t{0xFF}, static_cast<std::uint8_t>(good[i] + 1)}) {
            auto changed = good;
            changed[i] = value;
            compiles(changed);
        }
    // Through the whole program: a cut inside the data fails as damaged, and an existing tree
    // of that name stays as it was.
    TempDir dir("hostile-prefix");
    writeBytes(dir / "cut.3ds", std::vector<std::uint8_t>(good.begin(), good.begin() + 700));
    writeBytes(dir / "cut.bsp", {'o', 'l', 'd'});
    const RunResult run = runIn(dir.path(), {"cut.3ds"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(consoleTail(run.console), loadFailure("cut.3ds"));
    EXPECT_EQ(readBytes(dir / "cut.bsp"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
}

TEST(HostileInput, NonFiniteCoordinatesAndCoincidentTrianglesStillBuild) {
    const float inf = INFINITY;
    std::vector<std::array<float, 3>> points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {NAN, 0, 0}, {inf, 1, 2},
                                             {-inf, 3, 1}, {2, 2, 2}, {5, 1, 0}, {0, 0, 7}};
    std::vector<std::array<std::uint16_t, 3>> faces{{0, 1, 2}, {3, 1, 2}, {4, 5, 6}, {0, 7, 8}, {3, 4, 5}, {6, 7, 8}};
    for (int i = 0; i < 3000; ++i) faces.push_back({0, 1, 2}); // coincident
    TempDir dir("hostile-nan");
    writeBytes(dir / "nan.3ds", withMesh(points, faces));
    const RunResult run = runIn(dir.path(), {"nan.3ds"});
    EXPECT_EQ(run.status, 0);
    TreeFile file;
    TreeFileError problem;
    ASSERT_TRUE(readTreeFile(readBytes(dir / "nan.bsp"), file, problem)) << problem.message;
    EXPECT_TRUE(checkTreeFile(file, problem)) << problem.message;
    // Every NaN is written as the same quiet NaN.
    int nans = 0;
    auto expectQuietNan = [&nans](float f) {
        if (f != f) {
            ++nans;
            EXPECT_EQ(floatBits(f), 0x7FC00000u);
        }
    };
    for (const auto& v : file.vertices)
        for (float f : {v.x, v.y, v.z, v.u, v.v, v.nx, v.ny, v.nz}) expectQuietNan(f);
    for (const auto& node : file.nodes)
        for (const auto& face : node.faces)
            for (float f : {face.plane.a, face.plane.b, face.plane.c, face.plane.d}) expectQuietNan(f);
    EXPECT_GT(nans, 0);
}

TEST(HostileInput, TreesBeyondTheFormatStopTheBuild) {
    TempDir dir("hostile-large");
    // More vertices than the format holds before any split.
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    for (int m = 0; m < 2; ++m) {
        w.begin(0x4000);
        w.name("Big");
        w.begin(0x4100);
        w.begin(0x4110);
        w.u16(40000);
        for (int i = 0; i < 40000; ++i) w.f32s({float(i), float(m), 0});
        w.end();
        w.end();
        w.end();
    }
    w.end();
    w.end();
    writeBytes(dir / "big.3ds", w.bytes());
    const RunResult big = runIn(dir.path(), {"big.3ds"});
    EXPECT_EQ(big.status, 1);
    const std::string listed = "\r    \xCC\xCD Adding faces to list\n";
    ASSERT_NE(big.console.find(listed), std::string::npos);
    EXPECT_EQ(big.console.substr(big.console.find(listed) + listed.size()),
              "\r   # ERROR : Tree too large for the BSP file format ! \n\n");
    EXPECT_FALSE(fs::exists(dir / "big.bsp"));

    // A soup whose splits outgrow the format: the build stops at the vertex that does it.
    writeBytes(dir / "soup.3ds", scene3ds::writeScene(scene3ds::generateScene("soup", 7, 2500)));
    const RunResult soup = runIn(dir.path(), {"soup.3ds"});
    EXPECT_EQ(soup.status, 1);
    const std::string stop = "\n\r   # ERROR : Tree too large for the BSP file format ! \n\n";
    ASSERT_GE(soup.console.size(), stop.size());
    EXPECT_EQ(soup.console.substr(soup.console.size() - stop.size()), stop);
    EXPECT_EQ(soup.console.find("Done ["), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "soup.bsp"));
}

TEST(HostileDisk, ReadOnlyFolderReadOnlyFileFullDiskAndTheInputItself) {
    TempDir dir("hostile-disk");
    const std::string creating = "   Writing BSP_Tree\n    \xCC\xCD Creating output file\n";
    const std::string cannotCreate = creating + "\r   # ERROR : Cannot create file - disk full / locked ? \n";

    fs::create_directory(dir / "ro");
    writeBytes(dir / "ro" / "box.3ds", boxScene());
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    RunResult run = runIn(dir / "ro", {"box.3ds"});
    fs::permissions(dir / "ro", fs::perms::owner_all);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(writerTail(run.console), cannotCreate);
    EXPECT_EQ(fs::directory_iterator(dir / "ro")->path().filename(), "box.3ds");

    writeBytes(dir / "box.3ds", boxScene());
    writeBytes(dir / "box.bsp", {'o', 'l', 'd'});
    fs::permissions(dir / "box.bsp", fs::perms::owner_read);
    run = runIn(dir.path(), {"box.3ds"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(writerTail(run.console), cannotCreate);
    EXPECT_EQ(readText(dir / "box.bsp"), "old");
    fs::permissions(dir / "box.bsp", fs::perms::owner_all);
    fs::remove(dir / "box.bsp");

    fs::create_symlink("/dev/full", dir / "box.bsp");
    run = runIn(dir.path(), {"box.3ds"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.console.find("\r   # ERROR : Cannot write file - disk full / locked ? \n"), std::string::npos);
    EXPECT_EQ(run.console.find("Done\n", run.console.find("Writing BSP_Tree")), std::string::npos);
    EXPECT_TRUE(fs::is_symlink(dir / "box.bsp"));
    fs::remove(dir / "box.bsp");

    writeBytes(dir / "x.bsp", boxScene()); // a scene whose tree would take its own name
    run = runIn(dir.path(), {"x.bsp"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(writerTail(run.console), "   Writing BSP_Tree\n\r   # ERROR : Output file would overwrite the input file ! \n");
    EXPECT_EQ(readBytes(dir / "x.bsp"), boxScene());

    // A folder that does not exist (the writer is called with a name the run cannot make).
    const auto scene = loadBytes(boxScene());
    TreeFile tree;
    BuildError buildError;
    ASSERT_TRUE(compileScene(*scene, tree, buildError));
    CaptureConsole writer;
    ConsoleProgress progress(writer);
    WriteOptions options;
    options.input = dir / "box.3ds";
    WriteError error;
    EXPECT_FALSE(writeTreeFile(dir / "nowhere" / "x.bsp", tree, error, options, &progress));
    EXPECT_EQ(error.code, WriteErrorCode::CannotCreate);
    progress.writeFailed(error);
    EXPECT_EQ(writer.text, cannotCreate);
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
}

TEST(HostileDisk, AnExistingTreeIsReplacedWhole) {
    TempDir dir("hostile-replace");
    writeBytes(dir / "box.3ds", boxScene());
    writeBytes(dir / "box.bsp", std::vector<std::uint8_t>(5000, 0xAB));
    const RunResult run = runIn(dir.path(), {"box.3ds"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(readBytes(dir / "box.bsp").size(), 11u + 256 + 8 * 32 + 20 + 12 * 26);
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find("tmp"), std::string::npos) << "no temporary file is left";
}

} // namespace
} // namespace norvane::test
