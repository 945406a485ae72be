// glTF scenes into the scene model: instances at their world positions, z negated with each
// face's facing kept, materials and texture coordinates, and every damaged file refused with
// its reason.
#include <gtest/gtest.h>

#include <cmath>

#include "norvane/import.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

// One triangle (0,0,0) (1,0,0) (0,1,0), counter-clockwise seen from +z (glTF's front), with
// texture coordinates (0,0) (1,0) (0,0.25): 3 positions, 3 uvs, 3 unsigned short indices.
std::string triangleBuffer() {
    const float data[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0.25f};
    std::string bytes(reinterpret_cast<const char*>(data), sizeof data);
    const std::uint16_t indices[] = {0, 1, 2, 0};
    bytes.append(reinterpret_cast<const char*>(indices), sizeof indices);
    return bytes;
}

std::string gltfText(const std::string& nodes, const std::string& extra = "", int mode = 4,
                     const std::string& buffer = "") {
    return R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":)" + nodes +
           R"(,"meshes":[{"name":"tri","primitives":[{"attributes":{"POSITION":0,"TEXCOORD_0":1},"indices":2,"mode":)" +
           std::to_string(mode) + R"(,"material":1}]}],"materials":[{"name":"Stone"},{}],
"accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]},
{"bufferView":1,"componentType":5126,"count":3,"type":"VEC2"},
{"bufferView":2,"componentType":5123,"count":3,"type":"SCALAR"}],
"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},{"buffer":0,"byteOffset":36,"byteLength":24},
{"buffer":0,"byteOffset":60,"byteLength":6}],
"buffers":[{"byteLength":68,"uri":")" +
           (buffer.empty() ? "tri.bin" : buffer) + R"("}])" + extra + "}";
}

struct Imported {
    bool ok;
    Scene scene;
    LoadError error;
};

Imported importText(const TempDir& dir, const std::string& text, const ImportOptions& options = {}) {
    writeBytes(dir / "tri.bin", [] {
        const std::string b = triangleBuffer();
        return std::vector<std::uint8_t>(b.begin(), b.end());
    }());
    writeBytes(dir / "scene.gltf", std::vector<std::uint8_t>(text.begin(), text.end()));
    Imported out;
    out.ok = importScene(dir / "scene.gltf", out.scene, out.error, options);
    return out;
}

TEST(ImportGltf, InstancesAtWorldPositionsWithZNegatedAndFacingKept) {
    TempDir dir("import-gltf-instances");
    // The parent moves by (10, 0, 0); its child turns 90 degrees about y and scales by 2; a
    // second instance mirrors x.
    const Imported in = importText(dir, gltfText(R"([{"translation":[10,0,0],"children":[1,2]},
{"mesh":0,"name":"turned","rotation":[0,0.7071067811865476,0,0.7071067811865476],"scale":[2,2,2]},
{"mesh":0,"matrix":[-1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,5,1]}])"));
    ASSERT_TRUE(in.ok) << in.error.message;
    ASSERT_EQ(in.scene.meshes.size(), 2u);
    const Mesh& turned = in.scene.meshes[0];
    EXPECT_EQ(turned.name, "turned");
    // (1,0,0) turned about y is (0,0,-1), doubled (0,0,-2), moved (10,0,-2); z negated: (10,0,2).
    EXPECT_EQ(turned.vertices[1].x, 10.0f);
    EXPECT_EQ(turned.vertices[1].z, 2.0f);
    EXPECT_NEAR(turned.vertices[1].y, 0.0f, 1e-6f);
    EXPECT_EQ(turned.vertices[2].y, 2.0f);
    // Texture v runs up in the scene: 1 - 0.25.
    EXPECT_EQ(turned.vertices[2].v, 0.75f);
    EXPECT_EQ(in.scene.materials.size(), 2u);
    EXPECT_EQ(in.scene.materials[0].name, "Stone");
    EXPECT_EQ(in.scene.materials[1].name, "material 1");
    EXPECT_EQ(turned.faces.at(0).material, 1);
    // The front faced glTF's +z, turned to +x: in the scene's frame still +x.
    EXPECT_NEAR(turned.faces[0].plane.a, 1.0f, 1e-6f);
    // The mirrored instance faces +z in glTF, so -z in the scene, its corners turned back.
    const Mesh& mirrored = in.scene.meshes[1];
    EXPECT_EQ(mirrored.vertices[1].x, 9.0f);
    EXPECT_EQ(mirrored.vertices[1].z, -5.0f);
    EXPECT_NEAR(mirrored.faces.at(0).plane.c, -1.0f, 1e-6f);
    EXPECT_EQ(mirrored.faces[0].corners[1], 2u);
}

