// The glTF export read back: the node hierarchy is the tree's, every face comes back once with
// its id and material, and the axis rule keeps every face's front glTF's front.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "export/export_test_support.h"
#include "norvane/export.h"

namespace norvane::test {
namespace {

std::string glbOf(const TreeFile& tree, bool flat = false) {
    std::string glb;
    TreeFileError error;
    EXPECT_TRUE(exportGlb(tree, glb, error, ExportOptions{flat})) << error.message;
    return glb;
}

TEST(ExportGltf, NodesMirrorTheTreeWithNamesPathsAndExtras) {
    const TreeFile tree = generatedTree("city", 3, 400);
    const tinygltf::Model model = readGltf(glbOf(tree), true);
    ASSERT_EQ(model.nodes.size(), tree.nodes.size());
    ASSERT_EQ(model.scenes.at(0).nodes, std::vector<int>{0});
    for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
        const TreeFileNode& node = tree.nodes[i];
        const tinygltf::Node& out = model.nodes[i];
        const std::string path = nodePath(tree, std::int32_t(i));
        EXPECT_EQ(out.name, path.empty() ? "root" : path);
        EXPECT_EQ(out.extras.Get("path").Get<std::string>(), path);
        EXPECT_EQ(out.extras.Get("depth").GetNumberAsInt(), node.depth);
        EXPECT_EQ(out.extras.Get("leaf").Get<bool>(), node.flags == 0);
        EXPECT_EQ(float(out.extras.Get("plane").Get(3).GetNumberAsDouble()), node.plane.d);
        std::vector<int> children;
        if (node.front >= 0) children.push_back(node.front);
        if (node.back >= 0) children.push_back(node.back);
        EXPECT_EQ(out.children, children) << path;
        EXPECT_EQ(out.mesh >= 0, !node.faces.empty()) << path;
    }
}

// Each node's faces by material, ascending, with their ids in stored order.
std::map<std::uint32_t, std::vector<std::uint32_t>> idsByMaterial(const TreeFile& tree, const TreeFileNode& node) {
    std::map<std::uint32_t, std::vector<std::uint32_t>> out;
    for (const TreeFileFace& face : node.faces)
        out[face.material < tree.materials.size() ? face.material : std::uint32_t(tree.materials.size())].push_back(
            face.id);
    return out;
}

TEST(ExportGltf, EveryFaceOnceWithItsIdMaterialAndCorners) {
    const TreeFile tree = generatedTree("arena", 5, 300);
    const tinygltf::Model model = readGltf(glbOf(tree), true);
    for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
        const TreeFileNode& node = tree.nodes[i];
        if (node.faces.empty()) continue;
        const tinygltf::Mesh& mesh = model.meshes.at(std::size_t(model.nodes[i].mesh));
        const auto expected = idsByMaterial(tree, node);
        ASSERT_EQ(mesh.primitives.size(), expected.size());
        std::size_t p = 0, face = 0;
        for (const auto& [material, ids] : expected) {
            const tinygltf::Primitive& primitive = mesh.primitives[p++];
            EXPECT_EQ(primitive.material, int(material));
            EXPECT_EQ(primitive.mode, TINYGLTF_MODE_TRIANGLES);
            const tinygltf::Value& faceIds = primitive.extras.Get("faceIds");
            ASSERT_EQ(std::size_t(faceIds.ArrayLen()), ids.size());
            for (std::size_t k = 0; k < ids.size(); ++k)
                EXPECT_EQ(std::uint32_t(faceIds.Get(int(k)).GetNumberAsInt()), ids[k]);
            ASSERT_EQ(model.accessors.at(std::size_t(primitive.indices)).count, 3 * ids.size());
            face += ids.size();
        }
        EXPECT_EQ(face, node.faces.size());
    }
    EXPECT_EQ(model.materials.size(), tree.materials.size());
    for (std::size_t m = 0; m < tree.materials.size(); ++m) EXPECT_EQ(model.materials[m].name, tree.materials[m]);
}

