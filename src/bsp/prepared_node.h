// A node prepared for the box search: its corners renumbered into a compact list of its own
// vertices, the box hierarchy over its faces, and the planes that several of its faces share.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "bsp/box_hierarchy.h"
#include "bsp/bsp_tree.h"
#include "bsp/search_stats.h"
#include "bsp/worker_pool.h"

namespace norvane {

struct PreparedNode {
    const std::vector<BspFace>* faces = nullptr;
    std::vector<std::array<std::uint32_t, 3>> corners; // each face's corners, indices into `local`
    std::vector<Vertex> local;                         // the node's vertices, in order of first use
    BoxHierarchy boxes;
    // Candidates with bit-identical planes see the other faces alike: per face, the number of
    // its plane among the planes that several faces have, or -1 for a plane of its own.
    std::vector<std::int32_t> sharedSlot;
    std::size_t sharedPlanes = 0;

    const Plane& plane(std::int32_t face) const { return (*faces)[static_cast<std::size_t>(face)].plane; }
    Side classifyOwn(const Plane& p, std::size_t face) const {
        return classifyTriangle(p, local[corners[face][0]], local[corners[face][1]], local[corners[face][2]]);
    }
};

// The first prepared node's hierarchy, which later nodes' hierarchies follow.
struct ReferenceHierarchy {
    std::vector<HierarchyBox> boxes; // empty when the first node had no order to follow
    std::vector<std::uint32_t> rank; // by initial face id: its position in the order
    // By initial face id, the number of its plane (-1 for an id no face has): bit-identical
    // planes share one, and there are `planes` of them. Empty when the ids give no order.
    std::vector<std::int32_t> planeOf;
    std::size_t planes = 0;
};

// What the build keeps for the plane search from node to node: the global-to-local vertex map,
// all -1 between nodes, so a deep tree of small nodes does not allocate it again and again; and
// the reference hierarchy, shared with the searches that run ahead on other threads.
struct PlaneSearchScratch {
    std::vector<std::int32_t> localIndex;
    PlaneSearchStats* stats = nullptr; // gathered here when set
    WorkerPool* pool = nullptr;        // shares a large node's candidates with its workers when set
    bool referenceTaken = false;
    std::shared_ptr<const ReferenceHierarchy> reference; // set once taken
    std::vector<std::int32_t> planeUses, planeSlots;     // per plane number, 0 and -1 between nodes
};

// Prepares the node; `faces` must outlive the result.
PreparedNode prepareNode(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices,
                         PlaneSearchScratch& scratch);

} // namespace norvane
