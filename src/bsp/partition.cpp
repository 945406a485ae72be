// The walk keeps its own stack, so no tree depth can overflow the call stack; a node's input
// list is released as soon as its faces are distributed.
#include "bsp/partition.h"

#include <memory>
#include <utility>

#include "bsp/child_counts.h"
#include "bsp/classify.h"
#include "bsp/plane_choice.h"
#include "bsp/subtree_ahead.h"
#include "bsp/split.h"

namespace norvane {
namespace {

void reportStep(PartitionRun& run, CompileProgress::NodeStep step, std::size_t inputCount) {
    const BuildCounters& c = run.counters;
    run.progress.nodeStep(step, {c.level, inputCount, c.facesPlaced, c.faceTotal});
}

void leaveNode(PartitionRun& run, std::size_t inputCount) {
    reportStep(run, CompileProgress::NodeStep::Leave, inputCount);
    --run.counters.level;
}

enum class Entered { Leaf, Interior, TooManyVertices };

// The side of every input face against the splitter's plane. A node whose corners are a good
// part of the vertex list (the large nodes of a deep tree that peels a few faces off at every
// level) takes every vertex's side once, in order, instead of three per face looked up at
// random; the sides are the same.
void classifyInput(const Plane& plane, const std::vector<BspFace>& input, const std::vector<Vertex>& vertices,
                   std::vector<Side>& sides) {
    const std::size_t n = input.size();
    sides.resize(n);
    if (3 * n < vertices.size()) {
        for (std::size_t i = 0; i < n; ++i) sides[i] = classifyFace(plane, input[i], vertices);
        return;
    }
    std::vector<std::uint8_t> vertexSide(vertices.size());
    for (std::size_t v = 0; v < vertices.size(); ++v)
        vertexSide[v] = static_cast<std::uint8_t>(classifyPoint(plane, vertices[v]));
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t* corner = input[i].verts;
        sides[i] = classifyCornerBits(vertexSide[corner[0]] | vertexSide[corner[1]] | vertexSide[corner[2]]);
    }
}

// The node's splitter, or -1 when it is a leaf, with the side of every input face against the
// splitter's plane.
std::int32_t chooseSplitter(BspTree& tree, NodeInput& in, PartitionRun& run, std::vector<Side>& sides) {
    const std::vector<BspFace>& input = in.faces;
    const std::size_t n = input.size();
    std::int32_t splitter = -1;
    switch (run.options.search) {
    case PlaneSearch::Fast:
        splitter = choosePlane(input, tree.vertices, in.counts, run.options.giveUpScore, run.scratch);
        break;
    case PlaneSearch::Straightforward:
        splitter = choosePlaneReference(input, tree.vertices, run.options.giveUpScore);
        break;
    case PlaneSearch::None: break;
    }
    run.progress.worked(n); // a unit per candidate
    if (splitter < 0) return -1;
    const Plane plane = input[static_cast<std::size_t>(splitter)].plane;
    classifyInput(plane, input, tree.vertices, sides);
    std::size_t front = 0, back = 0;
    for (const Side side : sides) {
        front += side == Front;
        back += side == Back;
    }
    // A plane that would send every face to the same child makes no progress: the recursion
    // would never end, so the node becomes a leaf instead.
    return (front == n || back == n) ? -1 : splitter;
}

// The faces of an interior node on their way: those in its plane stay, the others go to the
// children, with where each child face came from.
struct Distribution {
    std::vector<BspFace> stored;
    std::vector<FaceOrigin> frontOrigin, backOrigin;
    std::uint32_t flags = 0;
    bool splitFailed = false;
};

// Sends every input face where its side says, cutting the spanning ones. False when the vertex
// list outgrew the tree file's counts.
bool distribute(BspTree& tree, const Plane& plane, const std::vector<BspFace>& input, const std::vector<Side>& sides,
                PartitionRun& run, std::vector<BspFace>& frontFaces, std::vector<BspFace>& backFaces,
                Distribution& out) {
    // Every list sized once for the most it can hold (a cut face leaves two pieces on one side
    // and one on the other): growing them face by face made most of the build's allocations.
    std::size_t count[Spanning + 1] = {};
    for (const Side side : sides) ++count[side];
    frontFaces.reserve(count[Front] + 2 * count[Spanning]);
    backFaces.reserve(count[Back] + 2 * count[Spanning]);
    out.frontOrigin.reserve(frontFaces.capacity());
    out.backOrigin.reserve(backFaces.capacity());
    out.stored.reserve(count[On]);
    // A unit of work per face sent on, reported before anything else is (the cut that fails).
    std::size_t sent = 0;
    for (std::size_t i = 0; i < input.size(); ++i, ++sent) {
        const BspFace& face = input[i];
        switch (sides[i]) {
        case Front:
            frontFaces.push_back(face);
            out.frontOrigin.push_back(FaceOrigin::whole(i));
            out.flags |= hasFrontChild;
            break;
        case Back:
            backFaces.push_back(face);
            out.backOrigin.push_back(FaceOrigin::whole(i));
            out.flags |= hasBackChild;
            break;
        case On: // faces in the plane stay at the node, whichever way they face
            out.stored.push_back(face);
            break;
        default: {
            const SplitResult r = splitFace(tree, plane, face, run.maxVertices, frontFaces, backFaces);
            if (r == SplitResult::TooManyVertices) {
                run.progress.worked(sent);
                return false;
            }
            if (r == SplitResult::NoPattern) {
                // The node keeps what was distributed so far and the build goes on.
                run.progress.worked(sent);
                run.progress.cutFailed();
                out.splitFailed = true;
                return true;
            }
            out.frontOrigin.resize(frontFaces.size(), FaceOrigin::pieceOf(i));
            out.backOrigin.resize(backFaces.size(), FaceOrigin::pieceOf(i));
            run.counters.faceTotal += 2;
            out.flags |= hasFrontChild | hasBackChild;
            break;
        }
        }
    }
    run.progress.worked(sent);
    return true;
}

// Enters one node: chooses its plane and either keeps all faces as a leaf or distributes them
// over the node and its two children, deriving the children's counts where that pays.
Entered enterNode(BspTree& tree, std::int32_t nodeIndex, NodeInput& in, PartitionRun& run, NodeInput& frontOut,
                  NodeInput& backOut) {
    BuildCounters& c = run.counters;
    ++c.nodesBuilt;
    if (++c.level > c.maxLevel) c.maxLevel = c.level;
    tree.nodes[static_cast<std::size_t>(nodeIndex)].depth = c.level;
    const std::size_t n = in.faces.size();
    reportStep(run, CompileProgress::NodeStep::Enter, n);
    reportStep(run, CompileProgress::NodeStep::FindPlane, n);

    std::vector<Side> sides;
    const std::int32_t splitter = chooseSplitter(tree, in, run, sides);
    if (splitter < 0) {
        tree.nodes[static_cast<std::size_t>(nodeIndex)].storedFaces = std::move(in.faces);
        c.facesPlaced += static_cast<std::int32_t>(n);
        leaveNode(run, n);
        return Entered::Leaf;
    }
    const Plane plane = in.faces[static_cast<std::size_t>(splitter)].plane;
    tree.nodes[static_cast<std::size_t>(nodeIndex)].plane = plane;
    tree.nodes[static_cast<std::size_t>(nodeIndex)].hasPlane = true;
    reportStep(run, CompileProgress::NodeStep::Distribute, n);

    Distribution d;
    if (!distribute(tree, plane, in.faces, sides, run, frontOut.faces, backOut.faces, d))
        return Entered::TooManyVertices;
    BspNode& node = tree.nodes[static_cast<std::size_t>(nodeIndex)];
    node.flags = d.flags;
    node.storedFaces = std::move(d.stored);
    c.facesPlaced += static_cast<std::int32_t>(node.storedFaces.size());
    if (run.options.search == PlaneSearch::Fast) {
        // The back child's subtree goes ahead on a worker where that pays, deriving its counts there.
        if (!d.splitFailed)
            frontOut.counts = deriveChildCounts(in.faces, in.counts, frontOut.faces, d.frontOrigin, tree.vertices);
        const ChildParent parent{in.faces, in.counts, d.backOrigin};
        backOut.ahead =
            buildAhead(backOut.faces, d.splitFailed ? nullptr : &parent, frontOut.faces.size(), tree, run);
        if (!backOut.ahead && !d.splitFailed)
            backOut.counts = deriveChildCounts(in.faces, in.counts, backOut.faces, d.backOrigin, tree.vertices);
    }
    std::vector<BspFace>().swap(in.faces);
    in.counts = NodeCounts{};
    return Entered::Interior;
}

// A node whose children are being built.
struct OpenNode {
    std::int32_t node;
    std::size_t inputCount;
    NodeInput back;
    bool backDone;
};

bool stopRequested(const PartitionRun& run) {
    return run.options.stopFlag && run.options.stopFlag->load(std::memory_order_relaxed);
}

// Starts the late workers once they are due; the bytes are the same with or without them.
void startLateWorkers(PartitionRun& run, std::size_t nodeFaces) {
    if (!run.late.due || !run.late.due(run.counters, nodeFaces)) return;
    run.scratch.pool = run.late.start();
    run.late = LateWorkers{};
}

} // namespace

