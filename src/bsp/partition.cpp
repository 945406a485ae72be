// The partitioner: builds the nodes depth first, front subtree before back subtree, with one
// overwritten progress line per phase of each node. The walk keeps its own stack, so no tree
// depth can overflow the call stack; a node's input list is released as soon as its faces are
// distributed.
#include <utility>

#include "bsp/build_tree.h"
#include "bsp/child_counts.h"
#include "bsp/plane_choice.h"

namespace norvane {
namespace {

void printPhase(BuildContext& ctx, const char* tag, std::size_t inputCount) {
    const BuildCounters& c = ctx.counters;
    const int percent =
        c.faceTotal == 0 ? 0 : static_cast<int>(double(c.facesPlaced) / double(c.faceTotal) * 100.0 + 0.5);
    ctx.console.print("\r    %s Level %3d %s %5d Faces [%3d%%]  ", branchStem, c.level, tag, static_cast<int>(inputCount),
                      percent);
}

void leaveNode(BuildContext& ctx, std::size_t inputCount) {
    printPhase(ctx, "-BCK-", inputCount);
    --ctx.counters.level;
}

enum class Entered { Leaf, Interior, Stopped };

// A list of faces on its way to a node, with what is known of its candidates' counts.
struct NodeInput {
    std::vector<BspFace> faces;
    NodeCounts counts;
};

// Enters one node: chooses its plane and either keeps all faces as a leaf or distributes them
// over the node and its two children, deriving the children's counts where that pays.
Entered enterNode(BspTree& tree, std::int32_t nodeIndex, NodeInput& in, BuildContext& ctx, NodeInput& frontOut,
                  NodeInput& backOut) {
    std::vector<BspFace>& input = in.faces;
    std::vector<BspFace>& frontFaces = frontOut.faces;
    std::vector<BspFace>& backFaces = backOut.faces;
    BuildCounters& c = ctx.counters;
    ++c.nodesBuilt;
    if (++c.level > c.maxLevel) c.maxLevel = c.level;
    tree.nodes[nodeIndex].depth = c.level;
    const std::size_t n = input.size();
    printPhase(ctx, "-ALC-", n);
    printPhase(ctx, "-FRP-", n);

    std::int32_t splitter = ctx.skipPlaneSearch  ? -1
                            : ctx.straightforward ? choosePlaneReference(input, tree.vertices)
                                                  : choosePlane(input, tree.vertices, in.counts, ctx.threads);
    ctx.spinner.ticks(ctx.console, n); // one tick per candidate

    std::vector<Side> sides;
    if (splitter >= 0) {
        const Plane plane = input[static_cast<std::size_t>(splitter)].plane;
        sides.resize(n);
        std::size_t front = 0, back = 0;
        for (std::size_t i = 0; i < n; ++i) {
            sides[i] = classifyFace(plane, input[i], tree.vertices);
            front += sides[i] == Front;
            back += sides[i] == Back;
        }
        // A plane that would send every face to the same child makes no progress: the
        // recursion would never end, so the node becomes a leaf instead.
        if (front == n || back == n) splitter = -1;
    }

    BspNode* node = &tree.nodes[nodeIndex];
    if (splitter < 0) {
        node->storedFaces = std::move(input);
        c.facesPlaced += static_cast<std::int32_t>(n);
        leaveNode(ctx, n);
        return Entered::Leaf;
    }

    node->plane = input[static_cast<std::size_t>(splitter)].plane;
    node->hasPlane = true;
    printPhase(ctx, "-PPL-", n);

    const Plane plane = node->plane;
    std::uint32_t flags = 0;
    std::vector<BspFace> stored;
    // Where each child face came from: its index in the input, or -2 - that index for a piece.
    std::vector<std::int32_t> frontOrigin, backOrigin;
    bool splitFailed = false;
    for (std::size_t i = 0; i < n; ++i) {
        const BspFace& face = input[i];
        switch (sides[i]) {
        case Front:
            frontFaces.push_back(face);
            frontOrigin.push_back(static_cast<std::int32_t>(i));
            flags |= hasFrontChild;
            break;
        case Back:
            backFaces.push_back(face);
            backOrigin.push_back(static_cast<std::int32_t>(i));
            flags |= hasBackChild;
            break;
        case On: // faces in the plane stay at the node, whichever way they face
            stored.push_back(face);
            break;
        default: {
            const SplitResult r = splitFace(tree, plane, face, frontFaces, backFaces);
            if (r == SplitResult::TooManyVertices) {
                ctx.console.print("\n");
                printError(ctx.console, "Tree too large for the BSP file format !");
                return Entered::Stopped;
            }
            if (r == SplitResult::NoPattern) {
                // The node keeps what was distributed so far and the build goes on.
                printError(ctx.console, "Internal program error (maybe windows found ?)");
                splitFailed = true;
                break;
            }
            frontOrigin.resize(frontFaces.size(), -2 - static_cast<std::int32_t>(i));
            backOrigin.resize(backFaces.size(), -2 - static_cast<std::int32_t>(i));
            c.faceTotal += 2;
            flags |= hasFrontChild | hasBackChild;
            break;
        }
        }
        if (splitFailed) break;
        ctx.spinner.tick(ctx.console);
    }
    node = &tree.nodes[nodeIndex];
    node->flags = flags;
    node->storedFaces = std::move(stored);
    c.facesPlaced += static_cast<std::int32_t>(node->storedFaces.size());
    if (!ctx.straightforward && !splitFailed) {
        frontOut.counts = deriveChildCounts(input, in.counts, frontFaces, frontOrigin, tree.vertices);
        backOut.counts = deriveChildCounts(input, in.counts, backFaces, backOrigin, tree.vertices);
    }
    std::vector<BspFace>().swap(input);
    NodeCounts().swap(in.counts);
    return Entered::Interior;
}

// A node whose children are being built.
struct OpenNode {
    std::int32_t node;
    std::size_t inputCount;
    NodeInput back;
    bool backDone;
};

} // namespace

bool buildNodes(BspTree& tree, std::vector<BspFace> rootFaces, BuildContext& ctx) {
    std::vector<OpenNode> open;
    NodeInput input{std::move(rootFaces), {}};
    tree.nodes.emplace_back();
    std::int32_t current = 0;
    for (;;) {
        const std::size_t inputCount = input.faces.size();
        NodeInput front, back;
        const Entered entered = enterNode(tree, current, input, ctx, front, back);
        if (entered == Entered::Stopped) return false;
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
            leaveNode(ctx, top.inputCount);
            open.pop_back();
        }
        if (!descended) return true;
    }
}

} // namespace norvane
