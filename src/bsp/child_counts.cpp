#include "bsp/child_counts.h"

#include <algorithm>

#include "bsp/bounds.h"
#include "bsp/plane_key.h"

namespace norvane {

namespace {

// Beyond this many moved faces (pieces counting twice: each is also a new candidate counted in
// full) a child counts afresh; the box search then costs less than updating every candidate.
constexpr std::size_t maxMoved = 1024;

// How the moved faces change one plane's counts.
using Delta = CandidateCounts;

// Deltas by the bits of their plane; a small open-addressing table that grows as needed.
class DeltaCache {
public:
    const Delta* find(const Plane& p) const {
        if (entries_.empty()) return nullptr;
        const PlaneKey key = planeKey(p);
        for (std::size_t h = PlaneKeyHash{}(key) & mask(); entries_[h].used; h = (h + 1) & mask())
            if (entries_[h].key == key) return &entries_[h].delta;
        return nullptr;
    }
    void insert(const Plane& p, const Delta& delta) {
        if (2 * (size_ + 1) > entries_.size()) grow();
        place(planeKey(p), delta);
        ++size_;
    }

private:
    struct Entry {
        PlaneKey key{};
        Delta delta;
        bool used = false;
    };
    std::size_t mask() const { return entries_.size() - 1; }
    void place(const PlaneKey& key, const Delta& delta) {
        std::size_t h = PlaneKeyHash{}(key) & mask();
        while (entries_[h].used) h = (h + 1) & mask();
        entries_[h] = Entry{key, delta, true};
    }
    void grow() {
        std::vector<Entry> old = std::move(entries_);
        entries_.assign(old.empty() ? 64 : 2 * old.size(), Entry{});
        for (const Entry& e : old)
            if (e.used) place(e.key, e.delta);
    }
    std::vector<Entry> entries_;
    std::size_t size_ = 0;
};

} // namespace

NodeCounts deriveChildCounts(const std::vector<BspFace>& parent, const NodeCounts& parentCounts,
                             const std::vector<BspFace>& child, const std::vector<std::int32_t>& origin,
                             const std::vector<Vertex>& vertices) {
    if (parentCounts.size() != parent.size()) return {};
    std::size_t kept = 0, came = 0;
    for (std::int32_t o : origin) (o >= 0 ? kept : came) += 1;
    const std::size_t left = parent.size() - kept;
    if (left + 2 * came > std::min(maxMoved, child.size() / 2)) return {};

    // The moved faces, each with the sign of its change, over a compact copy of their corners.
    std::vector<std::uint8_t> stays(parent.size(), 0);
    for (std::int32_t o : origin)
        if (o >= 0) stays[static_cast<std::size_t>(o)] = 1;
    std::vector<const BspFace*> moved;
    std::vector<int> sign;
    for (std::size_t j = 0; j < parent.size(); ++j)
        if (!stays[j]) {
            moved.push_back(&parent[j]);
            sign.push_back(-1);
        }
    for (std::size_t k = 0; k < child.size(); ++k)
        if (origin[k] < 0) {
            moved.push_back(&child[k]);
            sign.push_back(1);
        }
    std::vector<Vertex> corners;
    corners.reserve(moved.size() * 3);
    for (const BspFace* f : moved)
        for (std::uint32_t v : f->verts) corners.push_back(vertices[v]);
    // The moved faces are usually a small patch: most planes see all of it on one side.
    Bounds patch;
    for (const Vertex& v : corners) patch.add(v);
    patch.finish();
    int netSign = 0;
    for (int s : sign) netSign += s;

    // The change a plane sees depends on the plane alone, and pieces keep the plane of the face
    // they were cut from, so a split-heavy node has many candidates with one plane: their
    // change is worked out once.
    DeltaCache cache;
    std::vector<Side> sides(corners.size());
    auto deltaFor = [&](const Plane& plane) -> Delta {
        Delta delta;
        const Side whole = boundsSide(plane, patch);
        if (whole != On) {
            (whole == Front ? delta.front : delta.back) = netSign;
            return delta;
        }
        if (const Delta* known = cache.find(plane)) return *known;
        for (std::size_t v = 0; v < corners.size(); ++v) sides[v] = classifyPoint(plane, corners[v]);
        for (std::size_t m = 0; m < moved.size(); ++m)
            delta.add(classifyCorners(sides[3 * m], sides[3 * m + 1], sides[3 * m + 2]), sign[m]);
        cache.insert(plane, delta);
        return delta;
    };

    NodeCounts counts(child.size());
    for (std::size_t k = 0; k < child.size(); ++k) {
        const Plane& plane = child[k].plane;
        Delta delta;
        std::size_t from;
        if (origin[k] >= 0) {
            from = static_cast<std::size_t>(origin[k]);
            if (!parentCounts[from].known) continue;
            delta = deltaFor(plane);
        } else if (origin[k] <= -2) {
            // A piece of parent face `from`, with its plane: it sees what that face saw, except
            // that the face itself was never counted and the piece does not count itself.
            from = static_cast<std::size_t>(-2 - origin[k]);
            if (!parentCounts[from].known) continue;
            delta = deltaFor(plane);
            delta.add(classifyFace(plane, parent[from], vertices), 1);
            delta.add(classifyFace(plane, child[k], vertices), -1);
        } else {
            continue;
        }
        const CandidateCounts& before = parentCounts[from];
        counts[k].front = before.front + delta.front;
        counts[k].back = before.back + delta.back;
        counts[k].span = before.span + delta.span;
        counts[k].known = true;
    }
    return counts;
}

} // namespace norvane
