// A scene as the library loads it: the model (meshes, materials, lights, cameras and the
// keyframer tracks that name them), and loading it from a 3DS file.
//
// Axes: every point, direction and key is stored as (file x, file z, file y), so y is up; a
// mesh's local axes and the camera chunk's values are kept as the file gives them. Face corners
// are stored in the order first, third, second of the file's corner indices, which keeps each
// face's facing: its plane's normal is (P2 - P0) x (P1 - P0) over the stored corners.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "norvane/error.h"
#include "norvane/geometry.h"

namespace norvane {

// 4x4 matrix of 32-bit floats, row-major: the element in row r and column c is m[4r + c].
struct Matrix4 {
    float m[16] = {};
};

struct Face {
    std::uint32_t corners[3] = {0, 0, 0}; // indices into the mesh's vertices, in stored order
    std::int32_t material = -1;           // index into Scene::materials, -1 for none
    Plane plane;
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
    std::vector<Face> faces;
    std::vector<Vertex> vertices;
    Matrix4 localMatrix; // all zero without a local-axes chunk
    std::int32_t parentId = 0;
    KeyTrack positionKeys;
    KeyTrack rotationKeys;
};

struct Light {
    std::string name;
    std::int32_t isSpot = 0, isOff = 0, rayShadows = 0;
    Point3 position;
    Point3 target;
    float hotspot = 0, falloff = 0;
    float innerRange = 0, outerRange = 0, multiplier = 0;
    float colour[3] = {0, 0, 0};
    std::int32_t colour255[3] = {0, 0, 0};
};

struct Camera {
    std::string name;
    Matrix4 matrix;
    Point3 position;
    Point3 target;
    float bank = 0, lens = 0;
    KeyTrack targetKeys;
    KeyTrack positionKeys;
};

struct Material {
    std::string name;
};

// Vertex lists that a 3DS mesh replaced after faces were read against them: the library keeps
// them for the compile and for faceCorner; nothing else needs to look inside.
struct ReplacedVertexLists;

struct Scene {
    std::uint32_t startFrame = 0;
    std::uint32_t endFrame = 0;
    std::vector<Mesh> meshes;
    std::vector<Camera> cameras;
    std::vector<Light> lights;
    std::vector<Material> materials;
    // A 3DS file may give a mesh a second vertex list after its faces: those faces keep the
    // corners of the list they were read with, so their indices do not name `vertices`. Null
    // unless the scene has such a mesh; faceCorner finds every corner either way.
    std::shared_ptr<const ReplacedVertexLists> replacedVertexLists;
};

// The vertex a face corner names, wherever it lies; null when the indices are out of range.
const Vertex* faceCorner(const Scene& scene, std::size_t mesh, std::size_t face, int corner);

// What limits a load, with the values `norvane` uses. A hostile file can make a chunk walk
// deep or make the handlers read the same bytes over and over; these bound both.
struct LoadOptions {
    int maxChunkDepth = 256;                           // one level deeper fails the load
    std::uint64_t readBudgetFactor = 16;               // headers and handlers may read factor x
    std::uint64_t readBudgetAllowance = 16u << 20;     // the file's size + allowance bytes
    std::uint64_t maxFileSize = std::uint64_t(1) << 30; // a longer file or stream is refused
    // Set by another thread to abandon the load (checked while reading and between chunks).
    const std::atomic<bool>* stopFlag = nullptr;
};

// Why a load failed.
enum class LoadErrorCode {
    None,
    CannotRead,        // the file cannot be opened or read
    FileTooLarge,      // the file or stream holds more than LoadOptions::maxFileSize bytes
    Stopped,           // LoadOptions::stopFlag was set
    FirstChunkTooLong, // the first chunk claims more bytes than the file has: not a scene, or cut short
    ZeroLengthChunk,   // a chunk header gives length 0
    PastEndOfFile,     // a chunk header, or data a chunk's handler reads, lies past the end of the file
    NestingTooDeep,    // chunks nest deeper than LoadOptions::maxChunkDepth
    ReadBudgetSpent,   // the chunks make the handlers read the file's bytes over and over
    CornerOutOfRange,  // a face corner is not below its mesh's vertex count
    NameCutShort,      // the file ends inside a name
    PassesDisagree,    // the filling pass met more records than the counting pass counted
    OutOfMemory,       // the scene does not fit in memory
    // glTF and OBJ scenes (importScene in norvane/import.h); the offset is 0, the message names
    // what failed.
    UnknownFormat,     // the name ends in none of .3ds, .gltf, .glb, .obj
    FileRejected,      // the glTF or OBJ reader refused the file (its reason is the message)
    DataOutOfRange,    // an accessor, a buffer view or an index lies outside what it points into
    NotTriangles,      // a primitive draws points, lines, strips or fans, or data of a kind not read
    NodeCycle,         // a glTF node is reached twice from the scene: a cycle, or two parents
};

// The offset is where the chunk that failed the load starts in the file; the message is a
// sentence for the code.
using LoadError = Error<LoadErrorCode>;

// Loads a 3DS file: true with the scene, or false with the reason in `error` (the scene is then
// empty). Prints nothing.
bool loadScene(const std::filesystem::path& path, Scene& scene, LoadError& error, const LoadOptions& options = {});
// The same over bytes already in memory.
bool loadScene(std::span<const std::uint8_t> bytes, Scene& scene, LoadError& error, const LoadOptions& options = {});

// The code's name as written above, e.g. "PastEndOfFile".
const char* errorCodeName(LoadErrorCode code);

} // namespace norvane
