// The walk keeps its own stack, so no tree depth can overflow the call stack; a node's input
// list is released as soon as its faces are distributed.
#include "bsp/partition.h"

#include <cassert>
#include <charconv>
#include <string_view>
#include <utility>

#include "bsp/child_counts.h"
#include "bsp/classify.h"
#include "bsp/plane_choice.h"
#include "bsp/split.h"

namespace norvane {
namespace {

// A progress line put together without printf: a deep tree prints one several times per node.
struct PhaseLine {
    char text[128];
    std::size_t size = 0;

    void append(std::string_view part) {
        assert(size + part.size() <= sizeof text);
        part.copy(text + size, part.size());
        size += part.size();
    }
    // `value` right-aligned in `width` columns, as printf's %*d writes it.
    void append(int value, std::size_t width) {
        char digits[16];
        const auto length = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
        for (std::size_t pad = length; pad < width; ++pad) append(" ");
        append(std::string_view(digits, length));
    }
};

// "\r    <stem> Level %3d <tag> %5d Faces [%3d%%]  "
void printPhase(BuildContext& ctx, const char* tag, std::size_t inputCount) {
    const BuildCounters& c = ctx.counters;
    const int percent =
        c.faceTotal == 0 ? 0 : static_cast<int>(double(c.facesPlaced) / double(c.faceTotal) * 100.0 + 0.5);
    PhaseLine line;
    line.append("\r    ");
    line.append(branchStem);
    line.append(" Level ");
    line.append(c.level, 3);
    line.append(" ");
    line.append(tag);
    line.append(" ");
    line.append(static_cast<int>(inputCount), 5);
    line.append(" Faces [");
    line.append(percent, 3);
    line.append("%]  ");
    ctx.console.write(std::string_view(line.text, line.size));
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

// The node's splitter, or -1 when it is a leaf, with the side of every input face against the
// splitter's plane.
std::int32_t chooseSplitter(BspTree& tree, NodeInput& in, BuildContext& ctx, std::vector<Side>& sides) {
    const std::vector<BspFace>& input = in.faces;
    const std::size_t n = input.size();
    std::int32_t splitter = ctx.skipPlaneSearch  ? -1
                            : ctx.straightforward ? choosePlaneReference(input, tree.vertices)
                                                  : choosePlane(input, tree.vertices, in.counts, ctx.threads, ctx.planeSearch);
    ctx.spinner.ticks(ctx.console, n); // one tick per candidate
    if (splitter < 0) return -1;
    const Plane plane = input[static_cast<std::size_t>(splitter)].plane;
    sides.resize(n);
    std::size_t front = 0, back = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sides[i] = classifyFace(plane, input[i], tree.vertices);
        front += sides[i] == Front;
        back += sides[i] == Back;
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

// Sends every input face where its side says, cutting the spanning ones. False when the tree
// outgrew the file format (the error line printed).
bool distribute(BspTree& tree, const Plane& plane, const std::vector<BspFace>& input, const std::vector<Side>& sides,
                BuildContext& ctx, std::vector<BspFace>& frontFaces, std::vector<BspFace>& backFaces,
                Distribution& out) {
    for (std::size_t i = 0; i < input.size(); ++i) {
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
            const SplitResult r = splitFace(tree, plane, face, frontFaces, backFaces);
            if (r == SplitResult::TooManyVertices) {
                ctx.console.print("\n");
                printError(ctx.console, "Tree too large for the BSP file format !");
                return false;
            }
            if (r == SplitResult::NoPattern) {
                // The node keeps what was distributed so far and the build goes on.
                printError(ctx.console, "Internal program error (maybe windows found ?)");
                out.splitFailed = true;
                return true;
            }
            out.frontOrigin.resize(frontFaces.size(), FaceOrigin::pieceOf(i));
            out.backOrigin.resize(backFaces.size(), FaceOrigin::pieceOf(i));
            ctx.counters.faceTotal += 2;
            out.flags |= hasFrontChild | hasBackChild;
            break;
        }
        }
        ctx.spinner.tick(ctx.console);
    }
    return true;
}

// Enters one node: chooses its plane and either keeps all faces as a leaf or distributes them
// over the node and its two children, deriving the children's counts where that pays.
Entered enterNode(BspTree& tree, std::int32_t nodeIndex, NodeInput& in, BuildContext& ctx, NodeInput& frontOut,
                  NodeInput& backOut) {
    BuildCounters& c = ctx.counters;
    ++c.nodesBuilt;
    if (++c.level > c.maxLevel) c.maxLevel = c.level;
    tree.nodes[static_cast<std::size_t>(nodeIndex)].depth = c.level;
    const std::size_t n = in.faces.size();
    printPhase(ctx, "-ALC-", n);
    printPhase(ctx, "-FRP-", n);

    std::vector<Side> sides;
    const std::int32_t splitter = chooseSplitter(tree, in, ctx, sides);
    if (splitter < 0) {
        tree.nodes[static_cast<std::size_t>(nodeIndex)].storedFaces = std::move(in.faces);
        c.facesPlaced += static_cast<std::int32_t>(n);
        leaveNode(ctx, n);
        return Entered::Leaf;
    }
    const Plane plane = in.faces[static_cast<std::size_t>(splitter)].plane;
    tree.nodes[static_cast<std::size_t>(nodeIndex)].plane = plane;
    tree.nodes[static_cast<std::size_t>(nodeIndex)].hasPlane = true;
    printPhase(ctx, "-PPL-", n);

    Distribution d;
    if (!distribute(tree, plane, in.faces, sides, ctx, frontOut.faces, backOut.faces, d)) return Entered::Stopped;
    BspNode& node = tree.nodes[static_cast<std::size_t>(nodeIndex)];
    node.flags = d.flags;
    node.storedFaces = std::move(d.stored);
    c.facesPlaced += static_cast<std::int32_t>(node.storedFaces.size());
    if (!ctx.straightforward && !d.splitFailed) {
        frontOut.counts = deriveChildCounts(in.faces, in.counts, frontOut.faces, d.frontOrigin, tree.vertices);
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

} // namespace

bool buildNodes(BspTree& tree, std::vector<BspFace> rootFaces, BuildContext& ctx) {
    std::vector<OpenNode> open;
    NodeInput input{std::move(rootFaces), {}};
    tree.nodes.emplace_back();
    std::int32_t current = 0;
    for (;;) {
        if (stopRequested(ctx)) return false; // the cancellation point: between two nodes
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
