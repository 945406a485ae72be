// The loader on small files written with the chunk writer: axes and corner order, the walk's
// rules, names, materials, failures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "norvane/scene.h"
#include "scene/post_process.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

// Why loading the bytes failed; None when they loaded.
LoadErrorCode loadStatus(const std::vector<std::uint8_t>& bytes) {
    LoadError error;
    Scene scene;
    const bool loaded = loadScene(std::span<const std::uint8_t>(bytes), scene, error);
    EXPECT_EQ(!loaded, error.code != LoadErrorCode::None);
    return error.code;
}

// main > editor > whatever `body` writes.
template <class Body>
std::vector<std::uint8_t> editorFile(Body body) {
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    body(w);
    w.end();
    w.end();
    return w.bytes();
}

std::vector<std::uint8_t> oneTriangle(const std::string& material = "") {
    return editorFile([&](ChunkWriter& w) {
        if (!material.empty()) writeMaterial(w, materialOf("Stone"));
        writeMesh(w, meshOf("Tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, material));
    });
}

TEST(Loader, StoresPointsInSceneAxesAndCornersFirstThirdSecond) {
    const auto scene = loadBytes(editorFile([](ChunkWriter& w) {
        writeMesh(w, meshOf("M", {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{0, 1, 2}}));
    }));
    ASSERT_TRUE(scene);
    ASSERT_EQ(scene->meshes.size(), 1u);
    const Mesh& m = scene->meshes[0];
    EXPECT_EQ(m.name, "M");
    EXPECT_EQ(m.vertices[0].x, 1.0f);
    EXPECT_EQ(m.vertices[0].y, 3.0f);
    EXPECT_EQ(m.vertices[0].z, 2.0f);
    EXPECT_EQ(m.faces[0].corners[0], 0u);
    EXPECT_EQ(m.faces[0].corners[1], 2u);
    EXPECT_EQ(m.faces[0].corners[2], 1u);
    EXPECT_EQ(m.faces[0].material, -1);
    for (float f : m.localMatrix.m) EXPECT_EQ(f, 0.0f); // no local axes: all zero, not identity
}

TEST(Loader, FacePlanesFollowTheStoredCorners) {
    auto plane = [](float z) {
        const auto scene = loadBytes(editorFile([z](ChunkWriter& w) {
            writeMesh(w, meshOf("M", {{0, 0, z}, {1, 0, z}, {0, 1, z}}, {{0, 1, 2}}));
        }));
        return scene->meshes[0].faces[0].plane;
    };
    const Plane p0 = plane(0), p5 = plane(5);
    EXPECT_EQ(p0.a, 0.0f);
    EXPECT_EQ(p0.b, -1.0f);
    EXPECT_EQ(p0.c, 0.0f);
    EXPECT_EQ(p0.d, 0.0f);
    EXPECT_EQ(p5.b, -1.0f);
    EXPECT_EQ(p5.d, 5.0f);
}

TEST(Loader, VertexNormalsGatherEveryFaceAtThePosition) {
    // Two faces meeting at the origin with planes (0,-1,0,.) and (-1,0,0,.); a second record at
    // the same point with other mapping coordinates shares the normal; a lone vertex gets 0.
    const auto scene = loadBytes(editorFile([](ChunkWriter& w) {
        writeMesh(w, meshOf("M", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}, {9, 9, 9}},
                  {{0, 1, 2}, {3, 4, 2}}));
    }));
    ASSERT_TRUE(scene);
    const Mesh& m = scene->meshes[0];
    EXPECT_EQ(m.faces[1].plane.a, -1.0f);
    for (int v : {0, 4}) {
        EXPECT_FLOAT_EQ(m.vertices[v].nx, -0.70710677f);
        EXPECT_EQ(m.vertices[v].nx, m.vertices[v].ny);
        EXPECT_EQ(m.vertices[v].nz, 0.0f);
    }
    EXPECT_EQ(m.vertices[5].nx, 0.0f);
    EXPECT_EQ(m.vertices[5].ny, 0.0f);
    EXPECT_EQ(m.vertices[5].nz, 0.0f);
}

TEST(Loader, ZeroAreaFaceKeepsItsNanPlaneButSparesItsNeighbours) {
    const auto scene = loadBytes(editorFile([](ChunkWriter& w) {
        writeMesh(w, meshOf("M", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}}, {{0, 1, 2}, {0, 1, 3}}));
    }));
    const Mesh& m = scene->meshes[0];
    EXPECT_TRUE(std::isnan(m.faces[1].plane.a));
    EXPECT_EQ(m.vertices[0].ny, -1.0f);
    EXPECT_EQ(m.vertices[3].nx, 0.0f); // only the broken face touches it
}

