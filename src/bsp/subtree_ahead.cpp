#include "bsp/subtree_ahead.h"

#include <algorithm>
#include <cassert>

#include "bsp/child_counts.h"
#include "bsp/local_numbering.h"
#include "bsp/recorded_progress.h"

namespace norvane {
namespace {

// Children smaller than this are built where they are reached: their subtree costs less than
// copying it over and back.
constexpr std::size_t smallestAhead = 64;
// A front subtree smaller than this share of the back child's keeps the build busy too briefly
// (a deep tree peeling a few faces off at every level would copy its large side level by level).
constexpr std::size_t frontShare = 8;
// Subtrees waiting for a worker at most, and how deep in nested tasks a thread may start one.
constexpr std::size_t mostWaiting = 32;
constexpr unsigned mostNested = 3;

} // namespace

struct SubtreeAhead {
    BspTree tree;                          // vertices: those copied from the build, then the new ones
    std::vector<std::uint32_t> copiedFrom; // the build's vertex of each copied one
    std::vector<BspFace> faces;            // the child's, corners into tree.vertices
    std::vector<BspFace> parentFaces;      // the parent's likewise, when the counts are derived
    std::vector<FaceOrigin> origin;
    NodeCounts parentCounts;
    RecordedProgress progress;
    BuildCounters counters; // faces placed and cut counted from zero
    PlaneSearchStats stats;
    BuildErrorCode result = BuildErrorCode::None;
    WorkerPool::TaskHandle task;
};

namespace {

// A copy of the faces with their corners renumbered.
std::vector<BspFace> renumbered(const std::vector<BspFace>& faces, LocalNumbering& number) {
    std::vector<BspFace> copied = faces;
    for (BspFace& f : copied)
        for (std::uint32_t& v : f.verts) v = number(v);
    return copied;
}

// What the subtree's own build needs of the build that started it.
struct AheadRun {
    BuildOptions options;
    std::size_t maxVertices; // the copied ones and as many new ones as the build had room for
    std::int32_t level;      // the parent's
    WorkerPool* pool;
    std::shared_ptr<const ReferenceHierarchy> reference;
    bool stats;
};

void build(SubtreeAhead& ahead, const AheadRun& a) {
    NodeInput input{std::move(ahead.faces), {}, nullptr};
    if (!ahead.parentFaces.empty())
        input.counts =
            deriveChildCounts(ahead.parentFaces, ahead.parentCounts, input.faces, ahead.origin, ahead.tree.vertices);
    std::vector<BspFace>().swap(ahead.parentFaces);
    ahead.parentCounts = NodeCounts{};
    PartitionRun run{a.options, ahead.progress, a.maxVertices, {}, {}, {}};
    run.scratch.pool = a.pool;
    run.scratch.referenceTaken = true;
    run.scratch.reference = a.reference;
    run.scratch.stats = a.stats ? &ahead.stats : nullptr;
    run.counters.level = a.level;
    run.counters.maxLevel = a.level;
    ahead.tree.nodes.emplace_back();
    ahead.result = buildSubtree(ahead.tree, std::move(input), run);
    ahead.counters = run.counters;
}

// Appends the subtree's nodes from node `index` on, their children and corners renumbered.
void appendNodes(SubtreeAhead& ahead, BspTree& tree, std::int32_t index, std::size_t vertexBase) {
    const std::size_t copied = ahead.copiedFrom.size();
    for (std::size_t k = 0; k < ahead.tree.nodes.size(); ++k) {
        BspNode node = std::move(ahead.tree.nodes[k]);
        if (node.front >= 0) node.front += index;
        if (node.back >= 0) node.back += index;
        for (BspFace& f : node.storedFaces)
            for (std::uint32_t& v : f.verts)
                v = v < copied ? ahead.copiedFrom[v] : static_cast<std::uint32_t>(vertexBase + (v - copied));
        if (k == 0)
            tree.nodes[static_cast<std::size_t>(index)] = std::move(node);
        else
            tree.nodes.push_back(std::move(node));
    }
}

} // namespace

std::shared_ptr<SubtreeAhead> buildAhead(const std::vector<BspFace>& child, const ChildParent* parent,
                                         std::size_t frontFaces, const BspTree& tree, PartitionRun& run) {
    WorkerPool* pool = run.scratch.pool;
    if (!pool || pool->workers() == 0 || !run.scratch.referenceTaken || child.size() < smallestAhead ||
        frontShare * frontFaces < child.size() || WorkerPool::nesting() >= mostNested ||
        pool->waiting() >= mostWaiting)
        return nullptr;
    auto ahead = std::make_shared<SubtreeAhead>();
    {
        LocalNumbering number(tree.vertices, run.scratch.localIndex);
        ahead->faces = renumbered(child, number);
        // The parent's faces go along only when the child's counts can be derived from them.
        if (parent && mayDeriveChildCounts(parent->faces.size(), parent->counts, child.size(), parent->origin)) {
            ahead->parentFaces = renumbered(parent->faces, number);
            ahead->parentCounts = std::move(parent->counts);
            parent->counts = NodeCounts{};
            ahead->origin = parent->origin;
        }
        ahead->copiedFrom = number.globalOf();
        ahead->tree.vertices = number.localVertices();
    }
    ahead->tree.faceCount = tree.faceCount;
    assert(tree.vertices.size() <= run.maxVertices);
    const AheadRun a{run.options,
                     ahead->copiedFrom.size() + (run.maxVertices - tree.vertices.size()),
                     run.counters.level,
                     pool,
                     run.scratch.reference,
                     run.scratch.stats != nullptr};
    // The task holds the subtree until it has run, whatever becomes of the build.
    ahead->task = pool->submit([ahead, a] { build(*ahead, a); });
    return ahead;
}

Spliced spliceAhead(SubtreeAhead& ahead, BspTree& tree, std::int32_t index, PartitionRun& run) {
    assert(run.scratch.pool && static_cast<std::size_t>(index) + 1 == tree.nodes.size());
    run.scratch.pool->finish(ahead.task);
    if (ahead.result == BuildErrorCode::Stopped) return Spliced::Stopped;
    const std::size_t added = ahead.tree.vertices.size() - ahead.copiedFrom.size();
    if (ahead.result != BuildErrorCode::None || tree.vertices.size() + added > run.maxVertices)
        return Spliced::BuildHere;
    // The nodes and vertices are appended on a worker while the progress is replayed here: a
    // large subtree's two serial steps at the end of the build, and neither needs the other.
    const auto append = [&] {
        const std::size_t vertexBase = tree.vertices.size();
        tree.vertices.insert(tree.vertices.end(),
                             ahead.tree.vertices.begin() + static_cast<std::ptrdiff_t>(ahead.copiedFrom.size()),
                             ahead.tree.vertices.end());
        appendNodes(ahead, tree, index, vertexBase);
    };
    BuildCounters& c = run.counters;
    const std::vector<WorkerPool::TaskHandle> appending{run.scratch.pool->submit(append)};
    try {
        ahead.progress.replay(run.progress, c.facesPlaced, c.faceTotal);
    } catch (...) {
        run.scratch.pool->finishAll(appending); // it uses this frame's tree
        throw;
    }
    run.scratch.pool->finishAll(appending);
    c.facesPlaced += ahead.counters.facesPlaced;
    c.faceTotal += ahead.counters.faceTotal;
    c.nodesBuilt += ahead.counters.nodesBuilt;
    c.maxLevel = std::max(c.maxLevel, ahead.counters.maxLevel);
    if (run.scratch.stats) run.scratch.stats->add(ahead.stats);
    return Spliced::Done;
}

} // namespace norvane
