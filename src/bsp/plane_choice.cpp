#include "bsp/plane_choice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "bsp/bounds.h"
#include "bsp/normal_sweep.h"
#include "bsp/plane_key.h"
#include "math/float_math.h"

namespace norvane {

std::int32_t choosePlaneReference(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices) {
    const auto n = static_cast<std::int32_t>(faces.size());
    std::int32_t best = -1;
    std::int64_t bestScore = startingBestScore;
    std::int64_t frontTotal = 0, backTotal = 0, spanTotal = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        std::int64_t front = 0, back = 0, span = 0;
        for (std::int32_t j = 0; j < n; ++j) {
            if (j == i) continue;
            switch (classifyFace(faces[i].plane, faces[j], vertices)) {
            case Front: ++front; break;
            case Back: ++back; break;
            case Spanning: ++span; break;
            default: break;
            }
        }
        frontTotal += front;
        backTotal += back;
        spanTotal += span;
        const std::int64_t score = std::llabs(front - back) * imbalanceWeight + span * splitWeight;
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return (spanTotal != 0 || (frontTotal != 0 && backTotal != 0)) ? best : -1;
}

namespace {

// A bounding-volume hierarchy over the node's faces. A box that lies wholly beyond the
// tolerance band of a plane holds only faces of one side, which are counted at once; boxes in
// or near the band are opened down to exact per-corner classification.
//
// A box of the hierarchy, kept small: the search tests millions of them. The boxes are laid
// out breadth first with the two children of a box side by side, the order the search visits.
struct Box {
    double mid[3], half[3]; // centre and half size
    double magnitude;       // largest coordinate magnitude; infinite when one is not finite
    std::uint32_t first, count; // range of `order`
    std::int32_t left;          // the children are left and left + 1; -1 for a leaf
};

constexpr std::uint32_t leafSize = 16;

struct Hierarchy {
    std::vector<Box> boxes;
    std::vector<std::uint32_t> order; // face indices, each box's faces contiguous
    // The corners of the faces in `order`, x y z of each, so a leaf's faces are classified from
    // one contiguous block.
    std::vector<std::array<float, 9>> cornerCoords;
};

Hierarchy buildHierarchy(const std::vector<std::array<std::uint32_t, 3>>& corners, const std::vector<Vertex>& local) {
    Hierarchy h;
    const std::size_t n = corners.size();
    h.order.resize(n);
    std::vector<std::array<double, 3>> centre(n);
    for (std::size_t f = 0; f < n; ++f) {
        h.order[f] = static_cast<std::uint32_t>(f);
        for (int k = 0; k < 3; ++k) {
            double c = 0;
            for (std::uint32_t v : corners[f]) c += (k == 0 ? local[v].x : k == 1 ? local[v].y : local[v].z);
            centre[f][k] = std::isfinite(c) ? c : 0.0;
        }
    }
    h.boxes.reserve(2 * (n / leafSize + 1));
    h.boxes.push_back(Box{{}, {}, 0, 0, static_cast<std::uint32_t>(n), -1});
    // Splitting the boxes in index order while appending the children lays them out breadth
    // first. A box is split at the median of its faces' centres along their widest spread.
    for (std::size_t index = 0; index < h.boxes.size(); ++index) {
        Box& box = h.boxes[index];
        if (box.count <= leafSize) continue;
        double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        for (std::uint32_t i = box.first; i < box.first + box.count; ++i)
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], centre[h.order[i]][static_cast<std::size_t>(k)]);
                hi[k] = std::max(hi[k], centre[h.order[i]][static_cast<std::size_t>(k)]);
            }
        int axis = 0;
        for (int k = 1; k < 3; ++k)
            if (hi[k] - lo[k] > hi[axis] - lo[axis]) axis = k;
        const auto begin = h.order.begin() + box.first, end = begin + box.count, mid = begin + box.count / 2;
        std::nth_element(begin, mid, end, [&](std::uint32_t x, std::uint32_t y) {
            return centre[x][axis] < centre[y][axis] || (centre[x][axis] == centre[y][axis] && x < y);
        });
        const std::uint32_t first = box.first, half = box.count / 2, count = box.count;
        box.left = static_cast<std::int32_t>(h.boxes.size());
        h.boxes.push_back(Box{{}, {}, 0, first, half, -1}); // `box` may move here
        h.boxes.push_back(Box{{}, {}, 0, first + half, count - half, -1});
    }
    h.cornerCoords.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        for (int k = 0; k < 3; ++k) {
            const Vertex& v = local[corners[h.order[i]][static_cast<std::size_t>(k)]];
            h.cornerCoords[i][3 * k] = v.x;
            h.cornerCoords[i][3 * k + 1] = v.y;
            h.cornerCoords[i][3 * k + 2] = v.z;
        }
    // Bounds bottom up: a leaf's from its corners, a parent's from its children's.
    std::vector<Bounds> bounds(h.boxes.size());
    for (std::size_t index = h.boxes.size(); index-- > 0;) {
        Box& box = h.boxes[index];
        Bounds& b = bounds[index];
        if (box.left < 0) {
            for (std::uint32_t i = box.first; i < box.first + box.count; ++i)
                for (int k = 0; k < 3; ++k) {
                    Vertex v;
                    v.x = h.cornerCoords[i][static_cast<std::size_t>(3 * k)];
                    v.y = h.cornerCoords[i][static_cast<std::size_t>(3 * k + 1)];
                    v.z = h.cornerCoords[i][static_cast<std::size_t>(3 * k + 2)];
                    b.add(v);
                }
        } else {
            for (const Bounds& child : {bounds[static_cast<std::size_t>(box.left)], bounds[static_cast<std::size_t>(box.left) + 1]}) {
                for (int k = 0; k < 3; ++k) {
                    b.lo[k] = std::min(b.lo[k], child.lo[k]);
                    b.hi[k] = std::max(b.hi[k], child.hi[k]);
                }
                b.exactOnly = b.exactOnly || child.exactOnly;
            }
        }
        b.finish();
        for (int k = 0; k < 3; ++k) {
            box.mid[k] = b.mid[k];
            box.half[k] = b.half[k];
        }
        box.magnitude = b.exactOnly ? HUGE_VAL : std::max({b.extent[0], b.extent[1], b.extent[2]});
    }
    return h;
}