TEST(Loader, HashedVertexNormalsAgreeWithComparingEveryCorner) {
    // Small lattices, so positions repeat across records; some -0, NaN and zero-area faces.
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        Mesh mesh;
        auto lattice = [&rng](std::vector<Vertex>& list, int count) {
            list.resize(static_cast<std::size_t>(count));
            for (Vertex& v : list)
                for (float* f : {&v.x, &v.y, &v.z}) {
                    const unsigned r = rng() % 16;
                    *f = r == 0 ? -0.0f : r == 1 ? NAN : static_cast<float>(r % 4);
                }
        };
        const int n = 3 + static_cast<int>(rng() % 40);
        lattice(mesh.vertices, n);
        // Every third mesh's faces use a list of their own, as when a later list replaced theirs.
        std::vector<Vertex> replaced;
        const bool ownCorners = round % 3 != 0;
        if (!ownCorners) lattice(replaced, 3 + static_cast<int>(rng() % 40));
        const std::vector<Vertex>& corners = ownCorners ? mesh.vertices : replaced;
        const int faces = 1 + static_cast<int>(rng() % 60);
        for (int i = 0; i < faces; ++i) {
            Face f;
            for (std::uint32_t& corner : f.corners) corner = rng() % static_cast<unsigned>(corners.size());
            mesh.faces.push_back(f);
        }
        computeFacePlanes(mesh, corners);
        Mesh slow = mesh;
        computeVertexNormals(mesh, ownCorners ? mesh.vertices : corners);
        computeVertexNormalsReference(slow, ownCorners ? slow.vertices : corners);
        for (int v = 0; v < n; ++v) {
            const Vertex& a = mesh.vertices[static_cast<std::size_t>(v)];
            const Vertex& b = slow.vertices[static_cast<std::size_t>(v)];
            ASSERT_TRUE(std::memcmp(&a.nx, &b.nx, 4) == 0 && std::memcmp(&a.ny, &b.ny, 4) == 0 &&
                        std::memcmp(&a.nz, &b.nz, 4) == 0)
                << "round " << round << ", vertex " << v;
        }
    }
}

TEST(Loader, MaterialsResolveByNameInFileOrder) {
    const auto scene = loadBytes(oneTriangle("Stone"));
    ASSERT_TRUE(scene);
    ASSERT_EQ(scene->materials.size(), 1u);
    EXPECT_EQ(scene->materials[0].name, "Stone");
    EXPECT_EQ(scene->meshes[0].faces[0].material, 0);
    EXPECT_EQ(loadBytes(oneTriangle("Marble"))->meshes[0].faces[0].material, -1);

    // Two materials of one name: the first; a later list overrides; entries past the faces are
    // ignored.
    const auto twice = loadBytes(editorFile([](ChunkWriter& w) {
        writeMaterial(w, materialOf("A"));
        writeMaterial(w, materialOf("B"));
        writeMaterial(w, materialOf("B"));
        w.begin(0x4000);
        w.name("M");
        w.begin(0x4100);
        w.begin(0x4110);
        w.u16(3);
        w.f32s({0, 0, 0, 1, 0, 0, 0, 1, 0});
        w.end();
        w.begin(0x4120);
        w.u16(1);
        w.u16(0), w.u16(1), w.u16(2), w.u16(0);
        for (const char* name : {"A", "B"}) {
            w.begin(0x4130);
            w.name(name);
            w.u16(2);
            w.u16(0);
            w.u16(7);
            w.end();
        }
        w.end();
        w.end();
        w.end();
    }));
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->materials.size(), 3u);
    EXPECT_EQ(twice->meshes[0].faces[0].material, 1);
}

TEST(Loader, WalkSkipsUnknownChunksWholeAndChildrenOfNonDescendingOnes) {
    const auto scene = loadBytes(editorFile([](ChunkWriter& w) {
        w.begin(0x1234); // unknown: its material is never seen
        writeMaterial(w, materialOf("Hidden"));
        w.end();
        w.begin(0xB011); // known, no descent
        writeMaterial(w, materialOf("AlsoHidden"));
        w.end();
        writeMaterial(w, materialOf("Seen"));
    }));
    ASSERT_TRUE(scene);
    ASSERT_EQ(scene->materials.size(), 1u);
    EXPECT_EQ(scene->materials[0].name, "Seen");
    // Any sequence of chunks is walked; an empty file is an empty scene.
    ASSERT_TRUE(loadBytes({}));
    EXPECT_TRUE(loadBytes({})->meshes.empty());
}

