// OBJ scenes into the scene model, and norvane-build over glTF and OBJ: trees from good files,
// one line and nothing written for damaged ones.
#include <gtest/gtest.h>

#include "norvane/import.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

void writeText(const std::filesystem::path& path, const std::string& text) {
    writeBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

TEST(ImportObj, FansMaterialsAndTextureCoordinates) {
    TempDir dir("import-obj");
    writeText(dir / "scene.mtl", "newmtl Brick\nKd 1 0 0\nnewmtl Glass\nKd 0 0 1\n");
    writeText(dir / "scene.obj", "mtllib scene.mtl\no wall\n"
                                 "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0.5 2 0\nv 0 1 0\n"
                                 "vt 0 0\nvt 1 0\nvt 0.5 0.25\n"
                                 "usemtl Glass\nf 1/1 2/2 3/3 4/3 5/3\nusemtl Brick\nf 1/2 2/2 3/3\n");
    Scene scene;
    LoadError error;
    ASSERT_TRUE(importScene(dir / "scene.obj", scene, error)) << error.message;
    ASSERT_EQ(scene.materials.size(), 2u);
    EXPECT_EQ(scene.materials[0].name, "Brick");
    ASSERT_EQ(scene.meshes.size(), 1u);
    const Mesh& mesh = scene.meshes[0];
    EXPECT_EQ(mesh.name, "wall");
    // The pentagon is a fan from its first corner, then the second face.
    ASSERT_EQ(mesh.faces.size(), 4u);
    const std::uint32_t fan[3][3] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}};
    for (int f = 0; f < 3; ++f)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(mesh.faces[std::size_t(f)].corners[c], fan[f][c]);
    EXPECT_EQ(mesh.faces[0].material, 1);
    EXPECT_EQ(mesh.faces[3].material, 0);
    // Vertex 1 is used with two texture coordinates: the second use gets a copy.
    ASSERT_EQ(mesh.vertices.size(), 6u);
    EXPECT_EQ(mesh.faces[3].corners[0], 5u);
    EXPECT_EQ(mesh.vertices[5].u, 1.0f);
    EXPECT_EQ(mesh.vertices[2].v, 0.25f); // OBJ's v is the scene's v
    // Counter-clockwise seen from +z in OBJ: the front faces -z in the scene's frame.
    EXPECT_NEAR(mesh.faces[0].plane.c, -1.0f, 1e-6f);
}

TEST(ImportObj, DamagedFilesFailWithTheirReason) {
    TempDir dir("import-obj-damaged");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n", "a face names vertex 9 of 3"},
        {"v 0 0 0\nv 1 0 0\np 1 2\n", "the file holds points or lines but no faces"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nf 1/4 2/1 3/1\n", "a face names texture coordinate 4 of 1"},
    };
    for (const auto& [text, words] : cases) {
        writeText(dir / "bad.obj", text);
        Scene scene;
        LoadError error;
        EXPECT_FALSE(importScene(dir / "bad.obj", scene, error)) << words;
        EXPECT_NE(error.message.find(words), std::string::npos) << error.message;
    }
    Scene scene;
    LoadError error;
    EXPECT_FALSE(importScene(dir / "missing.obj", scene, error));
    EXPECT_EQ(error.code, LoadErrorCode::CannotRead);
    EXPECT_FALSE(importScene(dir / "scene.ply", scene, error));
    EXPECT_EQ(error.code, LoadErrorCode::UnknownFormat);
}

TEST(ImportBuild, CompilesGoodScenesAndRefusesDamagedOnesWithOneLine) {
    TempDir dir("import-build");
    writeText(dir / "good.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 1 3 4\nf 1 4 2\nf 2 4 3\n");
    writeText(dir / "bad.gltf", R"({"asset":{"version":"2.0"},"buffers":[{"byteLength":4,"uri":"gone.bin"}]})");
    writeText(dir / "bad.bsp", "an earlier tree");
    const std::string build = std::string(NORVANE_BUILD_EXE) + " ";
    ToolRun run = runTool("cd " + quoted(dir.path()) + " && " + build + "good.obj");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "good.bsp"));
    run = runTool("cd " + quoted(dir.path()) + " && " + build + "bad.gltf");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out + run.err, "FAILED  bad.gltf: gone.bin cannot be opened or read\n");
    EXPECT_EQ(readText(dir / "bad.bsp"), "an earlier tree");
    const std::string dump = std::string(NORVANE_DUMP_EXE) + " scene ";
    run = runTool(dump + quoted(dir / "good.obj") + " --summary");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("meshes 1, vertices 4, faces 4, materials 0"), std::string::npos) << run.out;
    run = runTool("cd " + quoted(dir.path()) + " && " + dump + "bad.gltf");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "bad.gltf: gone.bin cannot be opened or read\n");
    run = runTool("cd " + quoted(dir.path()) + " && " + build + "--gltf good.obj");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readText(dir / "good.glb").substr(0, 4), "glTF");
}

} // namespace
} // namespace norvane::test