// A candidate plane prepared for testing whole boxes (see boundsSide): the same test, with the
// margin widened to the box's largest magnitude on every axis, which only leaves more boxes
// undecided.
struct BoxTest {
    double a, b, c, d, absA, absB, absC, marginScale, marginBase;
    explicit BoxTest(const Plane& p)
        : a(p.a), b(p.b), c(p.c), d(p.d), absA(std::fabs(a)), absB(std::fabs(b)), absC(std::fabs(c)),
          marginScale(1e-12 * (absA + absB + absC)), marginBase(1e-12 * std::fabs(d)) {}

    Side side(const Box& box) const {
        const double centre = a * box.mid[0] + b * box.mid[1] + c * box.mid[2] + d;
        const double reach = absA * box.half[0] + absB * box.half[1] + absC * box.half[2];
        const double margin = marginScale * box.magnitude + marginBase;
        if (centre - reach - margin > frontLimit) return Front; // NaN comparisons fail: undecided
        if (centre + reach + margin < backLimit) return Back;
        return On;
    }
};

} // namespace

namespace {

// Candidates with bit-identical planes (every floor tile of one level, every wall of one
// street) see the other faces alike: such a plane is counted once, in full, over all faces,
// and each of its candidates then only takes off its own face.
// The counts of one plane that several candidates have, once the first of them is counted.
struct SharedPlane {
    bool counted = false;
    std::int64_t count[9] = {};
};

// Numbers equal keys densely in order of first appearance: id[i] for keys[i]; returns how many
// distinct keys there are. An open-addressing table, since a node may have tens of thousands.
std::size_t numberKeys(const std::vector<PlaneKey>& keys, std::vector<std::int32_t>& id) {
    std::size_t capacity = 16;
    while (capacity < 2 * keys.size()) capacity *= 2;
    std::vector<std::int32_t> first(capacity, -1); // the first index with the key, by hash
    id.assign(keys.size(), -1);
    std::size_t ids = 0;
    const PlaneKeyHash hash;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        for (std::size_t h = hash(keys[i]) & (capacity - 1);; h = (h + 1) & (capacity - 1)) {
            const std::int32_t other = first[h];
            if (other < 0) {
                first[h] = static_cast<std::int32_t>(i);
                id[i] = static_cast<std::int32_t>(ids++);
                break;
            }
            if (keys[static_cast<std::size_t>(other)] == keys[i]) {
                id[i] = id[static_cast<std::size_t>(other)];
                break;
            }
        }
    }
    return ids;
}