TEST(Loader, ChunkLengthsDecideWhereTheNextChunkStarts) {
    ChunkWriter zero;
    zero.header(0x4D4D, 0);
    EXPECT_EQ(loadStatus(zero.bytes()), LoadErrorCode::ZeroLengthChunk);

    // A length below 6 moves on by that length: here the next header starts inside this one,
    // at offset 2, and runs past the end of the 6-byte file.
    ChunkWriter shortChunk;
    shortChunk.header(0x1234, 2);
    EXPECT_EQ(loadStatus(shortChunk.bytes()), LoadErrorCode::PastEndOfFile);
    // After a first chunk, a 4-byte chunk's successor starts inside its length field: there
    // the high half of the length is read as the id 0x0000 (unknown), whose own length skips
    // 6 bytes, to a material chunk that is read.
    ChunkWriter shortOk;
    shortOk.chunkU16(0x0002, 3);
    shortOk.u16(0x1234);
    shortOk.u16(4);
    shortOk.u16(0);
    shortOk.u32(6);
    shortOk.chunkName(0xA000, "Late");
    const auto late = loadBytes(shortOk.bytes());
    ASSERT_TRUE(late);
    ASSERT_EQ(late->materials.size(), 1u);
    EXPECT_EQ(late->materials[0].name, "Late");

    // The first chunk of a scene spans the file: one that claims more bytes than the file has
    // means the file is not a scene or was cut short. Later chunks keep the walk's rules: one
    // past the end whose data is never read ends the walk quietly.
    ChunkWriter past;
    past.header(0x1234, 1000);
    EXPECT_EQ(loadStatus(past.bytes()), LoadErrorCode::FirstChunkTooLong);
    ChunkWriter later;
    later.chunkU16(0x0002, 3);
    later.header(0x1234, 1000);
    EXPECT_EQ(loadStatus(later.bytes()), LoadErrorCode::None);
    auto box = boxScene();
    EXPECT_EQ(loadStatus(box), LoadErrorCode::None);
    box.pop_back(); // a download cut short by one byte
    EXPECT_EQ(loadStatus(box), LoadErrorCode::FirstChunkTooLong);
    // A file of fewer than six bytes has no first chunk to measure: its header is cut short.
    EXPECT_EQ(loadStatus({0x4D, 0x4D, 0x06}), LoadErrorCode::PastEndOfFile);
    // Not a scene at all: the first bytes of a PNG image read as a chunk of 168 MB.
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    EXPECT_EQ(loadStatus(png), LoadErrorCode::FirstChunkTooLong);
}

TEST(Loader, NamesKeepAtMost63Characters) {
    const std::string name63(63, 'n'), name70(70, 'x');
    for (const std::string& name : {name63, name70}) {
        const auto scene = loadBytes(editorFile([&](ChunkWriter& w) {
            w.begin(0x4000);
            w.name(name);
            w.begin(0x4100);
            w.end();
            w.end();
        }));
        ASSERT_TRUE(scene);
        ASSERT_EQ(scene->meshes.size(), name == name63 ? 1u : 0u)
            << "a longer name leaves its tail to be walked as chunks";
        if (name == name63) {
            EXPECT_EQ(scene->meshes[0].name, name63);
        }
    }
    const auto scene = loadBytes(editorFile([&](ChunkWriter& w) { writeMaterial(w, materialOf(name70)); }));
    ASSERT_TRUE(scene);
    EXPECT_EQ(scene->materials[0].name, name70.substr(0, 63));
}

TEST(Loader, NamesCutByTheEndOfTheFile) {
    ChunkWriter material;
    material.header(0xA000, 6 + 3);
    material.raw("abc", 3);
    EXPECT_EQ(loadStatus(material.bytes()), LoadErrorCode::NameCutShort);
    ChunkWriter object;
    object.header(0x4000, 6 + 3);
    object.raw("abc", 3);
    EXPECT_EQ(loadStatus(object.bytes()), LoadErrorCode::None);
    ChunkWriter node;
    node.header(0xB010, 6 + 3);
    node.raw("abc", 3);
    EXPECT_EQ(loadStatus(node.bytes()), LoadErrorCode::NameCutShort);
    ChunkWriter faceMaterials;
    faceMaterials.header(0x4130, 6 + 3);
    faceMaterials.raw("abc", 3);
    EXPECT_EQ(loadStatus(faceMaterials.bytes()), LoadErrorCode::NameCutShort);
}

