// The loader entry, the chunk walker, the name reader and the handlers shared by all chunk
// families. The file is read into memory once; both passes walk the same bytes through a
// bounds-checked cursor, so a chunk header or data that lies past the end of the file fails
// the load instead of yielding undefined values.
#include <cmath>
#include <limits>
#include <new>

#include "common/input_file.h"
#include "scene/chunk_reader.h"
#include "scene/face_vertices.h"
#include "scene/post_process.h"

namespace norvane {

namespace {

const char* loadErrorText(LoadErrorCode code) {
    switch (code) {
    case LoadErrorCode::None: return "the file loaded";
    case LoadErrorCode::CannotRead: return "the file cannot be opened or read";
    case LoadErrorCode::FileTooLarge: return "the file holds more bytes than a scene may";
    case LoadErrorCode::Stopped: return "the load was stopped";
    case LoadErrorCode::FirstChunkTooLong: return "the first chunk claims more bytes than the file has (not a 3DS file, or cut short)";
    case LoadErrorCode::ZeroLengthChunk: return "a chunk header gives length 0";
    case LoadErrorCode::PastEndOfFile: return "a chunk header or a chunk's data lies past the end of the file";
    case LoadErrorCode::NestingTooDeep: return "chunks nest more than 256 levels deep";
    case LoadErrorCode::ReadBudgetSpent: return "the chunks make the loader read the same bytes over and over";
    case LoadErrorCode::CornerOutOfRange: return "a face corner is not below its mesh's vertex count";
    case LoadErrorCode::NameCutShort: return "the file ends inside a name";
    case LoadErrorCode::PassesDisagree: return "the filling pass met more records than the counting pass";
    case LoadErrorCode::OutOfMemory: return "the scene does not fit in memory";
    case LoadErrorCode::UnknownFormat: return "the file's name ends in none of .3ds, .gltf, .glb, .obj";
    case LoadErrorCode::FileRejected: return "the glTF or OBJ reader refused the file";
    case LoadErrorCode::DataOutOfRange: return "data lies outside what it points into";
    case LoadErrorCode::NotTriangles: return "a primitive is not a list of triangles";
    case LoadErrorCode::NodeCycle: return "a node is reached twice from the scene";
    }
    return "unknown";
}

} // namespace

const char* errorCodeName(LoadErrorCode code) {
    switch (code) {
    case LoadErrorCode::None: return "None";
    case LoadErrorCode::CannotRead: return "CannotRead";
    case LoadErrorCode::FileTooLarge: return "FileTooLarge";
    case LoadErrorCode::Stopped: return "Stopped";
    case LoadErrorCode::FirstChunkTooLong: return "FirstChunkTooLong";
    case LoadErrorCode::ZeroLengthChunk: return "ZeroLengthChunk";
    case LoadErrorCode::PastEndOfFile: return "PastEndOfFile";
    case LoadErrorCode::NestingTooDeep: return "NestingTooDeep";
    case LoadErrorCode::ReadBudgetSpent: return "ReadBudgetSpent";
    case LoadErrorCode::CornerOutOfRange: return "CornerOutOfRange";
    case LoadErrorCode::NameCutShort: return "NameCutShort";
    case LoadErrorCode::PassesDisagree: return "PassesDisagree";
    case LoadErrorCode::OutOfMemory: return "OutOfMemory";
    case LoadErrorCode::UnknownFormat: return "UnknownFormat";
    case LoadErrorCode::FileRejected: return "FileRejected";
    case LoadErrorCode::DataOutOfRange: return "DataOutOfRange";
    case LoadErrorCode::NotTriangles: return "NotTriangles";
    case LoadErrorCode::NodeCycle: return "NodeCycle";
    }
    return "unknown";
}

namespace {

bool runPass(LoadContext& ctx) {
    ctx.in.seek(0);
    ctx.depth = 0;
    return walkChunks(ctx, ctx.in.size()) == LoadStatus::None;
}

// The length in the header of the first chunk, which for a 3DS file is the main chunk that
// spans the whole file; 0 for a file shorter than a header.
std::uint32_t firstChunkLength(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 6) return 0;
    return static_cast<std::uint32_t>(bytes[2]) | (static_cast<std::uint32_t>(bytes[3]) << 8) |
           (static_cast<std::uint32_t>(bytes[4]) << 16) | (static_cast<std::uint32_t>(bytes[5]) << 24);
}

bool failed(LoadError& error, LoadErrorCode code, std::uint64_t offset, const LoadOptions& options) {
    error.code = code;
    error.offset = offset;
    error.message = code == LoadErrorCode::NestingTooDeep
                        ? "chunks nest more than " + std::to_string(options.maxChunkDepth) + " levels deep"
                        : loadErrorText(code);
    return false;
}

// The meshes whose faces index a list that a later vertex list replaced keep it in the scene.
void keepReplacedLists(Scene& scene, std::vector<MeshLoadState>& states) {
    auto lists = std::make_shared<ReplacedVertexLists>();
    bool any = false;
    lists->byMesh.resize(scene.meshes.size());
    for (std::size_t m = 0; m < scene.meshes.size(); ++m) {
        if (states[m].facesList.empty() || scene.meshes[m].faces.empty()) continue;
        lists->byMesh[m] = std::move(states[m].facesList);
        any = true;
    }
    if (any) scene.replacedVertexLists = std::move(lists);
}

void finishScene(Scene& scene) {
    for (std::size_t m = 0; m < scene.meshes.size(); ++m) {
        const std::vector<Vertex>& corners = faceVertices(scene, m);
        computeFacePlanes(scene.meshes[m], corners);
        computeVertexNormals(scene.meshes[m], corners);
    }
    for (Camera& camera : scene.cameras) setupCamera(camera);
}

bool loadBytes(std::span<const std::uint8_t> bytes, Scene& scene, LoadError& error, const LoadOptions& options) {
    // A file whose first chunk claims more bytes than the file holds is not a scene (an image,
    // a text) or was cut short (a truncated download).
    if (firstChunkLength(bytes) > bytes.size()) return failed(error, LoadErrorCode::FirstChunkTooLong, 0, options);
    LoadContext ctx(ByteCursor(bytes.data(), bytes.size()), options);
    ctx.scene = &scene;
    ctx.readBudget = options.readBudgetFactor * bytes.size() + options.readBudgetAllowance;

    ctx.countingPass = true;
    if (!runPass(ctx)) return failed(error, ctx.error.code, ctx.error.offset, options);

    // Every array is sized once, at the count the counting pass found.
    scene.materials.resize(static_cast<std::size_t>(ctx.materialCount));
    scene.meshes.resize(static_cast<std::size_t>(ctx.meshCount));
    scene.cameras.resize(static_cast<std::size_t>(ctx.cameraCount));
    scene.lights.resize(static_cast<std::size_t>(ctx.lightCount));
    ctx.meshStates.resize(scene.meshes.size());

    // Only the pass flag and the cursors are reset: the current name and the keyframer
    // node state carry over from the counting pass.
    ctx.countingPass = false;
    ctx.meshCursor = ctx.cameraCursor = ctx.lightCursor = ctx.materialCursor = 0;
    if (!runPass(ctx)) return failed(error, ctx.error.code, ctx.error.offset, options);
    keepReplacedLists(scene, ctx.meshStates);
    finishScene(scene);
    return true;
}

// Reads the file within the options' limits. A stream (a pipe, a device) tells no size, but
// its first chunk header tells a zero length or a length beyond the limit before the rest is
// read, so /dev/zero and most of /dev/urandom are refused at once.
LoadErrorCode readSceneFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                            const LoadOptions& options) {
    InputFile in;
    auto code = [](ReadStatus s) {
        return s == ReadStatus::Stopped ? LoadErrorCode::Stopped
               : s == ReadStatus::TooLarge ? LoadErrorCode::FileTooLarge
                                           : LoadErrorCode::CannotRead;
    };
    if (const ReadStatus s = in.open(path, options.stopFlag); s != ReadStatus::Ok) return code(s);
    if (in.regularSize() && *in.regularSize() > options.maxFileSize) return LoadErrorCode::FileTooLarge;
    if (const ReadStatus s = in.readUpTo(bytes, 6); s != ReadStatus::Ok) return code(s);
    if (!in.regularSize() && bytes.size() == 6) {
        const std::uint32_t length = firstChunkLength(bytes);
        if (length == 0) return LoadErrorCode::ZeroLengthChunk;
        if (length > options.maxFileSize) return LoadErrorCode::FileTooLarge;
    }
    if (const ReadStatus s = in.readUpTo(bytes, options.maxFileSize + 1); s != ReadStatus::Ok) return code(s);
    return bytes.size() > options.maxFileSize ? LoadErrorCode::FileTooLarge : LoadErrorCode::None;
}

} // namespace

