// The OBJ export read back by tinyobjloader, the colours the exports share with the viewer, and
// norvane-dump's --gltf and --obj.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include <tiny_obj_loader.h>

#include "export/export_test_support.h"
#include "scene3ds/generators.h"
#include "norvane/export.h"
#include "support/test_support.h"
#include "view/shading.h"

namespace norvane::test {
namespace {

TEST(ExportObj, GroupsPerNodeMaterialsAndTheAxisRule) {
    const TreeFile tree = generatedTree("city", 2, 300);
    std::string obj, mtl;
    TreeFileError error;
    ASSERT_TRUE(exportObj(tree, obj, mtl, "city.mtl", error));
    std::istringstream objStream(obj), mtlStream(mtl);
    tinyobj::MaterialStreamReader materials(mtlStream);
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> read;
    std::string warn, err;
    ASSERT_TRUE(tinyobj::LoadObj(&attrib, &shapes, &read, &warn, &err, &objStream, &materials, false)) << err;
    ASSERT_EQ(attrib.vertices.size(), 3 * tree.vertices.size());
    for (std::size_t i = 0; i < tree.vertices.size(); ++i) {
        ASSERT_EQ(attrib.vertices[3 * i + 2], -tree.vertices[i].z);
        ASSERT_EQ(attrib.texcoords[2 * i + 1], tree.vertices[i].v);
    }
    // Nodes without faces make no shape; the others come in file order, named by their paths.
    std::size_t shape = 0;
    for (std::size_t n = 0; n < tree.nodes.size(); ++n) {
        const TreeFileNode& node = tree.nodes[n];
        if (node.faces.empty()) continue;
        const tinyobj::shape_t& s = shapes.at(shape++);
        const std::string path = nodePath(tree, std::int32_t(n));
        EXPECT_EQ(s.name, path.empty() ? "root" : path);
        ASSERT_EQ(s.mesh.indices.size(), 3 * node.faces.size());
        std::multiset<std::uint32_t> corners, back;
        for (const TreeFileFace& f : node.faces) corners.insert(f.verts, f.verts + 3);
        for (const tinyobj::index_t& index : s.mesh.indices) back.insert(std::uint32_t(index.vertex_index));
        EXPECT_EQ(corners, back) << path;
        std::multiset<std::string> names, namesBack;
        for (const TreeFileFace& f : node.faces)
            names.insert(f.material < tree.materials.size() ? tree.materials[f.material] : "(no_material)");
        for (const int material : s.mesh.material_ids) namesBack.insert(read.at(std::size_t(material)).name);
        EXPECT_EQ(names, namesBack) << path;
    }
    EXPECT_EQ(shape, shapes.size());
    ASSERT_EQ(read.size(), tree.materials.size() + 1);
    EXPECT_EQ(read[1].name, tree.materials[1]);
    EXPECT_FLOAT_EQ(read[1].diffuse[0], float(0x6a / 255.0));
}

TEST(ExportColours, TheViewersPalette) {
    for (const std::uint32_t noMaterial : {65535u, 0xffffffffu})
        for (std::uint32_t material = 0; material < 30; ++material)
            EXPECT_EQ(materialDisplayColour(material, noMaterial), view::materialColour(material, noMaterial));
    EXPECT_EQ(materialDisplayColour(65535, 65535), view::materialColour(65535, 65535));
}

TEST(DumpExport, WritesGltfGlbAndObjBesideAndRefusesWrongUse) {
    TempDir dir("dump-export");
    writeBytes(dir / "box.3ds", scene3ds::writeScene(scene3ds::generateScene("box", 1, 0)));
    const std::string dump = NORVANE_DUMP_EXE;
    ASSERT_EQ(runTool(std::string(NORVANE_COMPILER_EXE) + " " + quoted(dir / "box.3ds") + " >/dev/null").status, 0);
    const std::string tree = quoted(dir / "box.bsp");
    ToolRun run = runTool(dump + " tree " + tree + " --gltf " + quoted(dir / "box.glb"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readText(dir / "box.glb").substr(0, 4), "glTF");
    run = runTool(dump + " tree " + tree + " --flat --gltf " + quoted(dir / "box.gltf"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readText(dir / "box.gltf").substr(0, 10), "{\"asset\":{");
    run = runTool(dump + " tree " + tree + " --obj " + quoted(dir / "box.obj"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(readText(dir / "box.obj").find("mtllib box.mtl\n"), std::string::npos);
    EXPECT_NE(readText(dir / "box.mtl").find("newmtl "), std::string::npos);
    run = runTool(dump + " tree " + tree + " --flat");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "norvane-dump: --flat needs --gltf or --obj (see norvane-dump tree --help)\n");
    EXPECT_EQ(runTool(dump + " tree " + tree + " --gltf a.glb --obj b.obj").status, 2);
    const auto before = readBytes(dir / "box.bsp");
    run = runTool(dump + " tree " + tree + " --gltf " + tree);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(readBytes(dir / "box.bsp"), before);
    run = runTool(dump + " tree " + tree + " --gltf " + quoted(dir / "missing" / "x.glb"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot create the file"), std::string::npos);
}

} // namespace
} // namespace norvane::test
