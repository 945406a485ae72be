// The loader's insides: the state one load shares between the walker and the chunk handlers,
// the table of chunk ids, the walker, the name reader and every handler. Only the loader and
// its tests include this; everyone else loads through norvane/scene.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/byte_cursor.h"
#include "norvane/scene.h"

namespace norvane {

// Keyframer node kinds.
enum NodeKind : std::int32_t { NodeObject = 0, NodeTarget = 2, NodeCamera = 3, NodeMesh = 4 };

// A handler's or a walk's result: None when it succeeded.
using LoadStatus = LoadErrorCode;

// What the filling pass keeps of a mesh beyond the model. A second vertex list may follow the
// faces: they keep the corners of the list they were read with, moved here when it is replaced.
struct MeshLoadState {
    bool verticesReferenced = false; // the current faces index the current vertex list
    std::vector<Vertex> facesList;   // the list the faces index, once replaced; empty otherwise
};

// Everything the handlers share during one load: the cursor, the pass, the record cursors
// and the keyframer node state.
struct LoadContext {
    LoadContext(ByteCursor cursor, const LoadOptions& opts) : in(cursor), options(opts) {}
    ByteCursor in;
    const LoadOptions& options;
    Scene* scene = nullptr;
    bool countingPass = true;
    int depth = 0;
    // A well-formed file is read about once per pass. Chunk lengths that make handlers read the
    // same bytes again and again (a run of 6-byte vertex lists, each reading its successors as
    // vertices) could make a small file take minutes; such a load fails once the headers and
    // handlers have read the budget (factor x size + allowance) over both passes. Skipped bytes
    // do not count; the bound is checked after each handler.
    std::uint64_t readBudget = 0;
    LoadError error; // the first failure, where it happened
    std::vector<MeshLoadState> meshStates;
    std::int32_t meshCount = 0, cameraCount = 0, lightCount = 0, materialCount = 0;
    std::string currentObjectName;
    std::int32_t meshCursor = 0, cameraCursor = 0, lightCursor = 0, materialCursor = 0;
    Mesh* currentMesh = nullptr;
    Light* currentLight = nullptr;
    std::int32_t nodeKind = NodeObject;
    std::int32_t currentNodeId = 0;
    std::string nodeName;
    std::int32_t nodeTarget = 0;
};

// None when a read succeeded, PastEndOfFile when it ran past the end of the data.
inline LoadStatus readStatus(bool read) { return read ? LoadStatus::None : LoadStatus::PastEndOfFile; }

using ChunkHandler = LoadStatus (*)(LoadContext& ctx, std::int64_t chunkEnd);

struct ChunkEntry {
    std::uint16_t chunkId;
    bool descend; // the chunk's children are walked after its handler
    ChunkHandler handler;
};

// Index of the table entry for a chunk id, or -1.
int findChunk(std::uint16_t id);
const ChunkEntry& chunkEntry(int index);
int chunkTableSize();

// Walks the chunks from the cursor's position up to `end`: None when the end was reached,
// otherwise the first failure (recorded in ctx.error with the failing chunk's offset).
LoadStatus walkChunks(LoadContext& ctx, std::int64_t end);

// Reads a NUL-terminated name of at most 63 characters (a longer one keeps its first 63 and
// leaves the rest in the data); NameCutShort when the data ended first.
LoadStatus readChunkName(LoadContext& ctx, std::string& name);

int findLightByName(const LoadContext& ctx, const std::string& name);
int findMaterialByName(const LoadContext& ctx, const std::string& name);
int findMeshByName(const LoadContext& ctx, const std::string& name);
int findCameraByName(const LoadContext& ctx, const std::string& name);

// Chunk handlers, by family.
LoadStatus ignoreChunk(LoadContext&, std::int64_t);
LoadStatus skipValue2(LoadContext&, std::int64_t);
LoadStatus skipValue3(LoadContext&, std::int64_t);
LoadStatus skipValue4(LoadContext&, std::int64_t);
LoadStatus readMapFileName(LoadContext&, std::int64_t);
LoadStatus readFloatColour(LoadContext&, std::int64_t);
LoadStatus readObjectNode(LoadContext&, std::int64_t);
LoadStatus readCameraNode(LoadContext&, std::int64_t);
LoadStatus readTargetNode(LoadContext&, std::int64_t);

LoadStatus readNamedObject(LoadContext&, std::int64_t);
LoadStatus readTriMesh(LoadContext&, std::int64_t);
LoadStatus readVertexList(LoadContext&, std::int64_t);
LoadStatus readVertexFlags(LoadContext&, std::int64_t);
LoadStatus readFaceList(LoadContext&, std::int64_t);
LoadStatus readFaceMaterials(LoadContext&, std::int64_t);
LoadStatus readMappingCoords(LoadContext&, std::int64_t);
LoadStatus readSmoothingGroups(LoadContext&, std::int64_t);
LoadStatus readLocalMatrix(LoadContext&, std::int64_t);

LoadStatus readLight(LoadContext&, std::int64_t);
LoadStatus readSpotlight(LoadContext&, std::int64_t);
LoadStatus readLightOff(LoadContext&, std::int64_t);
LoadStatus readRayShadows(LoadContext&, std::int64_t);
LoadStatus readInnerRange(LoadContext&, std::int64_t);
LoadStatus readOuterRange(LoadContext&, std::int64_t);
LoadStatus readMultiplier(LoadContext&, std::int64_t);
LoadStatus readCamera(LoadContext&, std::int64_t);

LoadStatus readMaterialName(LoadContext&, std::int64_t);

LoadStatus readFrames(LoadContext&, std::int64_t);
LoadStatus readNodeId(LoadContext&, std::int64_t);
LoadStatus readNodeHeader(LoadContext&, std::int64_t);
LoadStatus readPivot(LoadContext&, std::int64_t);
LoadStatus readPositionTrack(LoadContext&, std::int64_t);
LoadStatus readRotationTrack(LoadContext&, std::int64_t);
LoadStatus skipTrack(LoadContext&, std::int64_t);

} // namespace norvane