// A triangle's right-handed normal (q1 - q0) x (q2 - q0) faces glTF's front side.
TEST(ExportGltf, ZIsNegatedAndEveryFrontStaysTheFront) {
    const TreeFile tree = generatedTree("rock", 2, 500);
    const tinygltf::Model model = readGltf(glbOf(tree), true);
    std::size_t checked = 0, fronts = 0;
    for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
        if (model.nodes[i].mesh < 0) continue;
        std::vector<const TreeFileFace*> faces;
        for (const auto& [material, ids] : idsByMaterial(tree, tree.nodes[i]))
            for (const TreeFileFace& f : tree.nodes[i].faces)
                if ((f.material < tree.materials.size() ? f.material : tree.materials.size()) == material)
                    faces.push_back(&f);
        std::size_t k = 0;
        for (const tinygltf::Primitive& primitive : model.meshes[std::size_t(model.nodes[i].mesh)].primitives)
            for (std::size_t t = 0; t * 3 < model.accessors[std::size_t(primitive.indices)].count; ++t) {
                const TreeFileFace& face = *faces.at(k++);
                double q[3][3];
                for (int c = 0; c < 3; ++c) {
                    const std::uint32_t index = accessorIndex(model, primitive.indices, t * 3 + std::size_t(c));
                    const float* p = accessorFloats(model, primitive.attributes.at("POSITION"), index);
                    const float* n = accessorFloats(model, primitive.attributes.at("NORMAL"), index);
                    const Vertex& v = tree.vertices[face.verts[c]];
                    ASSERT_EQ(p[0], v.x);
                    ASSERT_EQ(p[1], v.y);
                    ASSERT_EQ(p[2], -v.z);
                    ASSERT_EQ(n[2], -v.nz);
                    for (int a = 0; a < 3; ++a) q[c][a] = p[a];
                }
                const double u[3] = {q[1][0] - q[0][0], q[1][1] - q[0][1], q[1][2] - q[0][2]};
                const double w[3] = {q[2][0] - q[0][0], q[2][1] - q[0][1], q[2][2] - q[0][2]};
                const double cross[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                                         u[0] * w[1] - u[1] * w[0]};
                const double facing = cross[0] * face.plane.a + cross[1] * face.plane.b - cross[2] * face.plane.c;
                // The tree's own rule: its normal is (p2 - p0) x (p1 - p0) in its frame. Cut
                // slivers can turn against their plane in the tree already; the export keeps that.
                const Vertex* p[3] = {&tree.vertices[face.verts[0]], &tree.vertices[face.verts[1]],
                                      &tree.vertices[face.verts[2]]};
                const double e[3] = {double(p[2]->x) - p[0]->x, double(p[2]->y) - p[0]->y, double(p[2]->z) - p[0]->z};
                const double f[3] = {double(p[1]->x) - p[0]->x, double(p[1]->y) - p[0]->y, double(p[1]->z) - p[0]->z};
                const double treeFacing = (e[1] * f[2] - e[2] * f[1]) * face.plane.a +
                                          (e[2] * f[0] - e[0] * f[2]) * face.plane.b +
                                          (e[0] * f[1] - e[1] * f[0]) * face.plane.c;
                if (treeFacing != 0) {
                    EXPECT_EQ(facing > 0, treeFacing > 0) << "face " << face.id;
                }
                fronts += facing > 0;
                ++checked;
            }
    }
    EXPECT_GT(checked, 400u);
    EXPECT_GT(fronts, checked * 98 / 100);
}

TEST(ExportGltf, FlatGivesOneMeshPerMaterialWithEveryFace) {
    const TreeFile tree = generatedTree("city", 4, 300);
    const tinygltf::Model model = readGltf(glbOf(tree, true), true);
    std::map<std::uint32_t, std::size_t> perMaterial;
    for (const TreeFileNode& node : tree.nodes)
        for (const TreeFileFace& face : node.faces) ++perMaterial[face.material];
    ASSERT_EQ(model.meshes.size(), perMaterial.size());
    ASSERT_EQ(model.scenes[0].nodes.size(), perMaterial.size());
    std::size_t m = 0;
    for (const auto& [material, count] : perMaterial) {
        const tinygltf::Primitive& primitive = model.meshes[m++].primitives.at(0);
        EXPECT_EQ(model.accessors[std::size_t(primitive.indices)].count, 3 * count);
    }
}

TEST(ExportGltf, JsonEmbedsOrNamesTheSameBufferAsTheBinary) {
    const TreeFile tree = generatedTree("box", 1, 0);
    const tinygltf::Model binary = readGltf(glbOf(tree), true);
    std::string json, buffer;
    TreeFileError error;
    ASSERT_TRUE(exportGltf(tree, json, buffer, error));
    EXPECT_TRUE(buffer.empty());
    const tinygltf::Model embedded = readGltf(json, false);
    EXPECT_EQ(embedded.buffers.at(0).data, binary.buffers.at(0).data);
    ASSERT_TRUE(exportGltf(tree, json, buffer, error, {}, "box tree.bin"));
    EXPECT_NE(json.find("\"uri\":\"box%20tree.bin\""), std::string::npos);
    EXPECT_EQ(std::vector<unsigned char>(buffer.begin(), buffer.end()), binary.buffers.at(0).data);
}

TEST(ExportGltf, RefusesATreeThatBreaksItsFormat) {
    TreeFile tree = generatedTree("box", 1, 0);
    tree.nodes.at(0).faces.push_back(TreeFileFace{{0, 1, tree.vertexCount}, 0, 0, {}});
    std::string out = "kept", other;
    TreeFileError error;
    EXPECT_FALSE(exportGlb(tree, out, error));
    EXPECT_EQ(error.code, TreeFileErrorCode::CornerOutOfRange);
    EXPECT_FALSE(exportObj(tree, out, other, "x.mtl", error));
    EXPECT_EQ(out, "kept");
}

} // namespace
} // namespace norvane::test
