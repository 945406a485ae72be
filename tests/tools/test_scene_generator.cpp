// The scene generator: every kind at several seeds loads, compiles, passes the format check and
// keeps the tree invariants; the same seed writes the same bytes; the box is one leaf.
#include <gtest/gtest.h>

#include <algorithm>

#include "scene3ds/generators.h"
#include "norvane/tree_file.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

TEST(SceneGenerator, EveryKindCompilesAtSeveralSeedsAndSizes) {
    for (const std::string& kind : scene3ds::sceneKinds())
        for (std::uint64_t seed : {1u, 2u, 3u}) {
            SCOPED_TRACE(kind + " seed " + std::to_string(seed));
            const std::uint32_t faces =
                std::min(200 + 400 * static_cast<std::uint32_t>(seed), scene3ds::sceneKindInfo(kind).maxFaces);
            const auto bytes = scene3ds::writeScene(scene3ds::generateScene(kind, seed, faces));
            EXPECT_EQ(bytes, scene3ds::writeScene(scene3ds::generateScene(kind, seed, faces))) << "deterministic";
            const Compiled c = compileBytes(bytes);
            ASSERT_TRUE(c.tree);
            TreeFile file;
            TreeFileError problem;
            ASSERT_TRUE(readTreeFile(c.file, file, problem)) << problem.message;
            ASSERT_TRUE(checkTreeFile(file, problem)) << problem.message;
            EXPECT_NE(c.console.find("[100%]"), std::string::npos);
        }
}

TEST(SceneGenerator, EveryKindMakesItsLargestSizeAndRefusesMore) {
    for (const std::string& kind : scene3ds::sceneKinds()) {
        SCOPED_TRACE(kind);
        const auto& info = scene3ds::sceneKindInfo(kind);
        EXPECT_EQ(info.name, kind);
        EXPECT_GT(info.defaultFaces, 0u);
        EXPECT_LE(info.defaultFaces, info.maxFaces);
        EXPECT_LE(info.maxFaces, scene3ds::maxGeneratedFaces);
        // A mesh holds at most 65535 vertices and faces, and the writer stores 16-bit counts.
        const scene3ds::ScenePlan plan = scene3ds::generateScene(kind, 1, info.maxFaces);
        for (const scene3ds::MeshPlan& m : plan.meshes) {
            EXPECT_LE(m.points.size(), 65535u);
            EXPECT_LE(m.faces.size(), 65535u);
        }
        EXPECT_THROW(scene3ds::generateScene(kind, 1, info.maxFaces + 1), std::invalid_argument);
    }
    EXPECT_THROW(scene3ds::sceneKindInfo("castle"), std::invalid_argument);
    EXPECT_FALSE(scene3ds::isSceneKind("castle"));
}

TEST(SceneGenerator, ArenaRunsEveryLoaderPath) {
    const auto scene = loadBytes(scene3ds::writeScene(scene3ds::generateScene("arena", 1, 600)));
    ASSERT_TRUE(scene);
    EXPECT_GE(scene->materials.size(), 4u);
    EXPECT_GE(scene->lights.size(), 3u);
    ASSERT_EQ(scene->cameras.size(), 1u);
    EXPECT_TRUE(scene->cameras[0].positionKeys.stored);
    EXPECT_TRUE(scene->cameras[0].targetKeys.stored);
    EXPECT_NE(scene->cameras[0].matrix.m[0], 1.0f) << "a camera with a target gets its own axes";
    EXPECT_EQ(scene->endFrame, 100u);
    bool spot = false, off = false, coloured = false;
    for (const Light& l : scene->lights) {
        spot |= l.isSpot == 1;
        off |= l.isOff == 1;
        coloured |= l.colour255[0] > 0;
    }
    EXPECT_TRUE(spot && off && coloured);
    for (const Mesh& m : scene->meshes) {
        EXPECT_TRUE(m.positionKeys.stored);
        EXPECT_TRUE(m.rotationKeys.stored);
        EXPECT_EQ(m.localMatrix.m[15], 1.0f);
        for (const Face& f : m.faces) EXPECT_GE(f.material, 0);
    }
}

TEST(SceneGenerator, CityOfSixtyThousandFacesFitsTheFormat) {
    const Compiled c = compileBytes(scene3ds::writeScene(scene3ds::generateScene("city", 1, 60000)));
    ASSERT_TRUE(c.tree) << "the tree must fit 65535 vertices";
}

// A level reaches its target by adding rooms (each at most a third of a small target, one
// room's worth past it), stacks them on several storeys, and keeps the others' features.
TEST(SceneGenerator, LevelGrowsByRoomsAndStoreysToItsTarget) {
    for (const std::uint32_t target : {600u, 3000u, 20000u}) {
        SCOPED_TRACE(target);
        const auto scene = loadBytes(scene3ds::writeScene(scene3ds::generateScene("level", 7, target)));
        ASSERT_TRUE(scene);
        std::size_t faces = 0;
        float top = 0;
        for (const Mesh& m : scene->meshes) {
            faces += m.faces.size();
            for (const Vertex& v : m.vertices) top = std::max(top, v.y); // the file's z is up
        }
        EXPECT_GE(faces, target);
        EXPECT_LE(faces, target + std::max(target / 3, 1200u));
        EXPECT_GE(scene->meshes.size(), 3u) << "one mesh a room";
        EXPECT_GE(top, 10.0f) << "at least two storeys";
        EXPECT_GE(scene->materials.size(), 4u);
        EXPECT_EQ(scene->lights.size(), 2u);
        EXPECT_EQ(scene->cameras.size(), 1u);
    }
}

// Tori split about one face in two; the level must still fit the format's 65535 vertices.
TEST(SceneGenerator, LevelOfSixtyThousandFacesFitsTheFormat) {
    for (const std::uint64_t seed : {1u, 6u}) {
        const Compiled c = compileBytes(scene3ds::writeScene(scene3ds::generateScene("level", seed, 60000)), false, 2);
        ASSERT_TRUE(c.tree) << "seed " << seed << ": the tree must fit 65535 vertices";
    }
}

} // namespace
} // namespace norvane::test
