#include "bsp/box_hierarchy.h"

#include <algorithm>
#include <cassert>
#include <functional>

namespace norvane {

void BoxBuilder::add(double x, double y, double z) {
    const double p[3] = {x, y, z};
    for (int k = 0; k < 3; ++k) {
        if (!std::isfinite(p[k])) {
            nonFinite = true;
            continue;
        }
        lo[k] = std::min(lo[k], p[k]);
        hi[k] = std::max(hi[k], p[k]);
    }
}

void BoxBuilder::add(const BoxBuilder& other) {
    for (int k = 0; k < 3; ++k) {
        lo[k] = std::min(lo[k], other.lo[k]);
        hi[k] = std::max(hi[k], other.hi[k]);
    }
    nonFinite = nonFinite || other.nonFinite;
}

Box BoxBuilder::box() const {
    Box b;
    double magnitude = 0;
    for (int k = 0; k < 3; ++k) {
        b.mid[k] = (lo[k] + hi[k]) / 2;
        b.half[k] = (hi[k] - lo[k]) / 2;
        magnitude = std::max({magnitude, std::fabs(lo[k]), std::fabs(hi[k])});
    }
    b.magnitude = nonFinite ? HUGE_VAL : magnitude;
    return b;
}

namespace {

// Faces from which a root's halves are cut on two threads.
constexpr std::size_t parallelCuts = 4096;

// What building needs of a face, moved along with the faces as the boxes are cut, so each cut
// reads its faces in order: the centre, summed over its corners (0 where that is not finite),
// the key boxes are cut by; the bounds, all zero for a face with a corner that is not finite.
struct FaceRecord {
    float centre[3];
    float lo[3], hi[3];
    std::uint32_t face;
    bool finite;
};

void fillRecords(const std::vector<std::array<std::uint32_t, 3>>& corners, const std::vector<Vertex>& local,
                 std::size_t begin, std::size_t end, std::vector<FaceRecord>& records) {
    for (std::size_t f = begin; f < end; ++f) {
        const Vertex& p = local[corners[f][0]];
        const Vertex& q = local[corners[f][1]];
        const Vertex& r = local[corners[f][2]];
        FaceRecord& e = records[f];
        const double sum[3] = {(double(p.x) + q.x) + r.x, (double(p.y) + q.y) + r.y, (double(p.z) + q.z) + r.z};
        for (int k = 0; k < 3; ++k) {
            const auto c = static_cast<float>(sum[k]);
            e.centre[k] = std::isfinite(c) ? c : 0.0f;
        }
        const float lo[3] = {std::min({p.x, q.x, r.x}), std::min({p.y, q.y, r.y}), std::min({p.z, q.z, r.z})};
        const float hi[3] = {std::max({p.x, q.x, r.x}), std::max({p.y, q.y, r.y}), std::max({p.z, q.z, r.z})};
        e.finite = true;
        for (int k = 0; k < 3; ++k) e.finite = e.finite && std::isfinite(lo[k]) && std::isfinite(hi[k]);
        for (int k = 0; k < 3; ++k) e.lo[k] = e.finite ? lo[k] : 0, e.hi[k] = e.finite ? hi[k] : 0;
        e.face = static_cast<std::uint32_t>(f);
    }
}

// The records of every face, made by the pool's threads together when one is given.
std::vector<FaceRecord> faceRecords(const std::vector<std::array<std::uint32_t, 3>>& corners,
                                    const std::vector<Vertex>& local, WorkerPool* pool) {
    std::vector<FaceRecord> records(corners.size());
    const std::size_t parts = pool ? pool->workers() + 1 : 1, n = corners.size();
    const auto fillPart = [&](std::size_t part) {
        fillRecords(corners, local, n * part / parts, n * (part + 1) / parts, records);
    };
    std::vector<WorkerPool::TaskHandle> tasks;
    for (std::size_t part = 1; part < parts; ++part) tasks.push_back(pool->submit([&, part] { fillPart(part); }));
    try {
        fillPart(0);
    } catch (...) {
        if (pool) pool->finishAll(tasks); // they use this frame's records
        throw;
    }
    if (pool) pool->finishAll(tasks);
    return records;
}

// Splits the root box in two when it is large and holds faces wider than a tenth of its own
// widest extent: those go into a subtree of their own. A level's walls and floors would
// otherwise stretch every box they fall into across a whole room, and a plane crosses such
// boxes wherever it passes. False when the root is split the ordinary way.
bool splitWideFacesApart(BoxHierarchy& h, std::vector<FaceRecord>& records) {
    constexpr std::uint32_t smallestRoot = 128;
    const std::uint32_t count = h.boxes[0].count;
    if (count < smallestRoot) return false;
    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const FaceRecord& e : records)
        for (int k = 0; k < 3; ++k)
            if (e.finite) lo[k] = std::min<double>(lo[k], e.lo[k]), hi[k] = std::max<double>(hi[k], e.hi[k]);
    const double extent = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
    if (!std::isfinite(extent)) return false;
    const auto wideEnd = std::stable_partition(records.begin(), records.end(), [&](const FaceRecord& e) {
        const double width =
            std::max({double(e.hi[0]) - e.lo[0], double(e.hi[1]) - e.lo[1], double(e.hi[2]) - e.lo[2]});
        return width > extent / 10;
    });
    const auto wide = static_cast<std::uint32_t>(wideEnd - records.begin());
    if (wide == 0 || wide == count) return false;
    h.boxes[0].left = 1;
    h.boxes.push_back(HierarchyBox{{}, 0, wide, -1});
    h.boxes.push_back(HierarchyBox{{}, wide, count - wide, -1});
    return true;
}

// The faces whose centres fall into one slice of a box, and their bounds.
struct Bin {
    std::uint32_t count = 0;
    float lo[3] = {HUGE_VALF, HUGE_VALF, HUGE_VALF}, hi[3] = {-HUGE_VALF, -HUGE_VALF, -HUGE_VALF};

