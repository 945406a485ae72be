#include "bsp/vertex_index.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "common/hash_table.h"
#include "math/float_math.h"

namespace norvane {
namespace {

struct KeyHasher {
    std::uint64_t operator()(const VertexIndex::Key& k) const { return hashWords(k.data(), k.size()); }
};

using KeyTable = HashTable<VertexIndex::Key, std::uint32_t, KeyHasher>;

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
    std::array<std::unique_ptr<KeyTable>, 32> maps;
    std::vector<unsigned> built; // the sets of ignored components that have a map

    KeyTable& build(unsigned ignored, std::size_t expected) {
        maps[ignored] = std::make_unique<KeyTable>(expected);
        built.push_back(ignored);
        return *maps[ignored];
    }
};

VertexIndex::VertexIndex(const std::vector<Vertex>& list) : list_(list) {
    // Nearly every vertex is plain: its table is sized for the whole list at once.
    groups_[0] = std::make_unique<Group>();
    groups_[0]->build(0, list_.size());
    present_.push_back(0);
    while (indexed_ < list_.size()) add();
}

VertexIndex::~VertexIndex() = default;

void VertexIndex::add() {
    assert(indexed_ < list_.size() && "add() follows an append to the list");
    const auto index = static_cast<std::uint32_t>(indexed_++);
    const Vertex& v = list_[index];
    const unsigned mask = nanMask(v);
    auto& group = groups_[mask];
    if (!group) {
        group = std::make_unique<Group>();
        present_.insert(std::upper_bound(present_.begin(), present_.end(), mask), mask);
        // Plain vertices are looked up by plain queries all the time: build that map at once.
        group->build(mask, 0);
    }
    group->members.push_back(index);
    for (const unsigned ignored : group->built) group->maps[ignored]->insert(keyOf(v, ignored), index);
}

std::int32_t VertexIndex::find(const Vertex& v) {
    assert(indexed_ <= list_.size() && "the list only grows");
    const unsigned queryMask = nanMask(v);
    std::int64_t best = -1;
    for (const unsigned mask : present_) {
        Group* group = groups_[mask].get();
        const unsigned ignored = mask | queryMask;
        if (!group->maps[ignored]) { // first query of this shape: index the group's members for it
            KeyTable& map = group->build(ignored, group->members.size());
            for (std::uint32_t member : group->members) map.insert(keyOf(list_[member], ignored), member);
        }
        const std::uint32_t* found = group->maps[ignored]->find(keyOf(v, ignored));
        if (found && (best < 0 || *found < best)) best = *found;
    }
    return static_cast<std::int32_t>(best);
}

std::vector<std::uint32_t> firstEqualOfEach(const std::vector<Vertex>& list) {
    const bool anyNan = std::any_of(list.begin(), list.end(), [](const Vertex& v) { return nanMask(v) != 0; });
    if (anyNan) {
        std::vector<std::uint32_t> first(list.size());
        VertexIndex index(list);
        for (std::size_t i = 0; i < list.size(); ++i) first[i] = static_cast<std::uint32_t>(index.find(list[i]));
        return first;
    }
    // Without NaNs, equal means equal keys.
    std::vector<VertexIndex::Key> keys(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) keys[i] = keyOf(list[i], 0);
    return firstOccurrences(keys, KeyHasher{});
}

} // namespace norvane
