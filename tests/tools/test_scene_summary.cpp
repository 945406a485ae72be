// norvane-dump scene FILE --summary: the counts, bounds and materials, and the limits of the tree
// file a scene exceeds or comes close to, told the same way the compiler later finds them.
#include <gtest/gtest.h>

#include <regex>

#include "norvane/tree_file.h"
#include "dump/scene_summary.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

ToolRun summary(const std::filesystem::path& scene) {
    return runTool("'" NORVANE_DUMP_EXE "' scene " + quoted(scene) + " --summary");
}

std::vector<std::uint8_t> sceneOf(const std::vector<MeshPlan>& meshes, const std::vector<std::string>& materials = {}) {
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    for (const std::string& m : materials) writeMaterial(w, materialOf(m));
    for (const MeshPlan& m : meshes) writeMesh(w, m);
    w.end();
    w.end();
    return w.bytes();
}

// A mesh of `points` points on a line and `faces` triangles over them.
MeshPlan strip(const std::string& name, std::size_t points, std::size_t faces) {
    std::vector<scene3ds::Point> p;
    for (std::size_t i = 0; i < points; ++i)
        p.push_back({static_cast<float>(i % 300), static_cast<float>(i / 300), static_cast<float>(i % 7)});
    std::vector<std::array<std::uint16_t, 3>> f;
    for (std::size_t i = 0; i < faces; ++i) {
        const auto a = static_cast<std::uint16_t>(i % (points - 2));
        f.push_back({a, static_cast<std::uint16_t>(a + 1), static_cast<std::uint16_t>(a + 2)});
    }
    return meshOf(name, p, f);
}

TEST(SceneSummary, CountsBoundsMaterialsAndLimits) {
    TempDir dir("summary-box");
    auto noMaterial = boxMesh("Bare", 5, 0, 0, 1);
    writeBytes(dir / "box.3ds",
               sceneOf({boxMesh("Box", 0, 0, 0, 2, "Crate \"A\""), noMaterial}, {"Crate \"A\"", "Unused"}));
    const ToolRun run = summary(dir / "box.3ds");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, (dir / "box.3ds").string() +
                           ": meshes 2, vertices 16, faces 24, materials 2, lights 0, cameras 0\n"
                           "bounds (y up): x 0 .. 6, y 0 .. 2, z 0 .. 2\n"
                           "  material 0: \"Crate \\\"A\\\"\", faces 12\n"
                           "  material 1: \"Unused\", faces 0\n"
                           "  no material: faces 12\n"
                           "limits of the tree file:\n"
                           "  ok      vertices 16 of 65535 before cuts; each cut adds 2: room for 32759 cuts\n"
                           "  ok      initial faces 24 of 65535\n"
                           "  ok      materials 2 of 65535\n");
}

TEST(SceneSummary, AVertexCountBeyondTheFormatIsToldBeforeTheCompilerFails) {
    TempDir dir("summary-limits");
    // Every mesh vertex counts, duplicates and unused ones included.
    writeBytes(dir / "over.3ds", sceneOf({strip("A", 40000, 1), strip("B", 40000, 1)}));
    const ToolRun over = summary(dir / "over.3ds");
    EXPECT_EQ(over.status, 0);
    EXPECT_NE(over.out.find("  EXCEEDS vertices 80000 of 65535 before cuts"), std::string::npos) << over.out;
    EXPECT_NE(over.out.find("norvane will stop with \"Tree too large for the BSP file format !\" and write no tree\n"),
              std::string::npos);
    const RunResult compiled = runIn(dir.path(), {"over.3ds"});
    EXPECT_EQ(compiled.status, 1);
    EXPECT_NE(compiled.console.find("Tree too large for the BSP file format !"), std::string::npos);

    // Exactly the limit fits, and is said to be close.
    writeBytes(dir / "edge.3ds", sceneOf({strip("A", 40000, 0), strip("B", 25535, 0)}));
    const ToolRun edge = summary(dir / "edge.3ds");
    EXPECT_NE(edge.out.find("  close   vertices 65535 of 65535 before cuts; each cut adds 2: room for 0 cuts\n"),
              std::string::npos)
        << edge.out;
    EXPECT_EQ(edge.out.find("EXCEEDS"), std::string::npos);
    EXPECT_EQ(runIn(dir.path(), {"edge.3ds"}).status, 0);

    // Far from the limit, but with room for fewer cuts than there are faces.
    writeBytes(dir / "tight.3ds", sceneOf({strip("A", 50000, 10000)}));
    EXPECT_NE(summary(dir / "tight.3ds")
                  .out.find("  close   vertices 50000 of 65535 before cuts; each cut adds 2: room for 7767 cuts, fewer "
                            "than one a face\n"),
              std::string::npos);
    writeBytes(dir / "roomy.3ds", sceneOf({strip("A", 30000, 10000)}));
    EXPECT_NE(summary(dir / "roomy.3ds").out.find("  ok      vertices 30000 of 65535"), std::string::npos);
}

