// Choosing a node's splitting plane among the planes of its own faces, and cutting the faces
// that cross it.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/bsp_tree.h"
#include "bsp/classify.h"

namespace norvane {

// Plane-search weights.
constexpr std::int64_t imbalanceWeight = 5;
constexpr std::int64_t splitWeight = 75;
constexpr std::int64_t startingBestScore = 65535;

inline Side classifyFace(const Plane& p, const BspFace& f, const std::vector<Vertex>& vertices) {
    return classifyTriangle(p, vertices[f.verts[0]], vertices[f.verts[1]], vertices[f.verts[2]]);
}

// Index of the face whose plane splits the node best: the lowest score
// |front - back| * 5 + spanning * 75 below 65535, the earlier face on ties; -1 when the node
// is a leaf (no face crosses another's plane, and the faces are never in front of each other's
// planes or never behind them, or no candidate scores below 65535).
std::int32_t choosePlane(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices);

// A candidate's exact side counts over the other faces of its node, when known.
struct CandidateCounts {
    std::int32_t front = 0, back = 0, span = 0;
    bool known = false;

    // Counts one more (or, with -1, one fewer) face on `side`; faces in the plane are not counted.
    void add(Side side, int change) {
        if (side == Front) front += change;
        else if (side == Back) back += change;
        else if (side == Spanning) span += change;
    }
};
using NodeCounts = std::vector<CandidateCounts>;

// The same choice, starting from the counts already known for some candidates (a child's
// counts derived from its parent's). `counts` is sized to the faces if it is not; every
// candidate counted in full on the way is recorded in it, so the children can derive theirs.
// `threads` 0 lets large nodes use the machine's cores; 1 keeps the search on this thread.
std::int32_t choosePlane(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices, NodeCounts& counts,
                         unsigned threads);

// The straightforward search, every face against every candidate; the oracle of choosePlane.
std::int32_t choosePlaneReference(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices);

// The vertex where the edge from `start` to `end` meets the plane, interpolated in position,
// mapping coordinates and normal (the normal then normalised).
Vertex intersectEdge(const Vertex& start, const Vertex& end, const Plane& plane);

enum class SplitResult { Cut, NoPattern, TooManyVertices };

// Cuts a face that spans the plane into three pieces, appending two new vertices to the tree
// and the pieces to the two lists. Stops with TooManyVertices as soon as the vertex list
// outgrows the file format.
SplitResult splitFace(BspTree& tree, const Plane& plane, const BspFace& face, std::vector<BspFace>& frontList,
                      std::vector<BspFace>& backList);

} // namespace norvane
