// An in-memory description of a 3DS scene and the one function that writes it with the
// ChunkWriter: meshes (vertices, mapping coordinates, local axes, faces, face materials,
// smoothing groups), materials, lights, cameras and the keyframer block.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace norvane::scene3ds {

using Point = std::array<float, 3>; // file axes: x, y, z with z up

struct MeshPlan {
    std::string name;
    std::vector<Point> points;
    std::vector<std::array<float, 2>> uvs; // empty: no mapping-coordinates chunk
    std::vector<std::array<std::uint16_t, 3>> faces;
    std::vector<std::string> faceMaterial; // per face (missing or empty: listed under no material)
    bool smoothing = false;
    bool localAxes = false;
    Point origin{0, 0, 0};

    // Adds a vertex and returns its index.
    std::uint16_t add(Point p);
    // Adds a triangle wound so that the compiler's stored normal points along `towards`
    // (file axes).
    void triangle(std::uint16_t a, std::uint16_t b, std::uint16_t c, Point towards, const std::string& material);
    // Two triangles over the quad a b c d (in order around it).
    void quad(Point a, Point b, Point c, Point d, Point towards, const std::string& material);
    // An axis-aligned box; faces point outward, or inward for rooms. `withBottom` false leaves
    // the floor side open.
    void box(Point lo, Point hi, bool inward, const std::string& material, bool withBottom = true);
};

struct MaterialPlan {
    std::string name;
    std::array<float, 3> diffuse{0.7f, 0.7f, 0.7f};
    std::string texture; // empty: no texture-map block
};

struct LightPlan {
    std::string name;
    Point position{0, 0, 0};
    std::array<float, 3> colour{1, 1, 1};
    bool spot = false;
    Point target{0, 0, 0};
    float hotspot = 30, falloff = 45;
    bool off = false, rayShadows = false;
};

struct CameraPlan {
    std::string name;
    Point position{0, 0, 0};
    Point target{0, 0, 1};
    float bank = 0, lens = 35;
};

struct ScenePlan {
    std::vector<MaterialPlan> materials;
    std::vector<MeshPlan> meshes;
    std::vector<LightPlan> lights;
    std::vector<CameraPlan> cameras;
    bool keyframer = false; // nodes for every mesh, camera and light, with tracks
    std::uint32_t endFrame = 100;
};

std::vector<std::uint8_t> writeScene(const ScenePlan& scene);

// A mesh of the given points and corner triples (file axes and file corner order, as given;
// no winding is changed), every face listed under `material` unless it is empty.
MeshPlan meshOf(std::string name, std::vector<Point> points, std::vector<std::array<std::uint16_t, 3>> faces,
                const std::string& material = "");

// A material of that name with the default colours and no texture.
MaterialPlan materialOf(std::string name);

class ChunkWriter;

// The pieces writeScene is made of, for files that need chunks of their own between them.
// beginMainChunk opens the main chunk (closed by the caller's end()) and writes the version.
void beginMainChunk(ChunkWriter& w);
void writeMaterial(ChunkWriter& w, const MaterialPlan& material);
void writeMesh(ChunkWriter& w, const MeshPlan& mesh);
void writeLight(ChunkWriter& w, const LightPlan& light);
void writeCamera(ChunkWriter& w, const CameraPlan& camera);

} // namespace norvane::scene3ds
