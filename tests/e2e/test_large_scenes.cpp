// Scenes beyond version 50's 16-bit counts, end to end: real scenes joined into one of more
// than 65,535 faces, and (with NORVANE_SLOW_TESTS=1) the fast build against the straightforward
// one past 65,535 faces, and a complete tree of a million faces.
#include <gtest/gtest.h>

#include <cstdlib>

#include "scene3ds/generators.h"
#include "norvane/compile.h"
#include "norvane/tree_file.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

#define NORVANE_SLOW_TEST()                                                                                            \
    if (!std::getenv("NORVANE_SLOW_TESTS")) GTEST_SKIP() << "slow: set NORVANE_SLOW_TESTS=1 to run it"

// A loaded mesh as the scene writer takes it: file axes (y and z exchanged back) and file
// corner order (the stored first, third, second), moved along x by `shift`.
scene3ds::MeshPlan planOf(const Scene& scene, const Mesh& mesh, float shift) {
    scene3ds::MeshPlan plan;
    plan.name = mesh.name;
    for (const Vertex& v : mesh.vertices) {
        plan.points.push_back({v.x + shift, v.z, v.y});
        plan.uvs.push_back({v.u, v.v});
    }
    for (const Face& f : mesh.faces) {
        plan.faces.push_back({static_cast<std::uint16_t>(f.corners[0]), static_cast<std::uint16_t>(f.corners[2]),
                              static_cast<std::uint16_t>(f.corners[1])});
        plan.faceMaterial.push_back(f.material >= 0 ? scene.materials[static_cast<std::size_t>(f.material)].name : "");
    }
    return plan;
}

// Every real scene, `copies` times side by side, as one 3DS file.
std::vector<std::uint8_t> joinedRealScenes(int copies) {
    scene3ds::ScenePlan joined;
    std::vector<std::string> materials;
    for (int copy = 0; copy < copies; ++copy)
        for (const auto& entry : fs::directory_iterator(modelsDir())) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".3ds" && ext != ".3DS") continue;
            Scene scene;
            LoadError error;
            if (!loadScene(entry.path(), scene, error)) continue;
            for (const Material& m : scene.materials)
                if (std::find(materials.begin(), materials.end(), m.name) == materials.end()) {
                    materials.push_back(m.name);
                    joined.materials.push_back(scene3ds::materialOf(m.name));
                }
            for (const Mesh& mesh : scene.meshes)
                if (!mesh.faces.empty()) joined.meshes.push_back(planOf(scene, mesh, 1000.0f * float(copy)));
        }
    return scene3ds::writeScene(joined);
}

std::string batchTool() { return quoted(NORVANE_BUILD_EXE); }

TEST(LargeScenes, RealScenesJoinedBeyond16BitsCompileInVersion51) {
    NORVANE_NEEDS_REAL_SCENES();
    TempDir dir("large-joined");
    writeBytes(dir / "joined.3ds", joinedRealScenes(2));
    const std::string scene = quoted(dir / "joined.3ds");
    // norvane's own format cannot hold it; the smallest that can is version 51.
    EXPECT_EQ(runCommand(batchTool() + " -q " + scene + " 2>/dev/null").status, 1);
    ASSERT_EQ(runCommand(batchTool() + " -q --format auto " + scene).status, 0);
    TreeFile tree;
    TreeFileError error;
    ASSERT_TRUE(readTreeFile(dir / "joined.bsp", tree, error) && checkTreeFile(tree, error)) << error.message;
    EXPECT_EQ(tree.version, 51);
    EXPECT_GT(tree.faceCount, 65535u);
}

TEST(LargeScenes, FastBuildMatchesTheStraightforwardOneBeyond65535Faces) {
    NORVANE_SLOW_TEST();
    const auto file = scene3ds::writeScene(scene3ds::generateScene("level", 3, 70000));
    BuildOptions fast, slow;
    fast.format = slow.format = TreeFormatChoice::Smallest;
    slow.search = PlaneSearch::Straightforward;
    const Compiled a = compileBytes(file, fast), b = compileBytes(file, slow);
    ASSERT_TRUE(a.tree && b.tree);
    EXPECT_GT(a.tree->faceCount, 65535u);
    EXPECT_TRUE(a.file == b.file);
}

TEST(LargeScenes, AMillionFacesMakeACompleteTreeThatChecks) {
    NORVANE_SLOW_TEST();
    TempDir dir("large-million");
    writeBytes(dir / "level.3ds", scene3ds::writeScene(scene3ds::generateScene("level", 1, 1000000)));
    ASSERT_EQ(runCommand(batchTool() + " -q --format 51 --give-up-score none " + quoted(dir / "level.3ds")).status, 0);
    const RunResult check = runCommand(quoted(NORVANE_DUMP_EXE) + " tree " + quoted(dir / "level.bsp") + " --check");
    EXPECT_EQ(check.status, 0) << check.console;
}

} // namespace
} // namespace norvane::test
