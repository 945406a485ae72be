// A 3DS scene as the compiler loads it: the model (meshes, materials, lights, cameras and the
// keyframer tracks that name them) and the loading functions.
//
// Axes: every point, direction and key is stored as (file x, file z, file y), so y is up; a
// mesh's local axes and the camera chunk's values are kept as the file gives them. Face corners
// are stored in the order first, third, second of the file's corner indices, which keeps each
// face's facing: its plane's normal is (P2 - P0) x (P1 - P0) over the stored corners.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace norvane {

// 4x4 matrix of 32-bit floats, row-major: the element in row r and column c is m[4r + c].
struct Matrix4 {
    float m[16] = {};
};

struct Vertex {
    float x = 0, y = 0, z = 0;    // position
    float u = 0, v = 0;           // mapping coordinates; 0 when the file gives none
    float nx = 0, ny = 0, nz = 0; // unit vertex normal, or 0 when it has none
};

struct Plane {
    float a = 0, b = 0, c = 0, d = 0; // a*x + b*y + c*z + d = 0, (a, b, c) a unit normal
};

struct Face {
    std::int32_t id = 0;
    std::int32_t material = -1; // index into Scene::materials, -1 for none
    // The corners, in stored order. They point into the vertex array of the owning mesh that
    // was current when the face list was read (a later vertex list does not move them).
    const Vertex* verts[3] = {nullptr, nullptr, nullptr};
    Plane plane;
    std::uint16_t corners[3] = {0, 0, 0}; // the vertex indices the corners were read with
};

// A position track (frames and points) or, for a mesh, a rotation track (angle and axis in
// x, y, z). `stored` is false when no track of the kind reached the record.
struct KeyTrack {
    bool stored = false;
    std::vector<float> frames, x, y, z;
    std::vector<float> angle; // rotation tracks only
    std::size_t count() const { return frames.size(); }
};

struct Mesh {
    std::int32_t nodeId = 0;
    std::string name;
    std::int32_t vertexCount = 0;
    std::int32_t faceCount = 0;
    std::vector<Face> faces;
    std::vector<Vertex> vertices;
    // Vertex arrays replaced by a later vertex list while faces still point into them.
    std::vector<std::vector<Vertex>> retiredVertices;
    bool verticesReferenced = false; // a face list points into `vertices`
    Matrix4 localMatrix;             // all zero without a local-axes chunk
    std::int32_t parentId = 0;
    KeyTrack positionKeys;
    KeyTrack rotationKeys;
};

struct Light {
    std::string name;
    std::int32_t isSpot = 0, isOff = 0, rayShadows = 0;
    float position[3] = {0, 0, 0};
    float target[3] = {0, 0, 0};
    float hotspot = 0, falloff = 0;
    float innerRange = 0, outerRange = 0, multiplier = 0;
    float colour[3] = {0, 0, 0};
    std::int32_t colour255[3] = {0, 0, 0};
};

struct Camera {
    std::string name;
    Matrix4 matrix;
    float position[3] = {0, 0, 0};
    float target[3] = {0, 0, 0};
    float bank = 0, lens = 0;
    KeyTrack targetKeys;
    KeyTrack positionKeys;
};

struct Material {
    std::string name;
};

struct Scene {
    std::uint32_t startFrame = 0;
    std::uint32_t endFrame = 0;
    std::vector<Mesh> meshes;
    std::vector<Camera> cameras;
    std::vector<Light> lights;
    std::vector<Material> materials;
};


// Why a load failed. The console shows one line for all of them; tools and tests tell them
// apart.
enum class LoadStatus {
    Ok,
    CannotRead,       // the file cannot be opened or read
    FirstChunkTooLong, // the first chunk claims more bytes than the file has: not a scene, or cut short
    ZeroLengthChunk,  // a chunk header gives length 0
    PastEndOfFile,    // a chunk header, or data a chunk's handler reads, lies past the end of the file
    NestingTooDeep,   // chunks nest deeper than maxChunkDepth
    ReadBudgetSpent,  // the chunks make the handlers read the file's bytes over and over
    CornerOutOfRange, // a face corner is not below its mesh's vertex count
    NameCutShort,     // the file ends inside a name
    PassesDisagree,   // the filling pass met more records than the counting pass counted
};

struct LoadError {
    LoadStatus status = LoadStatus::Ok;
    std::int64_t offset = 0; // where the chunk that failed the load starts in the file
};

// A short identifier ("past-end-of-file") and a sentence for each status.
const char* loadStatusName(LoadStatus status);
const char* loadStatusText(LoadStatus status);

// Loads the file under the name given; null when it cannot be read or its chunk tree is broken,
// with the reason in `error` when one is given. Prints nothing.
std::unique_ptr<Scene> loadScene(const std::string& fileName, LoadError* error = nullptr);
// The same over bytes already in memory.
std::unique_ptr<Scene> loadSceneFromBytes(const std::uint8_t* data, std::size_t size, LoadError* error = nullptr);

} // namespace norvane