TEST(ImportGltf, DamagedFilesFailWithTheirReason) {
    TempDir dir("import-gltf-damaged");
    const std::string ok = R"([{"mesh":0}])";
    struct Case {
        std::string text;
        LoadErrorCode code;
        std::string words;
    };
    const std::vector<Case> cases = {
        {gltfText(ok, "", 0), LoadErrorCode::NotTriangles, "mode 0"},
        {gltfText(ok, "", 1), LoadErrorCode::NotTriangles, "mode 1"},
        {gltfText(ok, "", 4, "missing.bin"), LoadErrorCode::CannotRead, "missing.bin cannot be opened"},
        {gltfText(R"([{"children":[1]},{"children":[0],"mesh":0}])"), LoadErrorCode::NodeCycle, "node 0 is reached"},
        {gltfText(R"([{"mesh":3}])"), LoadErrorCode::DataOutOfRange, "node 0 names a mesh that does not exist"},
        {"{\"asset\":", LoadErrorCode::FileRejected, "parse error"},
        // An accessor that claims more vertices than its view holds.
        {[&] {
             std::string t = gltfText(ok);
             t.replace(t.find("\"count\":3,\"type\":\"VEC3\""), 9, "\"count\":4000000000");
             return t;
         }(),
         LoadErrorCode::DataOutOfRange, "accessor 0 lies outside its buffer"},
    };
    for (const Case& c : cases) {
        const Imported in = importText(dir, c.text);
        EXPECT_FALSE(in.ok) << c.words;
        EXPECT_EQ(in.error.code, c.code) << c.words << ": " << in.error.message;
        EXPECT_NE(in.error.message.find(c.words), std::string::npos) << in.error.message;
        EXPECT_EQ(in.error.message.find('\n'), std::string::npos);
        EXPECT_TRUE(in.scene.meshes.empty());
    }
    // An index past the vertices.
    std::string text = gltfText(ok);
    const Imported in = [&] {
        std::string b = triangleBuffer();
        b[64] = 7;
        writeBytes(dir / "tri.bin", std::vector<std::uint8_t>(b.begin(), b.end()));
        writeBytes(dir / "scene.gltf", std::vector<std::uint8_t>(text.begin(), text.end()));
        Imported out;
        out.ok = importScene(dir / "scene.gltf", out.scene, out.error);
        return out;
    }();
    EXPECT_EQ(in.error.code, LoadErrorCode::DataOutOfRange);
    EXPECT_NE(in.error.message.find("index 7 is not below its 3 vertices"), std::string::npos) << in.error.message;
    // A binary container cut short.
    writeBytes(dir / "cut.glb", {'g', 'l', 'T', 'F', 2, 0, 0, 0, 200, 0, 0, 0, 20, 0});
    Scene scene;
    LoadError error;
    EXPECT_FALSE(importScene(dir / "cut.glb", scene, error));
    EXPECT_EQ(error.code, LoadErrorCode::FileRejected) << error.message;
}

TEST(ImportGltf, EveryReadIsBounded) {
    TempDir dir("import-gltf-bounded");
    ImportOptions options;
    options.load.maxFileSize = 60; // the buffer (68 bytes) is too large, the JSON far larger
    Imported in = importText(dir, gltfText(R"([{"mesh":0}])"), options);
    EXPECT_EQ(in.error.code, LoadErrorCode::FileTooLarge);
    // An external buffer is held to the same limit as the file that names it.
    writeBytes(dir / "big.bin", std::vector<std::uint8_t>(200, 0));
    const std::string small = R"({"asset":{"version":"2.0"},"buffers":[{"byteLength":200,"uri":"big.bin"}]})";
    options.load.maxFileSize = 200;
    in = importText(dir, small, options);
    EXPECT_TRUE(in.ok) << in.error.message;
    options.load.maxFileSize = 199;
    in = importText(dir, small, options);
    EXPECT_EQ(in.error.code, LoadErrorCode::FileTooLarge);
    EXPECT_EQ(in.error.message, "big.bin holds more bytes than a scene may");
}

} // namespace
} // namespace norvane::test
