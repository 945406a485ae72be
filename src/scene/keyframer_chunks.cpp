// Keyframer handlers: the animation segment, node ids, node headers and the position and
// rotation tracks of the nodes that name a mesh or a camera. Points and axes are stored in
// scene axes (x, z, y); frames as floats of the 16-bit frame number.
#include "scene/chunk_reader.h"

namespace norvane {

// Two u32: first and last frame.
LoadStatus readFrames(LoadContext& ctx, std::int64_t) {
    std::uint32_t first, last;
    if (!ctx.in.u32(first) || !ctx.in.u32(last)) return LoadStatus::PastEndOfFile;
    ctx.scene->startFrame = first;
    ctx.scene->endFrame = last;
    return LoadStatus::None;
}

// One u16: the node id, used by the header that follows it.
LoadStatus readNodeId(LoadContext& ctx, std::int64_t) {
    std::uint16_t id;
    if (!ctx.in.u16(id)) return LoadStatus::PastEndOfFile;
    ctx.currentNodeId = id;
    return LoadStatus::None;
}

// Name, two u16 flag words, u16 parent value. An object node's header finds its mesh by name
// and turns the node kind into NodeMesh; other kinds find a camera.
LoadStatus readNodeHeader(LoadContext& ctx, std::int64_t) {
    if (const LoadStatus status = readChunkName(ctx, ctx.nodeName); status != LoadStatus::None) return status;
    std::uint16_t flags1, flags2, parent;
    if (!ctx.in.u16(flags1) || !ctx.in.u16(flags2) || !ctx.in.u16(parent)) return LoadStatus::PastEndOfFile;
    if (ctx.countingPass) return LoadStatus::None;
    if (ctx.nodeKind == NodeObject) {
        ctx.nodeTarget = findMeshByName(ctx, ctx.nodeName);
        if (ctx.nodeTarget >= 0) {
            Mesh& mesh = ctx.scene->meshes[static_cast<std::size_t>(ctx.nodeTarget)];
            mesh.nodeId = ctx.currentNodeId;
            mesh.parentId = parent;
        }
        ctx.nodeKind = NodeMesh;
    } else {
        ctx.nodeTarget = findCameraByName(ctx, ctx.nodeName);
    }
    return LoadStatus::None;
}

// Three f32, not used.
LoadStatus readPivot(LoadContext& ctx, std::int64_t) { return readStatus(ctx.in.skip(12)); }

LoadStatus skipTrack(LoadContext&, std::int64_t) { return LoadStatus::None; }

namespace {

// Track header: 10 unused bytes, then a u32 key count of which the low 16 bits count.
bool readTrackHeader(LoadContext& ctx, std::uint32_t& keys) {
    std::uint32_t count;
    if (!ctx.in.skip(10) || !ctx.in.u32(count)) return false;
    keys = count & 0xFFFFu;
    return true;
}

// Key header: u32 frame (low 16 bits count), u16 flags, then one unused f32 for each of flag
// bits 0, 1 and 2 that is set.
bool readKeyHeader(LoadContext& ctx, std::uint32_t& frame) {
    std::uint32_t raw;
    std::uint16_t flags;
    if (!ctx.in.u32(raw) || !ctx.in.u16(flags)) return false;
    frame = raw & 0xFFFFu;
    for (int bit = 0; bit < 3; ++bit)
        if ((flags & (1u << bit)) && !ctx.in.skip(4)) return false;
    return true;
}

// The record's track that a position or rotation track of the current node fills, or null
// when the track is only consumed.
KeyTrack* trackTarget(LoadContext& ctx, bool rotation) {
    if (ctx.countingPass || ctx.nodeTarget < 0) return nullptr;
    const auto target = static_cast<std::size_t>(ctx.nodeTarget);
    Scene& scene = *ctx.scene;
    if (ctx.nodeKind == NodeMesh) {
        if (target >= scene.meshes.size()) return nullptr;
        return rotation ? &scene.meshes[target].rotationKeys : &scene.meshes[target].positionKeys;
    }
    if (rotation || target >= scene.cameras.size()) return nullptr;
    if (ctx.nodeKind == NodeCamera) return &scene.cameras[target].positionKeys;
    if (ctx.nodeKind == NodeTarget) return &scene.cameras[target].targetKeys;
    return nullptr;
}

// Reads one track; `values` is 3 for a position track and 4 (angle, axis) for a rotation track.
LoadStatus readTrack(LoadContext& ctx, int values) {
    std::uint32_t n;
    if (!readTrackHeader(ctx, n)) return LoadStatus::PastEndOfFile;
    // Each key takes at least 6 header bytes and its values: a count the file cannot hold
    // fails before anything is allocated.
    if (ctx.in.remaining() < static_cast<std::int64_t>(n) * (6 + 4 * values)) return LoadStatus::PastEndOfFile;
    KeyTrack* track = trackTarget(ctx, values == 4);
    if (track) {
        *track = KeyTrack{};
        track->stored = true;
        track->frames.resize(n);
        track->x.resize(n);
        track->y.resize(n);
        track->z.resize(n);
        if (values == 4) track->angle.resize(n);
    }
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint32_t frame;
        float v[4];
        if (!readKeyHeader(ctx, frame)) return LoadStatus::PastEndOfFile;
        for (int k = 0; k < values; ++k)
            if (!ctx.in.f32(v[k])) return LoadStatus::PastEndOfFile;
        if (!track) continue;
        const float* p = (values == 4) ? v + 1 : v;
        track->frames[i] = static_cast<float>(frame);
        if (values == 4) track->angle[i] = v[0];
        track->x[i] = p[0];
        track->y[i] = p[2];
        track->z[i] = p[1];
    }
    return LoadStatus::None;
}

} // namespace

LoadStatus readPositionTrack(LoadContext& ctx, std::int64_t) { return readTrack(ctx, 3); }
LoadStatus readRotationTrack(LoadContext& ctx, std::int64_t) { return readTrack(ctx, 4); }

} // namespace norvane