bool loadScene(std::span<const std::uint8_t> bytes, Scene& scene, LoadError& error, const LoadOptions& options) {
    scene = Scene{};
    error = LoadError{};
    try {
        if (bytes.size() > options.maxFileSize) return failed(error, LoadErrorCode::FileTooLarge, 0, options);
        if (loadBytes(bytes, scene, error, options)) return true;
    } catch (const std::bad_alloc&) {
        failed(error, LoadErrorCode::OutOfMemory, 0, options);
    }
    scene = Scene{};
    return false;
}

bool loadScene(const std::filesystem::path& path, Scene& scene, LoadError& error, const LoadOptions& options) {
    scene = Scene{};
    error = LoadError{};
    std::vector<std::uint8_t> bytes;
    try {
        if (const LoadErrorCode code = readSceneFile(path, bytes, options); code != LoadErrorCode::None)
            return failed(error, code, 0, options);
    } catch (const std::bad_alloc&) {
        return failed(error, LoadErrorCode::OutOfMemory, 0, options);
    }
    return loadScene(std::span<const std::uint8_t>(bytes), scene, error, options);
}

const Vertex* faceCorner(const Scene& scene, std::size_t mesh, std::size_t face, int corner) {
    if (mesh >= scene.meshes.size() || face >= scene.meshes[mesh].faces.size() || corner < 0 || corner > 2)
        return nullptr;
    const std::vector<Vertex>& list = faceVertices(scene, mesh);
    const std::uint32_t index = scene.meshes[mesh].faces[face].corners[corner];
    return index < list.size() ? &list[index] : nullptr;
}