// Numbers the planes that more than one face has: slot[f] for face f, -1 for a plane of its own.
std::size_t numberSharedPlanes(const std::vector<BspFace>& faces, std::vector<std::int32_t>& slot) {
    std::vector<PlaneKey> keys(faces.size());
    for (std::size_t f = 0; f < faces.size(); ++f) keys[f] = planeKey(faces[f].plane);
    std::vector<std::int32_t> id;
    const std::size_t planes = numberKeys(keys, id);
    std::vector<std::int32_t> uses(planes, 0), slotOf(planes, -1);
    for (const std::int32_t p : id) ++uses[static_cast<std::size_t>(p)];
    std::size_t slots = 0;
    slot.assign(faces.size(), -1);
    for (std::size_t f = 0; f < faces.size(); ++f) {
        const auto p = static_cast<std::size_t>(id[f]);
        if (uses[p] < 2) continue;
        if (slotOf[p] < 0) slotOf[p] = static_cast<std::int32_t>(slots++);
        slot[f] = slotOf[p];
    }
    return slots;
}

// What a scan over some of the candidates found: its best candidate and which sides it saw.
struct ScanResult {
    std::int32_t best = -1;
    std::int64_t bestScore = startingBestScore;
    bool anyFront = false, anyBack = false, anySpan = false;
    // Whether the leaf rule is already decided: some face crosses a candidate's plane, or faces
    // lie both in front of and behind candidate planes. Until then every candidate is counted
    // in full.
    bool decided() const { return anySpan || (anyFront && anyBack); }

    // Candidates are not met in index order (known counts first, threads), so a tie goes to
    // the lower index explicitly. Only scores below the starting score ever win.
    bool beats(std::int64_t score, std::int32_t i) const {
        return score < bestScore || (score == bestScore && best >= 0 && i < best);
    }
    void add(const CandidateCounts& c, std::int32_t i) {
        anyFront |= c.front > 0;
        anyBack |= c.back > 0;
        anySpan |= c.span > 0;
        const std::int64_t score = std::llabs(std::int64_t{c.front} - c.back) * imbalanceWeight + c.span * splitWeight;
        if (beats(score, i)) {
            bestScore = score;
            best = i;
        }
    }
    void merge(const ScanResult& r) {
        anyFront |= r.anyFront;
        anyBack |= r.anyBack;
        anySpan |= r.anySpan;
        if (r.best >= 0 && beats(r.bestScore, r.best)) {
            bestScore = r.bestScore;
            best = r.best;
        }
    }
};

CandidateCounts countsOf(const std::int64_t count[9]) {
    CandidateCounts c;
    c.front = static_cast<std::int32_t>(count[Front]);
    c.back = static_cast<std::int32_t>(count[Back]);
    c.span = static_cast<std::int32_t>(count[Spanning]);
    c.known = true;
    return c;
}

