#include "bsp/build_tree.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>

#include "bsp/partition.h"
#include "common/cores.h"
#include "bsp/vertex_index.h"
#include "scene/face_vertices.h"

namespace norvane {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// Every mesh vertex, duplicates included, in mesh order.
void gatherVertices(const Scene& scene, BspTree& tree, CompileProgress& progress) {
    progress.stageBegan(CompileProgress::Stage::VertexList);
    std::size_t total = 0;
    for (const Mesh& mesh : scene.meshes) total += mesh.vertices.size();
    tree.vertices.reserve(total);
    for (const Mesh& mesh : scene.meshes) {
        tree.vertices.insert(tree.vertices.end(), mesh.vertices.begin(), mesh.vertices.end());
        progress.worked(1);
    }
    progress.stageEnded(CompileProgress::Stage::VertexList);
}

// The list index of a corner: the first list vertex equal to it in x, y, z, u and v. A corner
// of a list a later vertex list replaced is in no mesh's list unless one equals it: it joins
// the list then, without a normal.
std::uint32_t listCorner(const Vertex& corner, BspTree& tree, VertexIndex& index, bool linear) {
    std::int32_t found = linear ? findVertexLinear(tree.vertices, corner) : index.find(corner);
    if (found < 0) {
        Vertex extra = corner;
        extra.nx = extra.ny = extra.nz = 0.0f;
        tree.vertices.push_back(extra);
        index.add();
        found = static_cast<std::int32_t>(tree.vertices.size() - 1);
    }
    return static_cast<std::uint32_t>(found);
}

// Every face, its corners re-pointed into the list.
BuildErrorCode gatherFaces(const Scene& scene, BspTree& tree, bool linear, CompileProgress& progress,
                           std::vector<BspFace>& faces) {
    progress.stageBegan(CompileProgress::Stage::FaceList);
    // A corner of a mesh's own vertices is the list's vertex at the mesh's offset plus its
    // number, so its match is that vertex's first equal, found once per vertex instead of once
    // per corner (a vertex is the corner of some six faces).
    const std::vector<std::uint32_t> firstListed =
        linear ? std::vector<std::uint32_t>{} : firstEqualOfEach(tree.vertices);
    std::optional<VertexIndex> index; // for the corners of replaced lists, and the straightforward build
    const auto materials = static_cast<std::int64_t>(scene.materials.size());
    std::size_t total = 0;
    for (const Mesh& mesh : scene.meshes) total += mesh.faces.size();
    faces.reserve(total);
    std::size_t offset = 0;
    for (std::size_t m = 0; m < scene.meshes.size(); ++m) {
        const std::vector<Vertex>& corners = faceVertices(scene, m);
        const bool own = !linear && &corners == &scene.meshes[m].vertices;
        for (const Face& face : scene.meshes[m].faces) {
            if (face.material < -1 || face.material >= materials) return BuildErrorCode::MaterialOutOfRange;
            BspFace copy;
            copy.material = face.material;
            copy.plane = face.plane;
            for (int k = 0; k < 3; ++k) {
                if (face.corners[k] >= corners.size()) return BuildErrorCode::CornerOutOfRange;
                if (own) {
                    copy.verts[k] = firstListed[offset + face.corners[k]];
                    continue;
                }
                if (!index) index.emplace(tree.vertices);
                copy.verts[k] = listCorner(corners[face.corners[k]], tree, *index, linear);
            }
            faces.push_back(copy);
        }
        offset += scene.meshes[m].vertices.size();
        progress.worked(scene.meshes[m].faces.size()); // a unit per face
    }
    progress.stageEnded(CompileProgress::Stage::FaceList);
    return BuildErrorCode::None;
}

// The workers of a build too small to share its work from the start. They are due once the
// build has taken a while with most of its faces still to place: the first milliseconds measure
// the scene, and what is left is then worth sharing. A build that has placed a quarter of its
// faces by then is nearly done and stays on one thread; so does one that peels a few faces off
// at every level, each level waiting for the one before, until a node shares the work out.
LateWorkers lateWorkers(std::optional<WorkerPool>& pool, unsigned threads, Clock::time_point start,
                        const BuildLimits& limits) {
    // (At most a million seconds, so that the clock's integer ticks hold it.)
    const auto due = start + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(std::min(limits.workersAfterSeconds, 1e6)));
    LateWorkers late;
    late.due = [due, nodes = limits.workersAfterNodes, calls = 0u, timeUp = false](const BuildCounters& c,
                                                                                   std::size_t nodeFaces) mutable {
        if (c.nodesBuilt >= nodes) return true;
        // The clock is read at every node near the root, then at every 16th: a deep tree has
        // thousands of small ones.
        ++calls;
        if (!timeUp && ((calls > 64 && calls % 16 != 0) || Clock::now() < due)) return false;
        timeUp = true;
        const auto left = static_cast<std::size_t>(std::max(c.faceTotal - c.facesPlaced, 0));
        // A node of a few faces says nothing (a peeling tree's small side is one), nor does the
        // way down to the first leaf, which every tree goes one node per level.
        const bool peeling = c.nodesBuilt >= 32 && 2 * c.maxLevel >= c.nodesBuilt;
        return std::int64_t{c.facesPlaced} * 4 < c.faceTotal && nodeFaces >= 64 && 3 * nodeFaces <= 2 * left &&
               !peeling;
    };
    late.start = [&pool, threads] { return &pool.emplace(threads - 1); };
    return late;
}

} // namespace