    void add(const FaceRecord& e) {
        ++count;
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], e.lo[k]), hi[k] = std::max(hi[k], e.hi[k]);
    }
    void add(const Bin& o) {
        count += o.count;
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], o.lo[k]), hi[k] = std::max(hi[k], o.hi[k]);
    }
    // What a box of these faces costs the search: a plane crosses a box about as often as its
    // surface is large, and a crossed box is opened down to whole leaves.
    double cost() const {
        if (count == 0) return 0;
        const double x = double(hi[0]) - lo[0], y = double(hi[1]) - lo[1], z = double(hi[2]) - lo[2];
        const std::uint32_t leaves = (count + hierarchyLeafSize - 1) / hierarchyLeafSize;
        return double(leaves * hierarchyLeafSize) * (x * y + y * z + z * x);
    }
};

// Cuts one box in two, appending its children, unless it is small enough for a leaf. A box is
// cut across the widest spread of its faces' centres, at the boundary of 16 equal slices that
// costs least. Cutting at the median instead stretches boxes from a dense cluster (a sphere, a
// column) across the empty room beside it, where every plane through the room crosses them.
void splitBox(BoxHierarchy& h, std::vector<FaceRecord>& records, std::size_t index) {
    constexpr int slices = 16;
    if (h.boxes[index].count <= hierarchyLeafSize) return;
    const std::uint32_t first = h.boxes[index].first, count = h.boxes[index].count;
    const auto begin = records.begin() + first, end = begin + count;
    float lo[3] = {HUGE_VALF, HUGE_VALF, HUGE_VALF}, hi[3] = {-HUGE_VALF, -HUGE_VALF, -HUGE_VALF};
    for (auto e = begin; e != end; ++e)
        for (std::size_t k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], e->centre[k]);
            hi[k] = std::max(hi[k], e->centre[k]);
        }
    std::size_t axis = 0;
    for (std::size_t k = 1; k < 3; ++k)
        if (hi[k] - lo[k] > hi[axis] - lo[axis]) axis = k;
    std::uint32_t half = count / 2; // faces whose centres all coincide are halved as they are
    const double scale = slices / (double(hi[axis]) - lo[axis]);
    if (std::isfinite(scale) && scale > 0) {
        // The slice of the highest centre is the last, so both sides of every boundary
        // below it hold faces.
        auto sliceOf = [&](const FaceRecord& e) {
            return static_cast<int>(std::min<double>(slices - 1, (double(e.centre[axis]) - lo[axis]) * scale));
        };
        Bin bin[slices];
        for (auto e = begin; e != end; ++e) bin[sliceOf(*e)].add(*e);
        double belowCost[slices];
        Bin below, above;
        for (int b = 0; b < slices - 1; ++b) below.add(bin[b]), belowCost[b] = below.cost();
        double bestCost = HUGE_VAL;
        int boundary = 0;
        for (int b = slices - 1; b > 0; --b) {
            above.add(bin[b]);
            const double c = belowCost[b - 1] + above.cost();
            if (above.count < count && c < bestCost) bestCost = c, boundary = b;
        }
        if (boundary > 0)
            half = static_cast<std::uint32_t>(
                std::partition(begin, end, [&](const FaceRecord& e) { return sliceOf(e) < boundary; }) - begin);
    }
    assert(half > 0 && half < count);
    h.boxes[index].left = static_cast<std::int32_t>(h.boxes.size());
    h.boxes.push_back(HierarchyBox{{}, first, half, -1});
    h.boxes.push_back(HierarchyBox{{}, first + half, count - half, -1});
}

