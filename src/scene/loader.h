// The 3DS loader: a table-driven walk over the file's chunk tree, done twice. The counting
// pass sizes every record array of the Scene; the filling pass fills them. Afterwards every
// face gets its plane, every vertex its normal and every camera its matrix.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scene/byte_cursor.h"
#include "scene/scene.h"

namespace norvane {

// Loads the file under the name given; null when it cannot be opened or read, or when its
// chunk tree is broken. Prints nothing.
std::unique_ptr<Scene> loadScene(const std::string& fileName);
// The same over bytes already in memory (tests and fuzzing).
std::unique_ptr<Scene> loadSceneFromBytes(const std::uint8_t* data, std::size_t size);

// Reads a whole file into memory; false when it cannot be opened or read (a folder included).
bool readWholeFile(const std::string& fileName, std::vector<std::uint8_t>& bytes);

// Keyframer node kinds.
enum NodeKind : std::int32_t { NodeObject = 0, NodeTarget = 2, NodeCamera = 3, NodeMesh = 4 };

// Deepest chunk nesting walked; the walk one level deeper fails the load.
constexpr int maxChunkDepth = 256;

// A well-formed file is read about once per pass. Chunk lengths that make handlers read the
// same bytes again and again (a run of 6-byte vertex lists, each reading its successors as
// vertices) could make a small file take minutes; such a load fails once its handlers have
// read this many times the file's size (plus a fixed allowance for tiny files).
constexpr std::uint64_t readBudgetFactor = 16;
constexpr std::uint64_t readBudgetAllowance = 16u << 20;

// Everything the handlers share during one load: the cursor, the pass, the record cursors
// and the keyframer node state.
struct LoadContext {
    explicit LoadContext(ByteCursor cursor) : in(cursor) {}
    ByteCursor in;
    Scene* scene = nullptr;
    bool countingPass = true;
    int depth = 0;
    std::uint64_t readBudget = 0; // bytes the handlers may read over both passes
    std::int32_t meshCount = 0, cameraCount = 0, lightCount = 0, materialCount = 0;
    std::string currentObjectName;
    std::int32_t meshCursor = 0, cameraCursor = 0, lightCursor = 0, materialCursor = 0;
    Mesh* currentMesh = nullptr;
    Camera* currentCamera = nullptr;
    Light* currentLight = nullptr;
    Material* currentMaterial = nullptr;
    std::int32_t nodeKind = NodeObject;
    std::int32_t currentNodeId = 0;
    std::string nodeName;
    std::int32_t nodeTarget = 0;
};

using ChunkHandler = int (*)(LoadContext& ctx, std::int64_t chunkEnd);

struct ChunkEntry {
    std::uint16_t chunkId;
    bool descend;
    ChunkHandler handler;
};

// Index of the table entry for a chunk id, or -1.
int findChunk(std::uint16_t id);
const ChunkEntry& chunkEntry(int index);
int chunkTableSize();

// Walks the chunks from the cursor's position up to `end`; 0 when the end was reached,
// otherwise the first non-zero status.
int walkChunks(LoadContext& ctx, std::int64_t end);

// Reads a NUL-terminated name of at most 63 characters; -1 when the data ended first.
int readChunkName(LoadContext& ctx, std::string& name);

int findLightByName(const LoadContext& ctx, const std::string& name);
int findMaterialByName(const LoadContext& ctx, const std::string& name);
int findMeshByName(const LoadContext& ctx, const std::string& name);
int findCameraByName(const LoadContext& ctx, const std::string& name);

// Chunk handlers, by family.
int ignoreChunk(LoadContext&, std::int64_t);
int skipValue2(LoadContext&, std::int64_t);
int skipValue3(LoadContext&, std::int64_t);
int skipValue4(LoadContext&, std::int64_t);
int readMapFileName(LoadContext&, std::int64_t);
int readFloatColour(LoadContext&, std::int64_t);
int readObjectNode(LoadContext&, std::int64_t);
int readCameraNode(LoadContext&, std::int64_t);
int readTargetNode(LoadContext&, std::int64_t);

int readNamedObject(LoadContext&, std::int64_t);
int readTriMesh(LoadContext&, std::int64_t);
int readVertexList(LoadContext&, std::int64_t);
int readVertexFlags(LoadContext&, std::int64_t);
int readFaceList(LoadContext&, std::int64_t);
int readFaceMaterials(LoadContext&, std::int64_t);
int readMappingCoords(LoadContext&, std::int64_t);
int readSmoothingGroups(LoadContext&, std::int64_t);
int readLocalMatrix(LoadContext&, std::int64_t);

int readLight(LoadContext&, std::int64_t);
int readSpotlight(LoadContext&, std::int64_t);
int readLightOff(LoadContext&, std::int64_t);
int readRayShadows(LoadContext&, std::int64_t);
int readInnerRange(LoadContext&, std::int64_t);
int readOuterRange(LoadContext&, std::int64_t);
int readMultiplier(LoadContext&, std::int64_t);
int readCamera(LoadContext&, std::int64_t);

int readMaterialName(LoadContext&, std::int64_t);

int readFrames(LoadContext&, std::int64_t);
int readNodeId(LoadContext&, std::int64_t);
int readNodeHeader(LoadContext&, std::int64_t);
int readPivot(LoadContext&, std::int64_t);
int readPositionTrack(LoadContext&, std::int64_t);
int readRotationTrack(LoadContext&, std::int64_t);
int skipTrack(LoadContext&, std::int64_t);

// Post-processing after the filling pass.
Plane computeFacePlane(const Face& face);
void computeFacePlanes(Mesh& mesh);
void computeVertexNormals(Mesh& mesh);
// Every vertex compared with every face corner of its mesh: the oracle of computeVertexNormals.
void computeVertexNormalsReference(Mesh& mesh);
void setupCamera(Camera& camera);

} // namespace norvane