// The node prepared for the search: local vertex numbering and the box hierarchy.
struct PreparedNode {
    const std::vector<BspFace>& faces;
    std::vector<std::array<std::uint32_t, 3>> corners;
    std::vector<Vertex> local;
    Hierarchy tree;
    std::vector<std::int32_t> sharedSlot; // see numberSharedPlanes
    std::size_t sharedPlanes = 0;
};

// Scores the candidates unknown[first], unknown[first + stride], ..., starting from what the
// known counts found. Abandoning a candidate only needs the best of the candidates counted so
// far: a candidate that cannot beat a real score cannot win. Candidates counted in full have
// their counts recorded.
ScanResult scanCandidates(const PreparedNode& node, const std::vector<std::int32_t>& unknown, std::size_t first,
                          std::size_t stride, ScanResult r, NodeCounts& counts, bool countAll) {
    const auto n = static_cast<std::int64_t>(node.faces.size());
    std::vector<SharedPlane> shared(node.sharedPlanes);
    // Boxes are visited breadth first: the big boxes that lie wholly on one side are counted
    // early, so a lopsided candidate is abandoned before its small boxes are opened.
    std::vector<std::int32_t> queue(node.tree.boxes.size()); // each box enters at most once
    std::size_t queued = 0;
    for (std::size_t u = first; u < unknown.size(); u += stride) {
        const std::int32_t i = unknown[u];
        const Plane& plane = node.faces[static_cast<std::size_t>(i)].plane;
        const BoxTest test(plane);
        const std::int32_t slot = node.sharedSlot[static_cast<std::size_t>(i)];
        const bool share = slot >= 0;
        SharedPlane* twin = share ? &shared[static_cast<std::size_t>(slot)] : nullptr;
        // Counting includes the candidate itself; its own side is taken off at the end.
        std::int64_t count[9] = {};
        std::int64_t remaining = n;
        bool abandoned = false;
        if (share && twin->counted) {
            std::copy(twin->count, twin->count + 9, count);
            remaining = 0;
        } else if (std::isnan(plane.a) || std::isnan(plane.b) || std::isnan(plane.c) || std::isnan(plane.d)) {
            // Every distance to a plane with a NaN in it is NaN, so every face is behind it.
            count[Back] = n;
            remaining = 0;
        }
        queued = remaining > 0 ? 1 : 0;
        queue[0] = 0;
        for (std::size_t next = 0; next < queued; ++next) {
            const Box& box = node.tree.boxes[static_cast<std::size_t>(queue[next])];
            const Side whole = test.side(box);
            if (whole != On) {
                count[whole] += box.count;
            } else if (box.left >= 0) {
                queue[queued++] = box.left;
                queue[queued++] = box.left + 1;
                continue;
            } else {
                // A face is in front when a corner is and none is behind, behind in the mirror
                // case, cut when it has corners on both sides, and in the plane otherwise.
                std::int64_t bySides[4] = {}; // none, front only, behind only, both
                for (std::uint32_t k = box.first; k < box.first + box.count; ++k) {
                    const auto& p = node.tree.cornerCoords[k];
                    const float d0 = planeDistance(plane, p[0], p[1], p[2]);
                    const float d1 = planeDistance(plane, p[3], p[4], p[5]);
                    const float d2 = planeDistance(plane, p[6], p[7], p[8]);
                    const bool front = (d0 > planeTolerance) | (d1 > planeTolerance) | (d2 > planeTolerance);
                    // NaN counts as behind: !(d >= -tolerance).
                    const bool back = !(d0 >= -planeTolerance) | !(d1 >= -planeTolerance) | !(d2 >= -planeTolerance);
                    ++bySides[int(front) | (int(back) << 1)];
                }
                count[On] += bySides[0];
                count[Front] += bySides[1];
                count[Back] += bySides[2];
                count[Spanning] += bySides[3];
            }
            remaining -= box.count;
            if (!share && !countAll && r.decided()) {
                // The score only grows by 75 per cut still to come, and the imbalance shrinks by
                // at most one per face still to count; one face of slack for the candidate.
                const std::int64_t imbalance = std::llabs(count[Front] - count[Back]) - remaining - 1;
                const std::int64_t bound =
                    (count[Spanning] - 1) * splitWeight + (imbalance > 0 ? imbalance : 0) * imbalanceWeight;
                if (bound > r.bestScore || (bound == r.bestScore && r.best >= 0 && r.best < i)) {
                    abandoned = true;
                    break;
                }
            }
        }
        // Abandoning needs the leaf rule decided already, so an abandoned candidate's partial
        // counts are not needed for it.
        if (abandoned) continue;
        if (share && !twin->counted) {
            std::copy(count, count + 9, twin->count);
            twin->counted = true;
        }
        const auto& own = node.corners[static_cast<std::size_t>(i)];
        --count[classifyTriangle(plane, node.local[own[0]], node.local[own[1]], node.local[own[2]])];
        counts[static_cast<std::size_t>(i)] = countsOf(count);
        r.add(counts[static_cast<std::size_t>(i)], i);
    }
    return r;
}