// Splits the boxes in index order while appending the children, which lays them out breadth
// first; the boxes before `from` are split already.
void splitBoxes(BoxHierarchy& h, std::vector<FaceRecord>& records, std::size_t from) {
    for (std::size_t index = from; index < h.boxes.size(); ++index) splitBox(h, records, index);
}

// Puts the boxes of `sub`, split on their own from box `at` of `h`, in place of that box and
// after the boxes of `h`, keeping every pair of children side by side.
void graft(BoxHierarchy& h, std::size_t at, const BoxHierarchy& sub) {
    const std::size_t base = h.boxes.size() - 1; // sub's box k > 0 becomes box base + k
    const auto moved = [&](HierarchyBox box) {
        if (box.left >= 0) box.left += static_cast<std::int32_t>(base);
        return box;
    };
    h.boxes[at] = moved(sub.boxes[0]);
    for (std::size_t k = 1; k < sub.boxes.size(); ++k) h.boxes.push_back(moved(sub.boxes[k]));
}

// The boxes still to be split dealt out to `parts` parts, the largest first to the part that
// holds the fewest faces so far; `fullest` is how many faces the fullest part holds.
std::vector<std::vector<std::size_t>> dealBoxes(const BoxHierarchy& h, std::vector<std::size_t> open, std::size_t parts,
                                                std::uint64_t& fullest) {
    std::sort(open.begin(), open.end(), [&](std::size_t a, std::size_t b) {
        return h.boxes[a].count != h.boxes[b].count ? h.boxes[a].count > h.boxes[b].count : a < b;
    });
    std::vector<std::vector<std::size_t>> dealt(parts);
    std::vector<std::uint64_t> load(parts, 0);
    for (const std::size_t box : open) {
        const auto part = static_cast<std::size_t>(std::min_element(load.begin(), load.end()) - load.begin());
        dealt[part].push_back(box);
        load[part] += h.boxes[box].count;
    }
    fullest = *std::max_element(load.begin(), load.end());
    return dealt;
}

// Whether the open boxes deal out to the parts within a tenth above an even share.
bool dealtEvenly(const BoxHierarchy& h, const std::vector<std::size_t>& open, std::size_t parts) {
    std::uint64_t fullest = 0, sum = 0;
    dealBoxes(h, open, parts, fullest);
    for (const std::size_t b : open) sum += h.boxes[b].count;
    return 10 * fullest * parts <= 11 * sum;
}

// Splits the top of the hierarchy on the calling thread, always its largest open box, until
// the open boxes deal out to the threads about evenly, then each thread splits its own: the
// boxes hold disjoint runs of the records. A large root's cuts are the one part of the search
// no other thread can help with otherwise, and a level's root is no even pair of halves: its
// wide faces are a small subtree beside a large one. The boxes are laid out part by part
// below the top instead of breadth first, which no walk notices: it visits children in the
// same order whatever their numbers.
void splitInThreads(BoxHierarchy& h, std::vector<FaceRecord>& records, bool rootSplit, WorkerPool& pool) {
    constexpr int mostOpenedHere = 64;
    const std::size_t parts = pool.workers() + 1;
    if (!rootSplit) splitBox(h, records, 0);
    std::vector<std::size_t> open; // boxes not yet split that hold more than a leaf
    for (std::size_t b = 1; b < h.boxes.size(); ++b)
        if (h.boxes[b].count > hierarchyLeafSize) open.push_back(b);
    for (int opened = 0; opened < mostOpenedHere && !open.empty() && !dealtEvenly(h, open, parts); ++opened) {
        const auto largest = std::max_element(open.begin(), open.end(), [&](std::size_t a, std::size_t b) {
            return h.boxes[a].count < h.boxes[b].count;
        });
        const std::size_t box = *largest;
        open.erase(largest);
        splitBox(h, records, box);
        const auto left = static_cast<std::size_t>(h.boxes[box].left);
        for (const std::size_t child : {left, left + 1})
            if (h.boxes[child].count > hierarchyLeafSize) open.push_back(child);
    }
    std::uint64_t fullest = 0;
    const std::vector<std::vector<std::size_t>> dealt = dealBoxes(h, open, parts, fullest);
    std::vector<std::vector<BoxHierarchy>> subs(parts);
    const auto splitPart = [&](std::size_t part) {
        for (const std::size_t box : dealt[part]) {
            BoxHierarchy sub;
            sub.boxes.push_back(h.boxes[box]);
            splitBoxes(sub, records, 0);
            subs[part].push_back(std::move(sub));
        }
    };
    std::vector<WorkerPool::TaskHandle> tasks;
    for (std::size_t part = 1; part < parts; ++part) tasks.push_back(pool.submit([&, part] { splitPart(part); }));
    try {
        splitPart(0);
    } catch (...) {
        pool.finishAll(tasks); // they use this frame's lists
        throw;
    }
    pool.finishAll(tasks);
    for (std::size_t part = 0; part < parts; ++part)
        for (std::size_t k = 0; k < dealt[part].size(); ++k) graft(h, dealt[part][k], subs[part][k]);
}