BuildErrorCode buildTree(const Scene& scene, const BuildOptions& options, const BuildLimits& limits,
                         CompileProgress& progress, BspTree& tree, BuildStats& stats, PlaneSearchStats* searchStats) {
    const auto start = Clock::now();
    stats = BuildStats{};
    tree = BspTree{};
    progress.stageBegan(CompileProgress::Stage::Tree);
    for (const Material& material : scene.materials) tree.materialNames.push_back(material.name);
    gatherVertices(scene, tree, progress);
    std::vector<BspFace> faces;
    const bool linear = options.search == PlaneSearch::Straightforward;
    if (const BuildErrorCode e = gatherFaces(scene, tree, linear, progress, faces); e != BuildErrorCode::None)
        return e;

    // A tree over more vertices or faces than the file holds can never be written.
    if (tree.vertices.size() > limits.maxVertices) return BuildErrorCode::TooManyVertices;
    if (faces.size() > limits.maxFaces) return BuildErrorCode::TooManyFaces;
    for (std::size_t i = 0; i < faces.size(); ++i) faces[i].id = static_cast<std::int32_t>(i);
    tree.faceCount = static_cast<std::int32_t>(faces.size());
    stats.listSeconds = secondsSince(start);

    // The workers live as long as the build: waking one costs far less than starting a thread.
    // Most scenes of a few thousand faces compile in a few milliseconds, less than starting the
    // workers and handing work around costs: they start theirs late, if their build runs long.
    constexpr std::size_t smallestShared = 8192;
    const unsigned threads =
        options.threads != 0 ? options.threads : std::min(availableCores(), 8u);
    const bool shares = threads > 1 && options.search == PlaneSearch::Fast;
    std::optional<WorkerPool> pool;
    if (shares && faces.size() >= smallestShared) pool.emplace(threads - 1);
    PartitionRun run{options, progress, limits.maxVertices, {}, {}, {}};
    run.scratch.stats = searchStats;
    run.scratch.pool = pool ? &*pool : nullptr;
    run.counters.faceTotal = tree.faceCount;
    const auto nodeStart = Clock::now();
    if (shares && !pool) run.late = lateWorkers(pool, threads, nodeStart, limits);
    const BuildErrorCode built = buildNodes(tree, std::move(faces), run);
    stats.nodeSeconds = secondsSince(nodeStart);
    if (built != BuildErrorCode::None) return built;

    stats.nodes = run.counters.nodesBuilt;
    stats.faces = run.counters.faceTotal;
    stats.depth = run.counters.maxLevel;
    stats.vertices = tree.vertices.size();
    stats.threads = pool ? static_cast<unsigned>(pool->workers()) + 1 : 1;
    stats.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    progress.built(stats);
    return BuildErrorCode::None;
}

} // namespace norvane