TEST(SceneSummary, CornersIntoAReplacedVertexListCountAsTheCompilerCountsThem) {
    // A face list read before a second vertex list keeps its corners in the first one; the
    // compiler lists those corners too, unless a listed vertex equals them.
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    w.begin(0x4000);
    w.name("Twice");
    w.begin(0x4100);
    w.begin(0x4110);
    w.u16(3);
    w.f32s({0, 0, 0, 1, 0, 0, 0, 1, 0});
    w.end();
    w.begin(0x4120);
    w.u16(1);
    for (std::uint16_t v : {0, 1, 2, 0}) w.u16(v);
    w.end();
    w.begin(0x4110);
    w.u16(3);
    w.f32s({0, 0, 0, 5, 0, 0, 0, 5, 0}); // the first point equals one of the replaced list
    w.end();
    w.end();
    w.end();
    w.end();
    w.end();
    TempDir dir("summary-replaced");
    writeBytes(dir / "twice.3ds", w.bytes());
    const ToolRun run = summary(dir / "twice.3ds");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("meshes 1, vertices 3, faces 1"), std::string::npos) << run.out;
    ASSERT_EQ(runIn(dir.path(), {"twice.3ds"}).status, 0);
    TreeFile file;
    TreeFileError problem;
    ASSERT_TRUE(readTreeFile(readBytes(dir / "twice.bsp"), file, problem));
    EXPECT_EQ(file.vertexCount, 5);
    EXPECT_NE(run.out.find("vertices 5 of 65535 before cuts"), std::string::npos) << run.out;
}

TEST(SceneSummary, FaceAndMaterialCountsBeyondTheFormat) {
    // Built in memory: a 3DS mesh cannot hold more than 65535 faces, and a file of 65536
    // materials takes long to load.
    Scene scene;
    scene.materials.resize(65536);
    scene.meshes.resize(2);
    for (Mesh& mesh : scene.meshes) mesh.faces.resize(40000);
    const dump::SceneSummary s = dump::summarizeScene(scene);
    EXPECT_EQ(s.faces, 80000u);
    EXPECT_EQ(dump::limitState(s.faces), dump::LimitState::Exceeds);
    const std::string text = dump::formatSceneSummary("big.3ds", s);
    EXPECT_NE(text.find("  EXCEEDS initial faces 80000 of 65535\n"), std::string::npos);
    EXPECT_NE(text.find("  EXCEEDS materials 65536 of 65535\n"), std::string::npos);
    EXPECT_NE(text.find("bounds: none"), std::string::npos);

    EXPECT_EQ(dump::limitState(58981), dump::LimitState::Within);
    EXPECT_EQ(dump::limitState(58982), dump::LimitState::Close); // 90% of 65535, rounded up
    EXPECT_EQ(dump::limitState(65535), dump::LimitState::Close);
    EXPECT_EQ(dump::limitState(65536), dump::LimitState::Exceeds);
}

} // namespace
} // namespace norvane::test
