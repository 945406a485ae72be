// The loader entry, the chunk walker, the name reader and the handlers shared by all chunk
// families. The file is read into memory once; both passes walk the same bytes through a
// bounds-checked cursor, so a chunk header or data that lies past the end of the file fails
// the load instead of yielding undefined values.
#include "scene/loader.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "scene/chunk_reader.h"
#include "scene/post_process.h"

namespace norvane {

bool readWholeFile(const std::string& fileName, std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    std::uint8_t block[65536];
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, f);
        bytes.insert(bytes.end(), block, block + got);
        if (got < sizeof block) break;
    }
    // A folder opens on some systems but fails on the first read.
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    return !failed;
}

const char* loadStatusName(LoadStatus status) {
    switch (status) {
    case LoadStatus::Ok: return "ok";
    case LoadStatus::CannotRead: return "cannot-read";
    case LoadStatus::FirstChunkTooLong: return "first-chunk-too-long";
    case LoadStatus::ZeroLengthChunk: return "zero-length-chunk";
    case LoadStatus::PastEndOfFile: return "past-end-of-file";
    case LoadStatus::NestingTooDeep: return "nesting-too-deep";
    case LoadStatus::ReadBudgetSpent: return "read-budget-spent";
    case LoadStatus::CornerOutOfRange: return "corner-out-of-range";
    case LoadStatus::NameCutShort: return "name-cut-short";
    case LoadStatus::PassesDisagree: return "passes-disagree";
    }
    return "unknown";
}

const char* loadStatusText(LoadStatus status) {
    switch (status) {
    case LoadStatus::Ok: return "the file loaded";
    case LoadStatus::CannotRead: return "the file cannot be opened or read";
    case LoadStatus::FirstChunkTooLong: return "the first chunk claims more bytes than the file has (not a 3DS file, or cut short)";
    case LoadStatus::ZeroLengthChunk: return "a chunk header gives length 0";
    case LoadStatus::PastEndOfFile: return "a chunk header or a chunk's data lies past the end of the file";
    case LoadStatus::NestingTooDeep: return "chunks nest more than 256 levels deep";
    case LoadStatus::ReadBudgetSpent: return "the chunks make the loader read the same bytes over and over";
    case LoadStatus::CornerOutOfRange: return "a face corner is not below its mesh's vertex count";
    case LoadStatus::NameCutShort: return "the file ends inside a name";
    case LoadStatus::PassesDisagree: return "the filling pass met more records than the counting pass";
    }
    return "unknown";
}

namespace {

bool runPass(LoadContext& ctx) {
    ctx.in.seek(0);
    ctx.depth = 0;
    return walkChunks(ctx, ctx.in.size()) == LoadStatus::Ok;
}

// A file whose first chunk claims more bytes than the file holds is not a scene (an image, a
// text) or was cut short (a truncated download): the first chunk of a 3DS file is its main
// chunk, which spans the whole file.
bool firstChunkFits(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return true; // the walk reports a header cut short
    const std::uint32_t length = static_cast<std::uint32_t>(data[2]) | (static_cast<std::uint32_t>(data[3]) << 8) |
                                 (static_cast<std::uint32_t>(data[4]) << 16) |
                                 (static_cast<std::uint32_t>(data[5]) << 24);
    return length <= size;
}

std::unique_ptr<Scene> failed(LoadError* error, LoadError reason) {
    if (error) *error = reason;
    return nullptr;
}

} // namespace

std::unique_ptr<Scene> loadSceneFromBytes(const std::uint8_t* data, std::size_t size, LoadError* error) {
    if (!firstChunkFits(data, size)) return failed(error, LoadError{LoadStatus::FirstChunkTooLong, 0});
    auto scene = std::make_unique<Scene>();
    LoadContext ctx(ByteCursor(data, size));
    ctx.scene = scene.get();
    ctx.readBudget = readBudgetFactor * size + readBudgetAllowance;

    ctx.countingPass = true;
    if (!runPass(ctx)) return failed(error, ctx.error);

    // Every array is sized once, at the count the counting pass found.
    scene->materials.resize(static_cast<std::size_t>(ctx.materialCount));
    scene->meshes.resize(static_cast<std::size_t>(ctx.meshCount));
    scene->cameras.resize(static_cast<std::size_t>(ctx.cameraCount));
    scene->lights.resize(static_cast<std::size_t>(ctx.lightCount));

    // Only the pass flag and the cursors are reset: the current name and the keyframer
    // node state carry over from the counting pass.
    ctx.countingPass = false;
    ctx.meshCursor = ctx.cameraCursor = ctx.lightCursor = ctx.materialCursor = 0;
    if (!runPass(ctx)) return failed(error, ctx.error);

    for (Mesh& mesh : scene->meshes) {
        computeFacePlanes(mesh);
        computeVertexNormals(mesh);
    }
    for (Camera& camera : scene->cameras) setupCamera(camera);
    if (error) *error = LoadError{};
    return scene;
}

std::unique_ptr<Scene> loadScene(const std::string& fileName, LoadError* error) {
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(fileName, bytes)) return failed(error, LoadError{LoadStatus::CannotRead, 0});
    return loadSceneFromBytes(bytes.data(), bytes.size(), error);
}

namespace {

// Records the first failure of the load and where it happened.
LoadStatus fail(LoadContext& ctx, LoadStatus status, std::int64_t offset) {
    if (ctx.error.status == LoadStatus::Ok) ctx.error = LoadError{status, offset};
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
    if (ctx.depth > maxChunkDepth) return fail(ctx, LoadStatus::NestingTooDeep, in.position());

    while (in.position() < end) {
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
                if (status != LoadStatus::Ok) return fail(ctx, status, start);
                if (in.bytesRead() > ctx.readBudget) return fail(ctx, LoadStatus::ReadBudgetSpent, start);
            }
            if (entry.descend) {
                const LoadStatus status = walkChunks(ctx, chunkEnd);
                if (status != LoadStatus::Ok) return status;
            }
        }
        // Whatever the handler or the children consumed, the next chunk starts at the end of
        // this one (for a length below 6 that is before the end of its header).
        in.seek(chunkEnd);
    }
    return LoadStatus::Ok;
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
    if (name.size() == 63 || c == 0) return LoadStatus::Ok;
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

LoadStatus ignoreChunk(LoadContext&, std::int64_t) { return LoadStatus::Ok; }
LoadStatus skipValue2(LoadContext& ctx, std::int64_t) { return readStatus(ctx.in.skip(2)); }
LoadStatus skipValue3(LoadContext& ctx, std::int64_t) { return readStatus(ctx.in.skip(3)); }
LoadStatus skipValue4(LoadContext& ctx, std::int64_t) { return readStatus(ctx.in.skip(4)); }

LoadStatus readMapFileName(LoadContext& ctx, std::int64_t) {
    std::string scratch;
    readChunkName(ctx, scratch); // a map name cut short by the end of the file is harmless
    return LoadStatus::Ok;
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
    if (ctx.countingPass) return LoadStatus::Ok;
    // The colour goes to the first light named like the current object name, if any: inside
    // a light chunk that is the light itself.
    const int index = findLightByName(ctx, ctx.currentObjectName);
    if (index < 0) return LoadStatus::Ok;
    Light& light = ctx.scene->lights[static_cast<std::size_t>(index)];
    for (int i = 0; i < 3; ++i) {
        light.colour[i] = rgb[i];
        light.colour255[i] = colourTo255(rgb[i]);
    }
    return LoadStatus::Ok;
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