// Nodes at least this large are searched by several threads, each over every k-th candidate.
constexpr std::size_t parallelFaces = 512;

// A normal shared by at least this many candidates, and by at least one in `sweepShare` of the
// node's faces, is counted by the sweep: sorting the node once costs about as much as searching
// the boxes for a few dozen candidates.
constexpr std::size_t sweepMinimum = 8;
constexpr std::size_t sweepShare = 64;

// Up to this many unknown candidates are counted face by face, without building the boxes.
constexpr std::size_t directCandidates = 16;

// Counts a few candidates exactly against every face of the node.
void countDirectly(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices,
                   const std::vector<std::int32_t>& unknown, ScanResult& r, NodeCounts& counts) {
    for (const std::int32_t i : unknown) {
        const Plane& plane = faces[static_cast<std::size_t>(i)].plane;
        std::int64_t count[9] = {};
        for (std::size_t j = 0; j < faces.size(); ++j)
            if (j != static_cast<std::size_t>(i)) ++count[classifyFace(plane, faces[j], vertices)];
        counts[static_cast<std::size_t>(i)] = countsOf(count);
        r.add(counts[static_cast<std::size_t>(i)], i);
    }
}

} // namespace

std::int32_t choosePlane(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices) {
    NodeCounts counts;
    return choosePlane(faces, vertices, counts, 0u);
}