// Bounds bottom up: a leaf's from its vertices or corners, a parent's from its children's.
void boundBoxes(BoxHierarchy& h) {
    std::vector<BoxBuilder> bounds(h.boxes.size());
    for (std::size_t index = h.boxes.size(); index-- > 0;) {
        HierarchyBox& box = h.boxes[index];
        BoxBuilder& b = bounds[index];
        if (box.left < 0 && box.vertexSlots > 0) {
            for (std::uint32_t k = box.vertexFirst; k < box.vertexFirst + box.vertexSlots; ++k)
                b.add(h.vertexX[k], h.vertexY[k], h.vertexZ[k]);
        } else if (box.left < 0) {
            for (std::uint32_t k = 0; k < 3; ++k)
                for (std::uint32_t i = 0; i < box.count; ++i) {
                    const std::size_t c = BoxHierarchy::cornerAt(box.block, i, k);
                    b.add(h.cornerX[c], h.cornerY[c], h.cornerZ[c]);
                }
        } else {
            b.add(bounds[static_cast<std::size_t>(box.left)]);
            b.add(bounds[static_cast<std::size_t>(box.left) + 1]);
        }
        box.bounds = b.box();
    }
}

// Lays every opened box's children out as a pair.
void pairBoxes(BoxHierarchy& h) {
    h.pairs.assign(h.boxes.size() / 2, BoxPair{});
    for (const HierarchyBox& box : h.boxes)
        if (box.left >= 0) {
            const auto left = static_cast<std::size_t>(box.left);
            h.pairs[BoxHierarchy::pairOf(box.left)] = boxPairOf(h.boxes[left], h.boxes[left + 1]);
        }
}

// Appends a leaf's vertex block: its distinct vertices in order of first use, the slots past
// them filled with the first (so the box bounds hold), and each face's mask of them.
void appendVertexBlock(BoxHierarchy& h, HierarchyBox& leaf, std::uint32_t block,
                       const std::vector<std::uint32_t>& vertices, const std::vector<std::uint32_t>& slotOf,
                       const std::vector<std::array<std::uint32_t, 3>>& corners, const std::vector<Vertex>& local) {
    leaf.block = block;
    leaf.vertexFirst = static_cast<std::uint32_t>(h.vertexX.size());
    leaf.vertexSlots =
        static_cast<std::uint32_t>((vertices.size() + vertexBlockStep - 1) / vertexBlockStep * vertexBlockStep);
    for (std::uint32_t k = 0; k < leaf.vertexSlots; ++k) {
        const Vertex& v = local[vertices[k < vertices.size() ? k : 0]];
        h.vertexX.push_back(v.x), h.vertexY.push_back(v.y), h.vertexZ.push_back(v.z);
    }
    h.faceMasks.resize(h.faceMasks.size() + paddedBlockFaces, 0);
    std::uint64_t* masks = h.faceMasks.data() + std::size_t{block} * paddedBlockFaces;
    for (std::uint32_t i = 0; i < leaf.count; ++i)
        for (std::uint32_t k = 0; k < 3; ++k)
            masks[i] |= std::uint64_t{1} << slotOf[corners[h.order[leaf.first + i]][k]];
    h.narrowFaceMasks.resize(h.faceMasks.size(), 0);
    if (leaf.vertexSlots <= narrowBlockVertices)
        for (std::uint32_t i = 0; i < paddedBlockFaces; ++i)
            h.narrowFaceMasks[std::size_t{block} * paddedBlockFaces + i] = static_cast<std::uint32_t>(masks[i]);
}

