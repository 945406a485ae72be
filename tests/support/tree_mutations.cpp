#include "support/tree_mutations.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include <norvane/tree_file.h>

#include "scene3ds/generators.h"

namespace norvane::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Where the records of a tree file lie.
struct Layout {
    std::uint64_t vertices = 0; // offset of the vertex table
    std::uint32_t vertexCount = 0;
    std::vector<std::uint64_t> nodes;    // offsets of the node records
    std::vector<std::uint64_t> nodeEnds; // just past each node's face records
    std::vector<std::uint64_t> faces;    // offsets of the face records
};

Layout layoutOf(const Bytes& bytes) {
    Layout layout;
    TreeFile file;
    TreeFileError error;
    if (!readTreeFile(bytes, file, error)) return layout;
    layout.vertices = 11 + 256 * std::uint64_t{file.materialCount};
    layout.vertexCount = file.vertexCount;
    for (const TreeFileNode& node : file.nodes) {
        layout.nodes.push_back(node.offset);
        layout.nodeEnds.push_back(node.offset + 20 + 26 * node.faces.size());
        for (std::size_t f = 0; f < node.faces.size(); ++f) layout.faces.push_back(node.offset + 20 + 26 * f);
    }
    return layout;
}

void putU16(Bytes& b, std::uint64_t at, std::uint32_t v) {
    if (at + 2 > b.size()) return;
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void putF32(Bytes& b, std::uint64_t at, float f) {
    if (at + 4 > b.size()) return;
    std::memcpy(b.data() + at, &f, 4);
}

const float specials[] = {std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity(),
                          3.4e38f,
                          -3.4e38f,
                          1e30f,
                          1e-45f,
                          -0.0f,
                          65536.0f};

template <class T> std::uint64_t pick(scene3ds::Random& rng, const std::vector<T>& from) {
    return from.empty() ? 0 : from[static_cast<std::size_t>(rng.below(static_cast<int>(from.size())))];
}

// One kind of damage: changes `b` (a copy of the tree) with its layout.
using Damage = std::function<void(Bytes& b, const Layout& l, scene3ds::Random& rng)>;

const std::vector<std::pair<const char*, Damage>>& damages() {
    static const std::vector<std::pair<const char*, Damage>> all{
        {"node-plane",
         [](Bytes& b, const Layout& l, scene3ds::Random& r) {
             putF32(b, pick(r, l.nodes) + 2 + 4 * r.below(4), specials[r.below(9)]);
         }},
        {"face-plane",
         [](Bytes& b, const Layout& l, scene3ds::Random& r) {
             putF32(b, pick(r, l.faces) + 10 + 4 * r.below(4), specials[r.below(9)]);
         }},
        {"vertex",
         [](Bytes& b, const Layout& l, scene3ds::Random& r) {
             if (l.vertexCount == 0) return;
             putF32(b, l.vertices + 32 * r.below(int(l.vertexCount)) + 4 * r.below(8), specials[r.below(9)]);
         }},
        {"flags",
         [](Bytes& b, const Layout& l, scene3ds::Random& r) {
             putU16(b, pick(r, l.nodes), r.below(2) ? r.below(4) : static_cast<std::uint32_t>(r.next()));
         }},
        {"face-count",
         [](Bytes& b, const Layout& l, scene3ds::Random& r) {
             const std::uint64_t at = pick(r, l.nodes) + 18;
             const std::uint32_t now = at + 2 <= b.size() ? b[at] | b[at + 1] << 8 : 0;
             const std::uint32_t counts[] = {now + 1, now - 1, 0, 0xFFFF, static_cast<std::uint32_t>(r.below(70000))};
             putU16(b, at, counts[r.below(5)]);
         }},
        {"header",
         [](Bytes& b, const Layout&, scene3ds::Random& r) {
             putU16(b, 3 + 2 * r.below(4),
                    r.below(2) ? static_cast<std::uint32_t>(r.next()) : b[5 + 2 * r.below(3)] + 1u);
         }},
        {"index",
         [](Bytes& b, const Layout& l, scene3ds::Random& r) {
             const std::uint32_t values[] = {l.vertexCount, 0xFFFE, 0xFFFF, static_cast<std::uint32_t>(r.next())};
             putU16(b, pick(r, l.faces) + 2 * r.below(5), values[r.below(4)]);
         }},
        {"cut", [](Bytes& b, const Layout&,
                   scene3ds::Random& r) { b.resize(static_cast<std::size_t>(r.below(int(b.size())))); }},
        {"flip",
         [](Bytes& b, const Layout&, scene3ds::Random& r) {
             for (int n = 1 + r.below(8); n > 0; --n)
                 b[static_cast<std::size_t>(r.below(int(b.size())))] ^= 1 << r.below(8);
         }},
        {"insert-node",
         [](Bytes& b, const Layout& l, scene3ds::Random& r) {
             // An empty leaf, or a copy of another node's record and faces, at a record boundary.
             const std::size_t from = static_cast<std::size_t>(r.below(int(l.nodes.size())));
             Bytes record(b.begin() + long(l.nodes[from]), b.begin() + long(l.nodeEnds[from]));
             if (r.below(2)) record.assign(20, 0);
             const std::uint64_t at = r.below(2) ? pick(r, l.nodes) : pick(r, l.nodeEnds);
             b.insert(b.begin() + long(at), record.begin(), record.end());
         }},
    };
    return all;
}

} // namespace

std::vector<Mutant> mutantsOf(const std::vector<std::uint8_t>& tree, std::size_t count, std::uint64_t seed) {
    const Layout layout = layoutOf(tree);
    std::vector<Mutant> mutants;
    if (layout.nodes.empty()) return mutants;
    scene3ds::Random rng(seed);
    for (std::size_t i = 0; i < count; ++i) {
        const auto& [kind, damage] = damages()[i % damages().size()];
        Mutant m{std::string(kind) + "-" + std::to_string(i), tree};
        damage(m.bytes, layout, rng);
        mutants.push_back(std::move(m));
    }
    return mutants;
}

} // namespace norvane::test