const std::vector<Vertex>& faceVertices(const Scene& scene, std::size_t mesh) {
    if (const ReplacedVertexLists* lists = scene.replacedVertexLists.get())
        if (mesh < lists->byMesh.size() && !lists->byMesh[mesh].empty()) return lists->byMesh[mesh];
    return scene.meshes[mesh].vertices;
}

namespace {

// Records the first failure of the load and where it happened.
LoadStatus fail(LoadContext& ctx, LoadStatus status, std::int64_t offset) {
    if (ctx.error.code == LoadStatus::None) {
        ctx.error.code = status;
        ctx.error.offset = static_cast<std::uint64_t>(offset);
    }
    return status;
}

} // namespace

LoadStatus walkChunks(LoadContext& ctx, std::int64_t end) {
    // Nesting is capped so that a hostile file cannot exhaust the call stack.
    struct DepthGuard {
        int& depth;
        explicit DepthGuard(int& d) : depth(d) { ++depth; }
        ~DepthGuard() { --depth; }
    } guard(ctx.depth);
    ByteCursor& in = ctx.in;
    if (ctx.depth > ctx.options.maxChunkDepth) return fail(ctx, LoadStatus::NestingTooDeep, in.position());

    while (in.position() < end) {
        if (ctx.options.stopFlag && ctx.options.stopFlag->load(std::memory_order_relaxed))
            return fail(ctx, LoadStatus::Stopped, in.position());
        // Chunk header: u16 id, u32 length of the whole chunk, these 6 bytes included.
        const std::int64_t start = in.position();
        std::uint16_t id;
        std::uint32_t length;
        if (!in.u16(id) || !in.u32(length)) return fail(ctx, LoadStatus::PastEndOfFile, start);
        if (length == 0) return fail(ctx, LoadStatus::ZeroLengthChunk, start);
        const std::int64_t chunkEnd = start + static_cast<std::int64_t>(length);
        const int index = findChunk(id);
        if (index >= 0) {
            const ChunkEntry& entry = chunkEntry(index);
            if (entry.handler) {
                const LoadStatus status = entry.handler(ctx, chunkEnd);
                if (status != LoadStatus::None) return fail(ctx, status, start);
                if (in.bytesRead() > ctx.readBudget) return fail(ctx, LoadStatus::ReadBudgetSpent, start);
            }
            if (entry.descend) {
                const LoadStatus status = walkChunks(ctx, chunkEnd);
                if (status != LoadStatus::None) return status;
            }
        }
        // Whatever the handler or the children consumed, the next chunk starts at the end of
        // this one (for a length below 6 that is before the end of its header).
        in.seek(chunkEnd);
    }
    return LoadStatus::None;
}

