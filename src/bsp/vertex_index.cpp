#include "bsp/vertex_index.h"

#include <cmath>

#include "math/float_math.h"

namespace norvane {
namespace {

struct KeyHash {
    std::size_t operator()(const VertexIndex::Key& k) const {
        std::uint64_t h = 0x84222325CBF29CE4ull;
        for (std::uint32_t w : k) {
            h ^= w;
            h *= 0x100000001B3ull;
            h ^= h >> 29;
        }
        return static_cast<std::size_t>(h);
    }
};

std::array<float, 5> fieldsOf(const Vertex& v) { return {v.x, v.y, v.z, v.u, v.v}; }

unsigned nanMask(const Vertex& v) {
    const auto f = fieldsOf(v);
    unsigned mask = 0;
    for (int i = 0; i < 5; ++i)
        if (std::isnan(f[i])) mask |= 1u << i;
    return mask;
}

// The bits of every component outside `ignored`; -0 is keyed as 0.
VertexIndex::Key keyOf(const Vertex& v, unsigned ignored) {
    const auto f = fieldsOf(v);
    VertexIndex::Key key{};
    for (int i = 0; i < 5; ++i)
        if (!(ignored & (1u << i))) key[i] = floatBits(f[i] == 0.0f ? 0.0f : f[i]);
    return key;
}

} // namespace

bool sameVertex(const Vertex& a, const Vertex& b) {
    const auto fa = fieldsOf(a), fb = fieldsOf(b);
    for (int i = 0; i < 5; ++i)
        if (!(fa[i] == fb[i] || std::isnan(fa[i]) || std::isnan(fb[i]))) return false;
    return true;
}

std::int32_t findVertexLinear(const std::vector<Vertex>& list, const Vertex& v) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (sameVertex(list[i], v)) return static_cast<std::int32_t>(i);
    return -1;
}

// The elements whose NaN components are exactly `mask`, with one map per set of ignored
// components (the group's own NaNs plus the query's), each from key to the first index.
struct VertexIndex::Group {
    std::vector<std::uint32_t> members;
    std::array<std::unique_ptr<std::unordered_map<Key, std::uint32_t, KeyHash>>, 32> maps;
};

VertexIndex::VertexIndex(const std::vector<Vertex>& list) : list_(list) {
    while (indexed_ < list_.size()) add();
}

VertexIndex::~VertexIndex() = default;

void VertexIndex::add() {
    const auto index = static_cast<std::uint32_t>(indexed_++);
    const Vertex& v = list_[index];
    const unsigned mask = nanMask(v);
    auto& group = groups_[mask];
    if (!group) {
        group = std::make_unique<Group>();
        // Plain vertices are looked up by plain queries all the time: build that map at once.
        group->maps[mask] = std::make_unique<std::unordered_map<Key, std::uint32_t, KeyHash>>();
    }
    group->members.push_back(index);
    for (unsigned ignored = 0; ignored < 32; ++ignored)
        if (group->maps[ignored]) group->maps[ignored]->emplace(keyOf(v, ignored), index);
}

std::int32_t VertexIndex::find(const Vertex& v) const {
    const unsigned queryMask = nanMask(v);
    std::int64_t best = -1;
    for (unsigned mask = 0; mask < 32; ++mask) {
        Group* group = groups_[mask].get();
        if (!group) continue;
        const unsigned ignored = mask | queryMask;
        auto& map = group->maps[ignored];
        if (!map) { // first query of this shape: index the group's members for it
            map = std::make_unique<std::unordered_map<Key, std::uint32_t, KeyHash>>();
            for (std::uint32_t member : group->members) map->emplace(keyOf(list_[member], ignored), member);
        }
        const auto it = map->find(keyOf(v, ignored));
        if (it != map->end() && (best < 0 || it->second < best)) best = it->second;
    }
    return static_cast<std::int32_t>(best);
}

} // namespace norvane