// Appends a leaf's corner block, corner by corner, its slots past the faces zero.
void appendCornerBlock(BoxHierarchy& h, HierarchyBox& leaf, std::uint32_t block,
                       const std::vector<std::array<std::uint32_t, 3>>& corners, const std::vector<Vertex>& local) {
    leaf.block = block;
    const std::size_t slots = 3 * paddedBlockFaces * (std::size_t{block} + 1);
    h.cornerX.resize(slots, 0.0f), h.cornerY.resize(slots, 0.0f), h.cornerZ.resize(slots, 0.0f);
    for (std::uint32_t i = 0; i < leaf.count; ++i)
        for (std::uint32_t k = 0; k < 3; ++k) {
            const Vertex& v = local[corners[h.order[leaf.first + i]][k]];
            const std::size_t at = BoxHierarchy::cornerAt(block, i, k);
            h.cornerX[at] = v.x, h.cornerY[at] = v.y, h.cornerZ[at] = v.z;
        }
}

// Fills every leaf's block, a vertex block where its faces have few enough distinct vertices
// and a corner block otherwise, and bounds every box.
void fillLeaves(BoxHierarchy& h, const std::vector<std::array<std::uint32_t, 3>>& corners,
                const std::vector<Vertex>& local) {
    std::vector<std::uint32_t> seenIn(local.size(), 0); // the box (index + 1) that last numbered a vertex
    std::vector<std::uint32_t> slotOf(local.size()), vertices;
    std::uint32_t vertexBlocks = 0, cornerBlocks = 0;
    h.vertexX.reserve(h.order.size()), h.vertexY.reserve(h.order.size()), h.vertexZ.reserve(h.order.size());
    for (std::size_t index = 0; index < h.boxes.size(); ++index) {
        HierarchyBox& leaf = h.boxes[index];
        if (leaf.left >= 0) continue;
        vertices.clear();
        const auto stamp = static_cast<std::uint32_t>(index + 1);
        for (std::uint32_t i = 0; i < leaf.count; ++i)
            for (std::uint32_t k = 0; k < 3; ++k) {
                const std::uint32_t v = corners[h.order[leaf.first + i]][k];
                if (seenIn[v] == stamp) continue;
                seenIn[v] = stamp;
                slotOf[v] = static_cast<std::uint32_t>(vertices.size());
                vertices.push_back(v);
            }
        if (!vertices.empty() && vertices.size() <= maxBlockVertices)
            appendVertexBlock(h, leaf, vertexBlocks++, vertices, slotOf, corners, local);
        else
            appendCornerBlock(h, leaf, cornerBlocks++, corners, local);
    }
    boundBoxes(h);
    pairBoxes(h);
}

// The faces in order of rank, faces of one rank in their own order: a byte of the rank at a
// time, lowest first, each pass keeping the order of the one before (a comparison sort of
// rank-and-index pairs took 2% of a level's compile).
std::vector<std::uint32_t> orderByRank(const std::vector<std::uint32_t>& rank) {
    const std::size_t n = rank.size();
    std::vector<std::uint32_t> order(n), next(n);
    for (std::size_t f = 0; f < n; ++f) order[f] = static_cast<std::uint32_t>(f);
    const std::uint32_t highest = n ? *std::max_element(rank.begin(), rank.end()) : 0;
    for (std::uint32_t shift = 0; shift < 32 && (highest >> shift) != 0; shift += 8) {
        std::size_t start[257] = {};
        for (const std::uint32_t f : order) ++start[((rank[f] >> shift) & 0xFF) + 1];
        for (std::size_t b = 1; b <= 256; ++b) start[b] += start[b - 1];
        for (const std::uint32_t f : order) next[start[(rank[f] >> shift) & 0xFF]++] = f;
        order.swap(next);
    }
    return order;
}

} // namespace

