// The loader entry, the chunk walker, the name reader and the handlers shared by all chunk
// families. The file is read into memory once; both passes walk the same bytes through a
// bounds-checked cursor, so a chunk header or data that lies past the end of the file fails
// the load instead of yielding undefined values.
#include "scene/loader.h"

#include <cmath>
#include <cstdio>
#include <limits>

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

namespace {

bool runPass(LoadContext& ctx) {
    ctx.in.seek(0);
    ctx.depth = 0;
    return walkChunks(ctx, ctx.in.size()) == 0;
}

} // namespace

std::unique_ptr<Scene> loadSceneFromBytes(const std::uint8_t* data, std::size_t size) {
    auto scene = std::make_unique<Scene>();
    LoadContext ctx(ByteCursor(data, size));
    ctx.scene = scene.get();
    ctx.readBudget = readBudgetFactor * size + readBudgetAllowance;

    ctx.countingPass = true;
    if (!runPass(ctx)) return nullptr;

    // Every array is sized once, at the count the counting pass found.
    scene->materials.resize(static_cast<std::size_t>(ctx.materialCount));
    scene->meshes.resize(static_cast<std::size_t>(ctx.meshCount));
    scene->cameras.resize(static_cast<std::size_t>(ctx.cameraCount));
    scene->lights.resize(static_cast<std::size_t>(ctx.lightCount));

    // Only the pass flag and the cursors are reset: the current name and the keyframer
    // node state carry over from the counting pass.
    ctx.countingPass = false;
    ctx.meshCursor = ctx.cameraCursor = ctx.lightCursor = ctx.materialCursor = 0;
    if (!runPass(ctx)) return nullptr;

    for (Mesh& mesh : scene->meshes) {
        computeFacePlanes(mesh);
        computeVertexNormals(mesh);
    }
    for (Camera& camera : scene->cameras) setupCamera(camera);
    return scene;
}

std::unique_ptr<Scene> loadScene(const std::string& fileName) {
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(fileName, bytes)) return nullptr;
    return loadSceneFromBytes(bytes.data(), bytes.size());
}

int walkChunks(LoadContext& ctx, std::int64_t end) {
    // Nesting is capped so that a hostile file cannot exhaust the call stack.
    struct DepthGuard {
        int& depth;
        explicit DepthGuard(int& d) : depth(d) { ++depth; }
        ~DepthGuard() { --depth; }
    } guard(ctx.depth);
    if (ctx.depth > maxChunkDepth) return -1;

    ByteCursor& in = ctx.in;
    while (in.position() < end) {
        // Chunk header: u16 id, u32 length of the whole chunk, these 6 bytes included.
        const std::int64_t start = in.position();
        std::uint16_t id;
        std::uint32_t length;
        if (!in.u16(id) || !in.u32(length)) return -1;
        if (length == 0) return -1;
        const std::int64_t chunkEnd = start + static_cast<std::int64_t>(length);
        const int index = findChunk(id);
        if (index >= 0) {
            const ChunkEntry& entry = chunkEntry(index);
            if (entry.handler) {
                const int status = entry.handler(ctx, chunkEnd);
                if (status != 0) return status;
                if (in.bytesRead() > ctx.readBudget) return -1;
            }
            if (entry.descend) {
                const int status = walkChunks(ctx, chunkEnd);
                if (status != 0) return status;
            }
        }
        // Whatever the handler or the children consumed, the next chunk starts at the end of
        // this one (for a length below 6 that is before the end of its header).
        in.seek(chunkEnd);
    }
    return 0;
}

int readChunkName(LoadContext& ctx, std::string& name) {
    name.clear();
    int c;
    for (;;) {
        c = ctx.in.getc();
        if (c <= 0) break;               // end of data or the NUL
        if (name.size() == 63) break;    // the 64th character is read and dropped
        name.push_back(static_cast<char>(c));
    }
    if (name.size() == 63) return 0;
    return c < 0 ? -1 : 0;
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

int ignoreChunk(LoadContext&, std::int64_t) { return 0; }
int skipValue2(LoadContext& ctx, std::int64_t) { return ctx.in.skip(2) ? 0 : -1; }
int skipValue3(LoadContext& ctx, std::int64_t) { return ctx.in.skip(3) ? 0 : -1; }
int skipValue4(LoadContext& ctx, std::int64_t) { return ctx.in.skip(4) ? 0 : -1; }

int readMapFileName(LoadContext& ctx, std::int64_t) {
    std::string scratch;
    readChunkName(ctx, scratch); // a map name cut short by the end of the file is harmless
    return 0;
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

int readFloatColour(LoadContext& ctx, std::int64_t) {
    float rgb[3];
    for (float& c : rgb)
        if (!ctx.in.f32(c)) return -1;
    if (ctx.countingPass) return 0;
    // The colour goes to the first light named like the current object name, if any: inside
    // a light chunk that is the light itself.
    const int index = findLightByName(ctx, ctx.currentObjectName);
    if (index < 0) return 0;
    Light& light = ctx.scene->lights[static_cast<std::size_t>(index)];
    for (int i = 0; i < 3; ++i) {
        light.colour[i] = rgb[i];
        light.colour255[i] = colourTo255(rgb[i]);
    }
    return 0;
}

int readObjectNode(LoadContext& ctx, std::int64_t chunkEnd) {
    ctx.nodeKind = NodeObject;
    return walkChunks(ctx, chunkEnd);
}

int readCameraNode(LoadContext& ctx, std::int64_t chunkEnd) {
    ctx.nodeKind = NodeCamera;
    return walkChunks(ctx, chunkEnd);
}

int readTargetNode(LoadContext& ctx, std::int64_t chunkEnd) {
    ctx.nodeKind = NodeTarget;
    return walkChunks(ctx, chunkEnd);
}

} // namespace norvane