BuildErrorCode buildSubtree(BspTree& tree, NodeInput input, PartitionRun& run) {
    std::vector<OpenNode> open;
    auto current = static_cast<std::int32_t>(tree.nodes.size() - 1);
    for (;;) {
        if (stopRequested(run)) return BuildErrorCode::Stopped; // the cancellation point: between two nodes
        startLateWorkers(run, input.faces.size());
        bool built = false; // the node and its subtree are done
        if (input.ahead) {
            const Spliced spliced = spliceAhead(*input.ahead, tree, current, run);
            input.ahead.reset();
            if (spliced == Spliced::Stopped) return BuildErrorCode::Stopped;
            built = spliced == Spliced::Done;
        }
        if (!built) {
            const std::size_t inputCount = input.faces.size();
            NodeInput front, back;
            const Entered entered = enterNode(tree, current, input, run, front, back);
            if (entered == Entered::TooManyVertices) return BuildErrorCode::TooManyVerticesAfterCuts;
            if (entered == Entered::Interior) {
                const std::uint32_t flags = tree.nodes[current].flags;
                open.push_back(OpenNode{current, inputCount, std::move(back), false});
                if (flags & hasFrontChild) {
                    const auto child = static_cast<std::int32_t>(tree.nodes.size());
                    tree.nodes[current].front = child;
                    tree.nodes.emplace_back();
                    input = std::move(front);
                    current = child;
                    continue;
                }
            }
        }
        // Climb until a node still has its back child to build.
        bool descended = false;
        while (!open.empty()) {
            OpenNode& top = open.back();
            if (!top.backDone && (tree.nodes[top.node].flags & hasBackChild)) {
                top.backDone = true;
                const auto child = static_cast<std::int32_t>(tree.nodes.size());
                tree.nodes[top.node].back = child;
                tree.nodes.emplace_back();
                input = std::move(top.back);
                current = child;
                descended = true;
                break;
            }
            leaveNode(run, top.inputCount);
            open.pop_back();
        }
        if (!descended) return BuildErrorCode::None;
    }
}

BuildErrorCode buildNodes(BspTree& tree, std::vector<BspFace> rootFaces, PartitionRun& run) {
    tree.nodes.emplace_back();
    return buildSubtree(tree, NodeInput{std::move(rootFaces), {}, nullptr}, run);
}

} // namespace norvane