BoxPair boxPairOf(const HierarchyBox& first, const HierarchyBox& second) {
    BoxPair pair;
    for (std::size_t lane = 0; lane < 2; ++lane) {
        const HierarchyBox& box = lane == 0 ? first : second;
        pair.midX[lane] = box.bounds.mid[0], pair.midY[lane] = box.bounds.mid[1], pair.midZ[lane] = box.bounds.mid[2];
        pair.halfX[lane] = box.bounds.half[0], pair.halfY[lane] = box.bounds.half[1];
        pair.halfZ[lane] = box.bounds.half[2];
        pair.magnitude[lane] = box.bounds.magnitude;
        pair.count[lane] = box.count;
        pair.left[lane] = box.left;
    }
    return pair;
}

BoxHierarchy buildBoxHierarchy(const std::vector<std::array<std::uint32_t, 3>>& corners,
                               const std::vector<Vertex>& local, WorkerPool* pool,
                               const std::function<void()>& meanwhile) {
    BoxHierarchy h;
    const std::size_t n = corners.size();
    const bool threads = pool && pool->workers() > 0 && n >= parallelCuts;
    h.order.resize(n);
    h.boxes.reserve(2 * (n / hierarchyLeafSize + 1));
    h.boxes.push_back(HierarchyBox{{}, 0, static_cast<std::uint32_t>(n), -1});
    std::vector<FaceRecord> records = faceRecords(corners, local, threads ? pool : nullptr);
    std::vector<WorkerPool::TaskHandle> aside;
    if (meanwhile && threads) aside.push_back(pool->submit(meanwhile));
    try {
        const bool wideApart = splitWideFacesApart(h, records);
        if (threads)
            splitInThreads(h, records, wideApart, *pool);
        else
            splitBoxes(h, records, wideApart ? 1 : 0);
        for (std::size_t i = 0; i < n; ++i) h.order[i] = records[i].face;
        fillLeaves(h, corners, local);
    } catch (...) {
        if (!aside.empty()) pool->finishAll(aside); // it may use the caller's frame
        throw;
    }
    if (!aside.empty())
        pool->finishAll(aside);
    else if (meanwhile)
        meanwhile();
    return h;
}

BoxHierarchy buildBoxHierarchyAlong(const std::vector<HierarchyBox>& reference, const std::vector<std::uint32_t>& rank,
                                    const std::vector<std::array<std::uint32_t, 3>>& corners,
                                    const std::vector<Vertex>& local) {
    BoxHierarchy h;
    const std::size_t n = corners.size();
    assert(rank.size() == n && !reference.empty());
    // In the reference's order (pieces of one face side by side), every reference box's faces
    // are one run, and each cut of a box is where the ranks pass its second child's first.
    h.order = orderByRank(rank);
    std::vector<std::uint32_t> sortedRank(n);
    for (std::size_t i = 0; i < n; ++i) sortedRank[i] = rank[h.order[i]];
    h.boxes.reserve(2 * (n / hierarchyLeafSize + 1));
    h.boxes.push_back(HierarchyBox{{}, 0, static_cast<std::uint32_t>(n), -1});
    std::vector<std::uint32_t> along{0}; // the reference box each box follows
    for (std::size_t index = 0; index < h.boxes.size(); ++index) {
        const std::uint32_t first = h.boxes[index].first, count = h.boxes[index].count;
        if (count <= hierarchyLeafSize) continue;
        // Down the reference from the box this one follows to the first cut that parts these
        // faces; a reference leaf that holds more than a leaf's worth (many pieces of its
        // faces) is halved as it is.
        std::uint32_t ref = along[index];
        std::uint32_t half = count / 2;
        std::uint32_t refLeft = ref, refRight = ref;
        while (reference[ref].left >= 0) {
            const auto left = static_cast<std::uint32_t>(reference[ref].left);
            const std::uint32_t boundary = reference[left + 1].first;
            const auto begin = sortedRank.begin() + first;
            const auto cut = static_cast<std::uint32_t>(std::lower_bound(begin, begin + count, boundary) - begin);
            if (cut == 0)
                ref = left + 1;
            else if (cut == count)
                ref = left;
            else {
                half = cut;
                refLeft = left;
                refRight = left + 1;
                break;
            }
        }
        h.boxes[index].left = static_cast<std::int32_t>(h.boxes.size());
        h.boxes.push_back(HierarchyBox{{}, first, half, -1});
        h.boxes.push_back(HierarchyBox{{}, first + half, count - half, -1});
        along.push_back(refLeft);
        along.push_back(refRight);
    }
    fillLeaves(h, corners, local);
    return h;
}

} // namespace norvane
