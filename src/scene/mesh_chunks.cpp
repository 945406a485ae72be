// Handlers of the named-object and triangle-mesh chunks. Each reads the same bytes in both
// passes; only the filling pass stores, and only into the mesh taken last (a mesh sub-chunk
// met before any triangle mesh is read and dropped).
#include "scene/chunk_reader.h"

namespace norvane {
namespace {

// True when `count` records of `size` bytes lie inside the file from the cursor on; checked
// before anything is allocated, so a count larger than the file fails without allocating.
bool fits(const LoadContext& ctx, std::int64_t count, std::int64_t size) {
    return ctx.in.remaining() >= count * size;
}

Mesh* fillingMesh(LoadContext& ctx) { return ctx.countingPass ? nullptr : ctx.currentMesh; }

// What the filling pass knows of the current mesh beyond the model.
MeshLoadState& meshState(LoadContext& ctx) { return ctx.meshStates[static_cast<std::size_t>(ctx.meshCursor - 1)]; }

} // namespace

LoadStatus readNamedObject(LoadContext& ctx, std::int64_t) {
    readChunkName(ctx, ctx.currentObjectName); // status ignored: the children follow the name
    return LoadStatus::None;
}

LoadStatus readTriMesh(LoadContext& ctx, std::int64_t) {
    if (ctx.countingPass) {
        ++ctx.meshCount;
        return LoadStatus::None;
    }
    if (ctx.meshCursor >= static_cast<std::int32_t>(ctx.scene->meshes.size())) return LoadStatus::PassesDisagree;
    ctx.currentMesh = &ctx.scene->meshes[static_cast<std::size_t>(ctx.meshCursor++)];
    ctx.currentMesh->name = ctx.currentObjectName;
    return LoadStatus::None;
}

// u16 count, then count points of three f32, stored as (x, z, y).
LoadStatus readVertexList(LoadContext& ctx, std::int64_t) {
    std::uint16_t n;
    if (!ctx.in.u16(n) || !fits(ctx, n, 12)) return LoadStatus::PastEndOfFile;
    Mesh* mesh = fillingMesh(ctx);
    if (!mesh) return readStatus(ctx.in.skip(12 * n));
    // Faces read earlier keep the corners of the list they were read with.
    MeshLoadState& state = meshState(ctx);
    if (state.verticesReferenced) state.facesList = std::move(mesh->vertices);
    mesh->vertices.assign(n, Vertex{});
    state.verticesReferenced = false;
    for (Vertex& v : mesh->vertices) {
        float p[3] = {0, 0, 0};
        for (float& c : p) ctx.in.f32(c);
        v.x = p[0];
        v.y = p[2];
        v.z = p[1];
    }
    return LoadStatus::None;
}

// u16 count, then count u16 flags; nothing is kept.
LoadStatus readVertexFlags(LoadContext& ctx, std::int64_t) {
    std::uint16_t n;
    if (!ctx.in.u16(n)) return LoadStatus::PastEndOfFile;
    return readStatus(ctx.in.skip(2 * static_cast<std::int64_t>(n)));
}

// u16 count, then count faces of u16 a, b, c, flags; corners stored as a, c, b. A corner index
// not below the mesh's vertex count fails the load.
LoadStatus readFaceList(LoadContext& ctx, std::int64_t) {
    std::uint16_t n;
    if (!ctx.in.u16(n) || !fits(ctx, n, 8)) return LoadStatus::PastEndOfFile;
    Mesh* mesh = fillingMesh(ctx);
    if (!mesh) return readStatus(ctx.in.skip(8 * n));
    mesh->faces.assign(n, Face{});
    for (Face& face : mesh->faces) {
        std::uint16_t idx[4] = {0, 0, 0, 0};
        for (std::uint16_t& i : idx) ctx.in.u16(i);
        const std::uint16_t stored[3] = {idx[0], idx[2], idx[1]};
        for (int k = 0; k < 3; ++k) {
            if (stored[k] >= mesh->vertices.size()) return LoadStatus::CornerOutOfRange;
            face.corners[k] = stored[k];
        }
    }
    // The new faces index the current list; a replaced one no longer matters.
    MeshLoadState& state = meshState(ctx);
    state.facesList.clear();
    if (n > 0) state.verticesReferenced = true;
    return LoadStatus::None;
}

// Material name, u16 count, count u16 face indices; each listed face gets the material's index
// (-1 when no material has the name). Indices beyond the face list are ignored.
LoadStatus readFaceMaterials(LoadContext& ctx, std::int64_t) {
    std::string name;
    if (const LoadStatus status = readChunkName(ctx, name); status != LoadStatus::None) return status;
    Mesh* mesh = fillingMesh(ctx);
    const int material = mesh ? findMaterialByName(ctx, name) : -1;
    std::uint16_t n;
    if (!ctx.in.u16(n) || !fits(ctx, n, 2)) return LoadStatus::PastEndOfFile;
    for (int i = 0; i < n; ++i) {
        std::uint16_t f = 0;
        ctx.in.u16(f);
        if (mesh && f < mesh->faces.size()) mesh->faces[f].material = material;
    }
    return LoadStatus::None;
}

// u16 count, then count pairs of f32 u, v for the first vertices; entries beyond the vertex
// list are read and dropped.
LoadStatus readMappingCoords(LoadContext& ctx, std::int64_t) {
    std::uint16_t n;
    if (!ctx.in.u16(n) || !fits(ctx, n, 8)) return LoadStatus::PastEndOfFile;
    Mesh* mesh = fillingMesh(ctx);
    for (int i = 0; i < n; ++i) {
        float u = 0, v = 0;
        ctx.in.f32(u);
        ctx.in.f32(v);
        if (mesh && static_cast<std::size_t>(i) < mesh->vertices.size()) {
            mesh->vertices[static_cast<std::size_t>(i)].u = u;
            mesh->vertices[static_cast<std::size_t>(i)].v = v;
        }
    }
    return LoadStatus::None;
}

LoadStatus readSmoothingGroups(LoadContext&, std::int64_t) { return LoadStatus::None; }

// Twelve f32: X, Y and Z axis and origin, stored as rows 0 to 3 without any exchange.
LoadStatus readLocalMatrix(LoadContext& ctx, std::int64_t) {
    float f[12];
    for (float& v : f)
        if (!ctx.in.f32(v)) return LoadStatus::PastEndOfFile;
    Mesh* mesh = fillingMesh(ctx);
    if (!mesh) return LoadStatus::None;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) mesh->localMatrix.m[4 * r + c] = f[3 * r + c];
        mesh->localMatrix.m[4 * r + 3] = (r == 3) ? 1.0f : 0.0f;
    }
    return LoadStatus::None;
}

} // namespace norvane