TEST(Loader, BrokenMeshesFail) {
    // Corner index not below the vertex count; a face list before any vertex list.
    EXPECT_EQ(loadStatus(editorFile([](ChunkWriter& w) {
                  writeMesh(w, meshOf("M", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 3}}));
              })),
              LoadErrorCode::CornerOutOfRange);
    EXPECT_EQ(loadStatus(editorFile([](ChunkWriter& w) { writeMesh(w, meshOf("M", {}, {{0, 0, 0}})); })),
              LoadErrorCode::CornerOutOfRange);
    // A count larger than the file.
    EXPECT_EQ(loadStatus(editorFile([](ChunkWriter& w) {
        w.begin(0x4000);
        w.name("M");
        w.begin(0x4100);
        w.begin(0x4110);
        w.u16(1000);
        w.f32s({1, 2, 3});
        w.end();
        w.end();
        w.end();
    })),
              LoadErrorCode::PastEndOfFile);
    // Mapping coordinates beyond the vertices are read and dropped.
    const auto mapped = loadBytes(editorFile([](ChunkWriter& w) {
        w.begin(0x4000);
        w.name("M");
        w.begin(0x4100);
        w.begin(0x4110);
        w.u16(1);
        w.f32s({1, 2, 3});
        w.end();
        w.begin(0x4140);
        w.u16(2);
        w.f32s({0.5f, 0.25f, 9, 9});
        w.end();
        w.end();
        w.end();
    }));
    ASSERT_TRUE(mapped);
    EXPECT_EQ(mapped->meshes[0].vertices[0].u, 0.5f);
    EXPECT_EQ(mapped->meshes[0].vertices[0].v, 0.25f);
}

TEST(Loader, SecondVertexListLeavesEarlierFacesOnTheOldArray) {
    const auto scene = loadBytes(editorFile([](ChunkWriter& w) {
        w.begin(0x4000);
        w.name("M");
        w.begin(0x4100);
        w.begin(0x4110);
        w.u16(3);
        w.f32s({0, 0, 0, 1, 0, 0, 0, 1, 0});
        w.end();
        w.begin(0x4120);
        w.u16(1);
        w.u16(0), w.u16(1), w.u16(2), w.u16(0);
        w.end();
        w.begin(0x4110);
        w.u16(1);
        w.f32s({7, 7, 7});
        w.end();
        w.end();
        w.end();
    }));
    ASSERT_TRUE(scene);
    const Mesh& m = scene->meshes[0];
    EXPECT_EQ(m.vertices.size(), 1u);
    EXPECT_EQ(m.faces[0].corners[1], 2u);
    // The corners are those of the list the face was read with, wherever a caller looks.
    ASSERT_TRUE(faceCorner(*scene, 0, 0, 1));
    EXPECT_EQ(faceCorner(*scene, 0, 0, 1)->x, 0.0f);
    EXPECT_EQ(faceCorner(*scene, 0, 0, 2)->x, 1.0f);
    EXPECT_FALSE(faceCorner(*scene, 0, 0, 3));
    EXPECT_FALSE(faceCorner(*scene, 0, 1, 0));
}

TEST(Loader, NestingDeeperThan256Fails) {
    auto nested = [](int depth) {
        ChunkWriter w;
        for (int i = 0; i < depth; ++i) w.begin(0x4D4D);
        for (int i = 0; i < depth; ++i) w.end();
        return w.bytes();
    };
    // Chunk k (from 1) is walked by walk k; its children's walk is walk k + 1.
    EXPECT_EQ(loadStatus(nested(255)), LoadErrorCode::None);
    EXPECT_EQ(loadStatus(nested(256)), LoadErrorCode::NestingTooDeep);
    EXPECT_EQ(loadStatus(nested(300)), LoadErrorCode::NestingTooDeep);
}

TEST(Loader, HandlersThatRereadTheSameBytesEndlesslyFail) {
    // Thousands of 6-byte vertex lists inside one mesh: each reads the headers after it as
    // 16,656 vertices. Loading it would read the file thousands of times over.
    scene3ds::ChunkWriter w;
    w.begin(0x4000);
    w.name("M");
    w.begin(0x4100);
    for (int i = 0; i < 40000; ++i) w.header(0x4110, 6);
    w.begin(0x1111);
    for (int i = 0; i < 200000; ++i) w.u8(0);
    w.end();
    w.end();
    w.end();
    EXPECT_EQ(loadStatus(w.bytes()), LoadErrorCode::ReadBudgetSpent);
}

} // namespace
} // namespace norvane::test
