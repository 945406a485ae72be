#include "bsp/prepared_node.h"

#include <algorithm>
#include <cstdint>

#include "bsp/local_numbering.h"
#include "bsp/plane_key.h"

namespace norvane {
namespace {

constexpr std::uint32_t noRank = UINT32_MAX;

// Numbers the planes that more than one face has, given each face's plane number among
// `planes`: slot[f] for face f, -1 for a plane of its own. `uses` and `slotOf` have room for
// every plane number and hold 0 and -1 throughout; they are put back before returning.
std::size_t numberShared(const std::vector<std::int32_t>& id, std::vector<std::int32_t>& uses,
                         std::vector<std::int32_t>& slotOf, std::vector<std::int32_t>& slot) {
    for (const std::int32_t p : id) ++uses[static_cast<std::size_t>(p)];
    std::size_t slots = 0;
    slot.assign(id.size(), -1);
    for (std::size_t f = 0; f < id.size(); ++f) {
        const auto p = static_cast<std::size_t>(id[f]);
        if (uses[p] < 2) continue;
        if (slotOf[p] < 0) slotOf[p] = static_cast<std::int32_t>(slots++);
        slot[f] = slotOf[p];
    }
    for (const std::int32_t p : id) uses[static_cast<std::size_t>(p)] = 0, slotOf[static_cast<std::size_t>(p)] = -1;
    return slots;
}

// Each face's plane number, bit-identical planes sharing one, found by hashing the planes.
// Returns how many planes there are.
std::size_t hashPlaneNumbers(const std::vector<BspFace>& faces, std::vector<std::int32_t>& id) {
    std::vector<PlaneKey> keys(faces.size());
    for (std::size_t f = 0; f < faces.size(); ++f) keys[f] = planeKey(faces[f].plane);
    return numberKeys(keys, id);
}

// Each face's plane number: bit-identical planes share one. A node whose faces all descend
// from the reference's takes them from the reference's numbers by face id (a piece keeps its
// face's plane), which saves hashing every node's planes afresh.
std::size_t numberSharedPlanes(const std::vector<BspFace>& faces, PlaneSearchScratch& scratch,
                               std::vector<std::int32_t>& slot) {
    const ReferenceHierarchy* reference = scratch.reference.get();
    std::vector<std::int32_t> id(faces.size());
    bool numbered = reference && !reference->planeOf.empty();
    for (std::size_t f = 0; numbered && f < faces.size(); ++f) {
        const auto face = static_cast<std::size_t>(faces[f].id);
        numbered = face < reference->planeOf.size() && reference->planeOf[face] >= 0;
        if (numbered) id[f] = reference->planeOf[face];
    }
    const std::size_t planes = numbered ? reference->planes : hashPlaneNumbers(faces, id);
    if (scratch.planeUses.size() < planes) scratch.planeUses.resize(planes, 0), scratch.planeSlots.resize(planes, -1);
    return numberShared(id, scratch.planeUses, scratch.planeSlots, slot);
}

// The node's box hierarchy. The first node prepared, the root, is cut afresh and becomes the
// reference; every later node's faces descend from its faces, and their hierarchy follows the
// reference's cuts, which costs a sort instead of a search for every cut.
BoxHierarchy buildHierarchy(const std::vector<BspFace>& faces, const PreparedNode& node, PlaneSearchScratch& scratch) {
    if (scratch.referenceTaken) {
        const ReferenceHierarchy& reference = *scratch.reference;
        std::vector<std::uint32_t> rank(faces.size());
        for (std::size_t f = 0; f < faces.size(); ++f) {
            const auto id = static_cast<std::size_t>(faces[f].id);
            if (id >= reference.rank.size() || reference.rank[id] == noRank)
                return buildBoxHierarchy(node.corners, node.local); // not from the reference's faces
            rank[f] = reference.rank[id];
        }
        return buildBoxHierarchyAlong(reference.boxes, rank, node.corners, node.local);
    }
    // The planes are numbered on a worker while the top of the boxes is cut: a large root's
    // two serial steps, and neither needs the other.
    std::vector<std::int32_t> id;
    std::size_t planes = 0;
    BoxHierarchy h =
        buildBoxHierarchy(node.corners, node.local, scratch.pool, [&] { planes = hashPlaneNumbers(faces, id); });
    scratch.referenceTaken = true;
    auto reference = std::make_shared<ReferenceHierarchy>();
    scratch.reference = reference;
    std::size_t ids = 0;
    for (const BspFace& f : faces) {
        if (f.id < 0) return h; // no order to follow
        ids = std::max(ids, static_cast<std::size_t>(f.id) + 1);
    }
    reference->rank.assign(ids, noRank);
    for (std::size_t i = 0; i < faces.size(); ++i) {
        std::uint32_t& r = reference->rank[static_cast<std::size_t>(faces[h.order[i]].id)];
        if (r != noRank) { // two faces with one id: no order to follow
            reference->rank.clear();
            return h;
        }
        r = static_cast<std::uint32_t>(i);
    }
    reference->boxes = h.boxes;
    reference->planes = planes;
    reference->planeOf.assign(ids, -1);
    for (std::size_t f = 0; f < faces.size(); ++f) reference->planeOf[static_cast<std::size_t>(faces[f].id)] = id[f];
    return h;
}

} // namespace

PreparedNode prepareNode(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices,
                         PlaneSearchScratch& scratch) {
    PreparedNode node;
    node.faces = &faces;
    LocalNumbering number(vertices, scratch.localIndex);
    node.corners.resize(faces.size());
    for (std::size_t f = 0; f < faces.size(); ++f)
        for (std::size_t k = 0; k < 3; ++k) node.corners[f][k] = number(faces[f].verts[k]);
    node.local = number.localVertices();
    node.boxes = buildHierarchy(faces, node, scratch);
    node.sharedPlanes = numberSharedPlanes(faces, scratch, node.sharedSlot);
    return node;
}

} // namespace norvane