std::int32_t choosePlane(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices, NodeCounts& counts,
                         unsigned threads) {
    // Counts handed down from a parent mean the tree is peeling a few faces off at a time: then
    // every candidate is counted in full, so that the next level derives all of its counts.
    const bool countAll = counts.size() == faces.size();
    if (!countAll) counts.assign(faces.size(), CandidateCounts{});
    ScanResult known;
    std::vector<std::int32_t> unknown;
    for (std::size_t i = 0; i < faces.size(); ++i) {
        if (counts[i].known) known.add(counts[i], static_cast<std::int32_t>(i));
        else unknown.push_back(static_cast<std::int32_t>(i));
    }
    if (unknown.size() <= directCandidates) {
        countDirectly(faces, vertices, unknown, known, counts);
        return known.decided() ? known.best : -1;
    }

    PreparedNode node{faces, {}, {}, {}, {}, 0};
    // Local vertex numbering, so the node's copy of its vertices stays compact. The
    // global-to-local map is kept between calls and cleared entry by entry: a deep tree has many
    // small nodes.
    static thread_local std::vector<std::int32_t> localIndex;
    if (localIndex.size() < vertices.size()) localIndex.resize(vertices.size(), -1);
    std::vector<std::uint32_t> globalOf;
    node.corners.resize(faces.size());
    for (std::size_t f = 0; f < faces.size(); ++f)
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t g = faces[f].verts[k];
            if (localIndex[g] < 0) {
                localIndex[g] = static_cast<std::int32_t>(globalOf.size());
                globalOf.push_back(g);
            }
            node.corners[f][k] = static_cast<std::uint32_t>(localIndex[g]);
        }
    for (std::uint32_t g : globalOf) localIndex[g] = -1;
    node.local.resize(globalOf.size());
    for (std::size_t v = 0; v < globalOf.size(); ++v) node.local[v] = vertices[globalOf[v]];
    node.tree = buildHierarchy(node.corners, node.local);
    node.sharedPlanes = numberSharedPlanes(faces, node.sharedSlot);

    // Candidates that share their normal with many others are counted together by one sweep.
    {
        // Group the candidates with a finite plane by their normal's bits.
        std::vector<std::int32_t> finite;
        std::vector<PlaneKey> normals;
        for (const std::int32_t i : unknown) {
            const Plane& p = faces[static_cast<std::size_t>(i)].plane;
            if (!std::isfinite(p.a) || !std::isfinite(p.b) || !std::isfinite(p.c) || !std::isfinite(p.d)) continue;
            finite.push_back(i);
            normals.push_back(PlaneKey{{floatBits(p.a), floatBits(p.b), floatBits(p.c), 0}});
        }
        std::vector<std::int32_t> normalId;
        std::vector<std::vector<std::int32_t>> byNormal(numberKeys(normals, normalId));
        std::vector<std::size_t> sizes(byNormal.size(), 0);
        for (const std::int32_t g : normalId) ++sizes[static_cast<std::size_t>(g)];
        for (std::size_t k = 0; k < finite.size(); ++k) {
            const auto g = static_cast<std::size_t>(normalId[k]);
            if (sizes[g] >= sweepMinimum && sizes[g] * sweepShare >= faces.size()) byNormal[g].push_back(finite[k]);
        }
        std::vector<bool> swept(faces.size(), false);
        bool any = false;
        for (const std::vector<std::int32_t>& group : byNormal) {
            if (group.empty()) continue;
            // Candidates with one plane are already counted once between them.
            std::vector<std::uint32_t> ds;
            ds.reserve(group.size());
            for (const std::int32_t i : group) ds.push_back(floatBits(faces[static_cast<std::size_t>(i)].plane.d));
            std::sort(ds.begin(), ds.end());
            const auto distinct = static_cast<std::size_t>(std::unique(ds.begin(), ds.end()) - ds.begin());
            if (distinct < sweepMinimum || distinct * sweepShare < faces.size()) continue;
            countByNormalSweep(faces, node.corners, node.local, group, counts);
            for (const std::int32_t i : group) {
                known.add(counts[static_cast<std::size_t>(i)], i);
                swept[static_cast<std::size_t>(i)] = true;
            }
            any = true;
        }
        if (any) std::erase_if(unknown, [&](std::int32_t i) { return swept[static_cast<std::size_t>(i)]; });
    }

    // The threads' results merge exactly: the lowest score, the lower index on ties, and the
    // sides seen by any of them.
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    const std::size_t workers = faces.size() >= parallelFaces ? threads : 1;
    std::vector<ScanResult> results(workers);
    std::vector<std::thread> pool;
    std::vector<std::size_t> here{0}; // the strides this thread scans
    for (std::size_t t = 1; t < workers; ++t) {
        try {
            pool.emplace_back([&, t] { results[t] = scanCandidates(node, unknown, t, workers, known, counts, countAll); });
        } catch (const std::system_error&) {
            here.push_back(t); // no thread to be had: the same scan, here
        }
    }
    for (const std::size_t t : here) results[t] = scanCandidates(node, unknown, t, workers, known, counts, countAll);
    for (std::thread& w : pool) w.join();
    for (const ScanResult& r : results) known.merge(r);
    return known.decided() ? known.best : -1;
}

} // namespace norvane
