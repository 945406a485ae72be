// Lights, cameras and keyframer tracks: what reaches which record, in which axes.
#include <gtest/gtest.h>

#include <cmath>

#include "support/test_support.h"

namespace norvane::test {
namespace {

using scene3ds::ChunkWriter;

void light(ChunkWriter& w, const std::string& name, std::initializer_list<float> colour, bool spot = false) {
    w.begin(0x4000);
    w.name(name);
    w.begin(0x4600);
    w.f32s({1, 2, 3});
    w.begin(0x0010);
    w.f32s(colour);
    w.end();
    if (spot) {
        w.begin(0x4610);
        w.f32s({4, 5, 6, 30, 40});
        w.end();
    }
    w.chunkF32(0x465B, 1.5f);
    w.chunkEmpty(0x4620);
    w.end();
    w.end();
}

void camera(ChunkWriter& w, const std::string& name) {
    w.begin(0x4000);
    w.name(name);
    w.begin(0x4700);
    w.f32s({1, 2, 3, 4, 5, 6, 0.5f, 35});
    w.end();
    w.end();
}

// A track of keys (frame, values...) with key flags 0.
void track(ChunkWriter& w, std::uint16_t id, const std::vector<std::vector<float>>& keys, std::uint32_t count = ~0u,
           std::uint16_t keyFlags = 0) {
    w.begin(id);
    for (int i = 0; i < 10; ++i) w.u8(0);
    w.u32(count == ~0u ? static_cast<std::uint32_t>(keys.size()) : count);
    for (const auto& key : keys) {
        w.u32(static_cast<std::uint32_t>(key[0]));
        w.u16(keyFlags);
        for (int bit = 0; bit < 3; ++bit)
            if (keyFlags & (1 << bit)) w.f32(99);
        for (std::size_t i = 1; i < key.size(); ++i) w.f32(key[i]);
    }
    w.end();
}

void node(ChunkWriter& w, std::uint16_t kind, std::uint16_t id, const std::string& name, std::uint16_t parent,
          const std::vector<std::vector<float>>& positions, const std::vector<std::vector<float>>& rotations = {}) {
    w.begin(kind);
    w.chunkU16(0xB030, id);
    w.begin(0xB010);
    w.name(name);
    w.u16(0);
    w.u16(0);
    w.u16(parent);
    w.end();
    track(w, 0xB020, positions);
    if (!rotations.empty()) track(w, 0xB021, rotations);
    w.end();
}

TEST(Lights, PositionsInSceneAxesAndColoursByName) {
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    w.begin(0x2100); // ambient colour: no light named "" exists, nothing changes
    w.begin(0x0010);
    w.f32s({9, 9, 9});
    w.end();
    w.end();
    light(w, "Lamp", {0.5f, 1.0f, 1.5f}, true);
    light(w, "Lamp", {-0.2f, NAN, 1e10f}); // same name: its colour goes to the first
    w.end();
    w.end();
    const auto scene = loadBytes(w.bytes());
    ASSERT_TRUE(scene);
    ASSERT_EQ(scene->lights.size(), 2u);
    const Light& a = scene->lights[0];
    EXPECT_EQ(a.position.y, 3.0f);
    EXPECT_EQ(a.isSpot, 1);
    EXPECT_EQ(a.target.y, 6.0f);
    EXPECT_EQ(a.falloff, 40.0f);
    EXPECT_EQ(a.multiplier, 1.5f);
    EXPECT_EQ(a.isOff, 1);
    EXPECT_EQ(a.colour255[0], -51);
    EXPECT_EQ(a.colour255[1], 0); // NaN
    EXPECT_EQ(a.colour255[2], 2147483647);
    const Light& b = scene->lights[1];
    EXPECT_EQ(b.isSpot, 0);
    EXPECT_EQ(b.colour[0], 0.0f);
    EXPECT_EQ(b.colour255[0], 0);

    ChunkWriter once;
    light(once, "L", {0.5f, 1.0f, 1.5f});
    const auto single = loadBytes(once.bytes());
    ASSERT_TRUE(single);
    EXPECT_EQ(single->lights[0].colour255[0], 127);
    EXPECT_EQ(single->lights[0].colour255[1], 255);
    EXPECT_EQ(single->lights[0].colour255[2], 382);
}

TEST(Cameras, MatrixFromTheFirstPositionAndTargetKeys) {
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    camera(w, "Look");
    camera(w, "Still");
    camera(w, "Moving");
    camera(w, "Up");
    w.end();
    w.begin(0xB000);
    node(w, 0xB003, 1, "Look", 0xFFFF, {{0, 0, 0, 0}, {10, 5, 5, 5}});
    node(w, 0xB004, 2, "Look", 0xFFFF, {{0, 0, 5, 0}}); // file (0,5,0) is scene (0,0,5)
    node(w, 0xB003, 3, "Moving", 0xFFFF, {{0, 7, 8, 9}});
    node(w, 0xB003, 4, "Up", 0xFFFF, {{0, 1, 1, 1}});
    node(w, 0xB004, 5, "Up", 0xFFFF, {{0, 1, 1, 9}}); // straight up the scene's y axis
    w.end();
    w.end();
    const auto scene = loadBytes(w.bytes());
    ASSERT_TRUE(scene);
    const float look[16] = {-1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(scene->cameras[0].matrix.m[i], look[i]) << i;
    EXPECT_EQ(scene->cameras[0].position.y, 2.0f); // the camera chunk stays in file order
    for (int i = 0; i < 16; ++i) EXPECT_EQ(scene->cameras[1].matrix.m[i], (i % 5 == 0) ? 1.0f : 0.0f);
    EXPECT_EQ(scene->cameras[2].matrix.m[12], 7.0f);
    EXPECT_EQ(scene->cameras[2].matrix.m[13], 9.0f);
    EXPECT_EQ(scene->cameras[2].matrix.m[14], 8.0f);
    EXPECT_EQ(scene->cameras[3].matrix.m[0], 1.0f); // no axes to build: identity plus position
    EXPECT_EQ(scene->cameras[3].matrix.m[13], 1.0f);
    EXPECT_EQ(scene->cameras[1].positionKeys.stored, false);
}

// Two meshes named "Body", a dummy node, the node of the first Body, and a last object node
// named `lastName` whose position track claims 70,000 keys (4,464 count) and holds `keys`.
std::vector<std::uint8_t> bodyScene(const std::string& lastName, const std::vector<std::vector<float>>& keys) {
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    writeMesh(w, meshOf("Body", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
    writeMesh(w, meshOf("Body", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
    w.end();
    w.begin(0xB000);
    w.begin(0xB008);
    w.u32(0);
    w.u32(100);
    w.end();
    node(w, 0xB002, 9, "Dummy", 0xFFFF, {{0, 1, 1, 1}});
    node(w, 0xB002, 7, "Body", 3, {{5, 1, 2, 3}}, {{0, 1.5f, 0, 0, 1}});
    w.begin(0xB002);
    w.begin(0xB010);
    w.name(lastName);
    w.u16(0), w.u16(0), w.u16(0);
    w.end();
    track(w, 0xB020, keys, 70000, 0x0007);
    track(w, 0xB020, {}, 0);
    w.end();
    w.end();
    w.end();
    return w.bytes();
}

TEST(Keyframer, TrackCountBeyondTheFileFails) {
    // 4,464 keys are counted; the file holds one.
    EXPECT_FALSE(loadBytes(bodyScene("Body", {{65541, 1, 2, 3}})));
}

TEST(Keyframer, KeyCountsAndFramesUseTheirLow16Bits) {
    const std::vector<std::vector<float>> keys(4464, {65541, 1, 2, 3});
    const auto scene = loadBytes(bodyScene("Nobody", keys));
    ASSERT_TRUE(scene);
    EXPECT_EQ(scene->endFrame, 100u);
    const Mesh& body = scene->meshes[0];
    EXPECT_EQ(body.nodeId, 7);
    EXPECT_EQ(body.parentId, 3);
    ASSERT_EQ(body.positionKeys.count(), 1u);
    EXPECT_EQ(body.positionKeys.frames[0], 5.0f);
    EXPECT_EQ(body.positionKeys.y[0], 3.0f);
    EXPECT_EQ(body.positionKeys.z[0], 2.0f);
    ASSERT_EQ(body.rotationKeys.count(), 1u);
    EXPECT_EQ(body.rotationKeys.angle[0], 1.5f);
    EXPECT_EQ(body.rotationKeys.y[0], 1.0f);
    EXPECT_EQ(body.rotationKeys.z[0], 0.0f);
    EXPECT_EQ(scene->meshes[1].nodeId, 0); // the second mesh of the same name gets nothing
    EXPECT_FALSE(scene->meshes[1].positionKeys.stored);
}

TEST(Keyframer, LongKeyHeadersAndEmptyTracks) {
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    writeMesh(w, meshOf("Body", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
    w.end();
    w.begin(0xB000);
    w.begin(0xB002);
    w.begin(0xB010);
    w.name("Body");
    w.u16(0), w.u16(0), w.u16(0xFFFF);
    w.end();
    track(w, 0xB020, {{65541, 1, 2, 3}}, 1, 0x0007);
    track(w, 0xB021, {}, 0);
    w.end();
    w.end();
    w.end();
    const auto scene = loadBytes(w.bytes());
    ASSERT_TRUE(scene);
    const Mesh& body = scene->meshes[0];
    EXPECT_EQ(body.parentId, 65535);
    ASSERT_EQ(body.positionKeys.count(), 1u);
    EXPECT_EQ(body.positionKeys.frames[0], 5.0f);
    EXPECT_EQ(body.positionKeys.x[0], 1.0f);
    EXPECT_TRUE(body.rotationKeys.stored);
    EXPECT_EQ(body.rotationKeys.count(), 0u);
}

} // namespace
} // namespace norvane::test