LoadStatus readChunkName(LoadContext& ctx, std::string& name) {
    name.clear();
    int c;
    for (;;) {
        c = ctx.in.getc();
        if (c <= 0) break;               // end of data or the NUL
        if (name.size() == 63) break;    // the 64th character is read and dropped
        name.push_back(static_cast<char>(c));
    }
    if (name.size() == 63 || c == 0) return LoadStatus::None;
    return LoadStatus::NameCutShort;
}

namespace {

template <class Records>
int findByName(const Records& records, std::int32_t created, const std::string& name) {
    // Records the filling pass has not reached yet have no name and never match.
    for (std::int32_t i = 0; i < created; ++i)
        if (records[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
}

} // namespace

int findLightByName(const LoadContext& ctx, const std::string& name) {
    return findByName(ctx.scene->lights, ctx.lightCursor, name);
}
int findMaterialByName(const LoadContext& ctx, const std::string& name) {
    return findByName(ctx.scene->materials, ctx.materialCursor, name);
}
int findMeshByName(const LoadContext& ctx, const std::string& name) {
    return findByName(ctx.scene->meshes, ctx.meshCursor, name);
}
int findCameraByName(const LoadContext& ctx, const std::string& name) {
    return findByName(ctx.scene->cameras, ctx.cameraCursor, name);
}

LoadStatus ignoreChunk(LoadContext&, std::int64_t) { return LoadStatus::None; }
LoadStatus skipValue2(LoadContext& ctx, std::int64_t) { return readStatus(ctx.in.skip(2)); }
LoadStatus skipValue3(LoadContext& ctx, std::int64_t) { return readStatus(ctx.in.skip(3)); }
LoadStatus skipValue4(LoadContext& ctx, std::int64_t) { return readStatus(ctx.in.skip(4)); }

LoadStatus readMapFileName(LoadContext& ctx, std::int64_t) {
    std::string scratch;
    readChunkName(ctx, scratch); // a map name cut short by the end of the file is harmless
    return LoadStatus::None;
}

namespace {

// c * 255 truncated toward zero; NaN gives 0 and products beyond the 32-bit range saturate.
std::int32_t colourTo255(float c) {
    const double v = static_cast<double>(c) * 255.0;
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

} // namespace

LoadStatus readFloatColour(LoadContext& ctx, std::int64_t) {
    float rgb[3];
    for (float& c : rgb)
        if (!ctx.in.f32(c)) return LoadStatus::PastEndOfFile;
    if (ctx.countingPass) return LoadStatus::None;
    // The colour goes to the first light named like the current object name, if any: inside
    // a light chunk that is the light itself.
    const int index = findLightByName(ctx, ctx.currentObjectName);
    if (index < 0) return LoadStatus::None;
    Light& light = ctx.scene->lights[static_cast<std::size_t>(index)];
    for (int i = 0; i < 3; ++i) {
        light.colour[i] = rgb[i];
        light.colour255[i] = colourTo255(rgb[i]);
    }
    return LoadStatus::None;
}

LoadStatus readObjectNode(LoadContext& ctx, std::int64_t chunkEnd) {
    ctx.nodeKind = NodeObject;
    return walkChunks(ctx, chunkEnd);
}

LoadStatus readCameraNode(LoadContext& ctx, std::int64_t chunkEnd) {
    ctx.nodeKind = NodeCamera;
    return walkChunks(ctx, chunkEnd);
}

LoadStatus readTargetNode(LoadContext& ctx, std::int64_t chunkEnd) {
    ctx.nodeKind = NodeTarget;
    return walkChunks(ctx, chunkEnd);
}

} // namespace norvane
