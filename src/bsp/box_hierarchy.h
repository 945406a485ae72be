// Axis-aligned boxes around groups of faces, the one test that decides on which side of a
// plane a whole box lies, and the hierarchy of such boxes over a node's faces that the plane
// search counts with: a box wholly beyond the tolerance band of a candidate's plane holds only
// faces of one side, which are counted at once; boxes in or near the band are opened down to
// leaves whose faces are classified exactly.
#pragma once

#include <array>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "bsp/classify.h"
#include "bsp/corner_block.h"
#include "bsp/vertex_block.h"
#include "bsp/worker_pool.h"

namespace norvane {

// A box: centre and half size per axis, and the largest coordinate magnitude inside it,
// infinite when a coordinate is not finite (such a box is never decided whole).
struct Box {
    double mid[3] = {0, 0, 0};
    double half[3] = {0, 0, 0};
    double magnitude = HUGE_VAL;
};

// Grows the bounds of a group of points.
struct BoxBuilder {
    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
    double hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    bool nonFinite = false; // a coordinate is not finite

    void add(double x, double y, double z);
    void add(const Vertex& v) { add(v.x, v.y, v.z); }
    void add(const BoxBuilder& other);
    Box box() const;
};

// The two children of an opened box, their bounds lane by lane so that both are tested at
// once: children always come in pairs, boxes 2p + 1 and 2p + 2 forming pair p.
struct alignas(16) BoxPair {
    double midX[2], midY[2], midZ[2];
    double halfX[2], halfY[2], halfZ[2];
    double magnitude[2];
    std::uint32_t count[2];
    std::int32_t left[2]; // each box's own children, -1 for a leaf
};

// Both lanes' answers: 1 where a box is wholly Front (or Back), 0 otherwise.
struct PairSides {
    std::uint32_t front[2], back[2];
};

// A plane prepared for testing whole boxes.
//
// The distance of a point is rounded to float from a double sum whose error is far below 1e-12
// of the magnitudes summed, and rounding is monotone; so a box whose plane value, centre minus
// reach, clears the first float beyond the tolerance by 1e-12 of the largest magnitudes involved
// holds only points that classify as Front (and the mirror for Back). Anything nearer, or any
// NaN, leaves the box undecided.
class PlaneBoxTest {
  public:
    explicit PlaneBoxTest(const Plane& p)
        : a_(p.a), b_(p.b), c_(p.c), d_(p.d), absA_(std::fabs(a_)), absB_(std::fabs(b_)), absC_(std::fabs(c_)),
          marginScale_(1e-12 * (absA_ + absB_ + absC_)), marginBase_(1e-12 * std::fabs(d_)) {}
    // Front or Back when every point of the box is certainly beyond the tolerance band; On when
    // undecided.
    Side side(const Box& box) const {
        const double centre = a_ * box.mid[0] + b_ * box.mid[1] + c_ * box.mid[2] + d_;
        const double reach = absA_ * box.half[0] + absB_ * box.half[1] + absC_ * box.half[2];
        const double margin = marginScale_ * box.magnitude + marginBase_;
        if (centre - reach - margin > frontLimit) return Front; // NaN comparisons fail: undecided
        if (centre + reach + margin < backLimit) return Back;
        return On;
    }

    // Both boxes of a pair, each lane by the same operations in the same order as side(), so
    // with the same answers; told as numbers rather than branches, since the walk's boxes fall
    // on either side at random and a mispredicted branch costs more than the test.
    PairSides sides(const BoxPair& p) const {
        using Lanes = double __attribute__((vector_size(16)));
        Lanes mx, my, mz, hx, hy, hz, mag;
        __builtin_memcpy(&mx, p.midX, sizeof mx), __builtin_memcpy(&my, p.midY, sizeof my);
        __builtin_memcpy(&mz, p.midZ, sizeof mz), __builtin_memcpy(&hx, p.halfX, sizeof hx);
        __builtin_memcpy(&hy, p.halfY, sizeof hy), __builtin_memcpy(&hz, p.halfZ, sizeof hz);
        __builtin_memcpy(&mag, p.magnitude, sizeof mag);
        const Lanes centre = a_ * mx + b_ * my + c_ * mz + d_;
        const Lanes reach = absA_ * hx + absB_ * hy + absC_ * hz;
        const Lanes margin = marginScale_ * mag + marginBase_;
        const auto front = centre - reach - margin > frontLimit; // all ones where true
        const auto back = centre + reach + margin < backLimit;
        return {{static_cast<std::uint32_t>(front[0] & 1), static_cast<std::uint32_t>(front[1] & 1)},
                {static_cast<std::uint32_t>(back[0] & 1), static_cast<std::uint32_t>(back[1] & 1)}};
    }

    // The first floats beyond the tolerance band.
    static inline const double frontLimit = std::nextafter(planeTolerance, 1.0f);
    static inline const double backLimit = std::nextafter(-planeTolerance, -1.0f);

  private:
    double a_, b_, c_, d_, absA_, absB_, absC_, marginScale_, marginBase_;
};

// Faces per leaf box of the hierarchy at most: one padded corner block.
constexpr std::uint32_t hierarchyLeafSize = paddedBlockFaces;

struct HierarchyBox {
    Box bounds;
    std::uint32_t first = 0, count = 0; // the faces order[first, first + count)
    std::int32_t left = -1;             // the children are left and left + 1; -1 for a leaf
    std::uint32_t block = 0;            // a leaf's corner block and masks
    // A leaf's vertex block: its distinct vertices from vertexFirst on, in vertexSlots slots;
    // no slots when it has more than maxBlockVertices, and it is tallied from its corners.
    std::uint32_t vertexFirst = 0, vertexSlots = 0;
};

// Boxes laid out breadth first with the two children of a box side by side, the order the
// search visits them in; each leaf box's faces contiguous in `order`, their corners copied in
// the same order into a padded block of its own, so a leaf is classified from one block.
struct BoxHierarchy {
    std::vector<HierarchyBox> boxes; // boxes[0] holds every face
    std::vector<BoxPair> pairs;      // the children of boxes[b] are pairs[pairOf(boxes[b].left)]
    std::vector<std::uint32_t> order;
    // The corners' coordinates, one array per axis, in padded blocks (corner_block.h): the leaf
    // with block b holding the faces order[first, first + count) keeps corner k of face
    // order[first + i] at cornerAt(b, i, k); its slots past `count` hold zeros.
    std::vector<float> cornerX, cornerY, cornerZ;
    // The leaves' vertex blocks (vertex_block.h): coordinates one array per axis, and per leaf
    // block b the masks of the faces order[first, first + count) at faceMasks[b * paddedBlockFaces + i].
    std::vector<double> vertexX, vertexY, vertexZ;
    std::vector<std::uint64_t> faceMasks;
    std::vector<std::uint32_t> narrowFaceMasks; // the same, in 32 bits, for blocks that fit them

    static std::size_t pairOf(std::int32_t left) {
        assert(left > 0 && left % 2 == 1 && "children in pairs after the root");
        return static_cast<std::size_t>(left - 1) / 2;
    }
    static std::size_t cornerAt(std::uint32_t block, std::uint32_t i, std::uint32_t k) {
        return (3 * std::size_t{block} + k) * paddedBlockFaces + i;
    }
    CornerBlock leafBlock(const HierarchyBox& leaf) const {
        const std::size_t at = cornerAt(leaf.block, 0, 0);
        return {cornerX.data() + at, cornerY.data() + at, cornerZ.data() + at, leaf.count, paddedBlockFaces};
    }
    VertexBlock vertexBlock(const HierarchyBox& leaf) const {
        const std::size_t at = std::size_t{leaf.block} * paddedBlockFaces;
        return {vertexX.data() + leaf.vertexFirst,
                vertexY.data() + leaf.vertexFirst,
                vertexZ.data() + leaf.vertexFirst,
                leaf.vertexSlots,
                faceMasks.data() + at,
                leaf.vertexSlots <= narrowBlockVertices ? narrowFaceMasks.data() + at : nullptr};
    }
};

// Two sibling boxes laid out as a pair.
BoxPair boxPairOf(const HierarchyBox& first, const HierarchyBox& second);

// Builds the hierarchy over faces given as corner indices into `local`. A box is cut across the
// widest spread of its faces' centres where the two halves' surfaces, weighted by their faces,
// are least, until it holds hierarchyLeafSize faces or fewer; only a large root first puts the
// faces wider than a tenth of it (walls, floors) into a subtree of their own. A large root's
// boxes are cut on the pool's threads at once when a pool is given, to the same boxes; then
// `meanwhile`, when given, runs on a worker while the top of the hierarchy is cut on the
// calling thread (on the calling thread at the end otherwise), and is done on return.
BoxHierarchy buildBoxHierarchy(const std::vector<std::array<std::uint32_t, 3>>& corners,
                               const std::vector<Vertex>& local, WorkerPool* pool = nullptr,
                               const std::function<void()>& meanwhile = {});

// The same over a node's faces, following the cuts of `reference`, a hierarchy built over
// faces the node's faces are or come from: rank[f] is the position of face f's origin in the
// reference's order. Much cheaper than cutting afresh, and as tight where the faces are alike.
BoxHierarchy buildBoxHierarchyAlong(const std::vector<HierarchyBox>& reference, const std::vector<std::uint32_t>& rank,
                                    const std::vector<std::array<std::uint32_t, 3>>& corners,
                                    const std::vector<Vertex>& local);

} // namespace norvane
