#include "bsp/family_plan.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/hash_table.h"

namespace norvane {
namespace {

// Normals that round to one point of this grid (of this many points per unit) form one family.
constexpr double normalCells = 1e5;

struct NormalCell {
    std::int64_t at[3];
    bool operator==(const NormalCell&) const = default;
};
struct NormalCellHasher {
    std::uint64_t operator()(const NormalCell& c) const {
        std::uint32_t words[6];
        for (int k = 0; k < 3; ++k) {
            words[2 * k] = static_cast<std::uint32_t>(c.at[k]);
            words[2 * k + 1] = static_cast<std::uint32_t>(c.at[k] >> 32);
        }
        return hashWords(words, 6);
    }
};

// The grid point of a normal component; normals too large for the grid have none.
bool onGrid(double component, std::int64_t& at) {
    if (!(std::fabs(component) <= 1e6)) return false;
    const double scaled = component * normalCells;
    at = static_cast<std::int64_t>(scaled + (scaled >= 0 ? 0.5 : -0.5));
    return true;
}

// The cell of a plane's normal; false for a plane without one (not finite, or off the grid).
bool cellOf(const Plane& p, NormalCell& cell) {
    return std::isfinite(p.d) && onGrid(p.a, cell.at[0]) && onGrid(p.b, cell.at[1]) && onGrid(p.c, cell.at[2]);
}

// About how many distinct planes the largest family has, from an even sample of the candidates:
// a candidate with a plane of its own counts one, one whose plane several share counts the
// node's shared planes over the candidates that share them. Finding the families costs a
// look-up per candidate, which most nodes of walls and floors would not earn back; the guess
// costs a few.
template <std::size_t samples>
double largestFamilyGuess(const PreparedNode& node, const std::vector<std::int32_t>& candidates) {
    const std::size_t stride = std::max<std::size_t>(1, candidates.size() / samples);
    struct InCell {
        std::int32_t own = 0, sharing = 0;
    };
    // A small open table on the stack: twice the samples, so it never fills.
    struct Slot {
        NormalCell cell;
        InCell count;
        bool used;
    };
    std::array<Slot, 2 * samples> table{};
    std::int32_t sampled = 0, sharing = 0;
    for (std::size_t u = 0; u < candidates.size() && sampled < std::int32_t{samples}; u += stride) {
        const std::int32_t i = candidates[u];
        const bool shares = node.sharedSlot[static_cast<std::size_t>(i)] >= 0;
        ++sampled;
        sharing += shares;
        NormalCell cell{};
        if (!cellOf(node.plane(i), cell)) continue;
        std::size_t at = NormalCellHasher{}(cell) % table.size();
        while (table[at].used && !(table[at].cell == cell)) at = (at + 1) % table.size();
        table[at].used = true;
        table[at].cell = cell;
        (shares ? table[at].count.sharing : table[at].count.own)++;
    }
    const double scale = double(candidates.size()) / double(sampled);
    // Each sharing candidate's share of a plane: the shared planes over the candidates sharing.
    const double perSharing = sharing > 0 ? std::min(1.0, double(node.sharedPlanes) / (sharing * scale)) : 0;
    double largest = 0;
    for (const Slot& s : table) largest = std::max(largest, double(s.count.own) + perSharing * double(s.count.sharing));
    return largest * scale;
}

// The families with at least `minPlanes` distinct planes, members in candidate order. Candidates
// whose plane has no cell belong to none; candidates with one plane go where the first went.
std::vector<PlaneFamily> familiesOf(const PreparedNode& node, const std::vector<std::int32_t>& candidates,
                                    std::size_t minPlanes) {
    HashTable<NormalCell, std::int32_t, NormalCellHasher> familyOf(64);
    std::vector<std::int32_t> familyOfSlot(node.sharedPlanes, -2); // -2 not seen yet, -1 none
    std::vector<std::int32_t> family(candidates.size());
    std::vector<PlaneFamily> all;
    std::vector<std::size_t> planes; // per family, its distinct planes
    for (std::size_t u = 0; u < candidates.size(); ++u) {
        const std::int32_t slot = node.sharedSlot[static_cast<std::size_t>(candidates[u])];
        std::int32_t f = slot >= 0 ? familyOfSlot[static_cast<std::size_t>(slot)] : -2;
        if (f == -2) {
            const Plane& p = node.plane(candidates[u]);
            NormalCell cell{};
            f = cellOf(p, cell) ? familyOf.insert(cell, static_cast<std::int32_t>(all.size())) : -1;
            if (f >= 0 && static_cast<std::size_t>(f) == all.size()) {
                all.emplace_back();
                all.back().normal[0] = p.a, all.back().normal[1] = p.b, all.back().normal[2] = p.c;
                planes.push_back(0);
            }
            if (f >= 0) ++planes[static_cast<std::size_t>(f)];
            if (slot >= 0) familyOfSlot[static_cast<std::size_t>(slot)] = f;
        }
        family[u] = f;
    }
    for (std::size_t u = 0; u < candidates.size(); ++u)
        if (family[u] >= 0 && planes[static_cast<std::size_t>(family[u])] >= minPlanes)
            all[static_cast<std::size_t>(family[u])].members.push_back(candidates[u]);
    for (std::size_t f = 0; f < all.size(); ++f) all[f].planes = planes[f];
    std::erase_if(all, [](const PlaneFamily& f) { return f.members.empty(); });
    return all;
}

bool finiteVertices(const std::vector<Vertex>& local) {
    for (const Vertex& v : local)
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return false;
    return true;
}

// Counting a family together costs about a pass over the node's vertices and faces; one
// smaller than this share of them seldom earns that back (its members would have to cost more
// than a hundred boxes each), and finding the families costs a look-up per candidate.
std::size_t fewestPlanes(const PreparedNode& node) {
    return std::max<std::size_t>(128, (node.local.size() + node.corners.size()) / 64);
}

// Counting a family together, in boxes tested: the searches and the runs cost about 2 per
// vertex and face of the node, and sorting its planes about 2 per plane.
std::int64_t passCostOf(const PreparedNode& node, const PlaneFamily& family) {
    return 2 * static_cast<std::int64_t>(node.local.size() + node.corners.size()) +
           2 * static_cast<std::int64_t>(family.planes);
}

// One family's distinct planes (the first candidate of each) sorted by d, and the position of
// each member's plane among them.
PlaneFamily sortedPlanes(const PreparedNode& node, const PlaneFamily& family, std::vector<std::int32_t>& position) {
    std::vector<std::int32_t> firstOfSlot(node.sharedPlanes, -1);
    std::vector<std::int32_t> firstOf(family.members.size()); // per member, the member with its plane first
    std::vector<std::int32_t> distinct;
    for (std::size_t m = 0; m < family.members.size(); ++m) {
        const std::int32_t slot = node.sharedSlot[static_cast<std::size_t>(family.members[m])];
        std::int32_t* first = slot >= 0 ? &firstOfSlot[static_cast<std::size_t>(slot)] : nullptr;
        if (!first || *first < 0) {
            if (first) *first = static_cast<std::int32_t>(m);
            distinct.push_back(static_cast<std::int32_t>(m));
        }
        firstOf[m] = first ? *first : static_cast<std::int32_t>(m);
    }
    std::sort(distinct.begin(), distinct.end(), [&](std::int32_t x, std::int32_t y) {
        return node.plane(family.members[static_cast<std::size_t>(x)]).d <
               node.plane(family.members[static_cast<std::size_t>(y)]).d;
    });
    PlaneFamily sorted;
    std::copy(std::begin(family.normal), std::end(family.normal), sorted.normal);
    std::vector<std::int32_t> at(family.members.size(), -1);
    for (std::size_t j = 0; j < distinct.size(); ++j) {
        sorted.members.push_back(family.members[static_cast<std::size_t>(distinct[j])]);
        at[static_cast<std::size_t>(distinct[j])] = static_cast<std::int32_t>(j);
    }
    sorted.planes = distinct.size();
    position.resize(family.members.size());
    for (std::size_t m = 0; m < family.members.size(); ++m) position[m] = at[static_cast<std::size_t>(firstOf[m])];
    return sorted;
}

} // namespace

FamilyPlan planFamilies(const PreparedNode& node, const std::vector<std::int32_t>& candidates) {
    FamilyPlan plan;
    const std::size_t minPlanes = fewestPlanes(node);
    // A quick guess, then a closer one before the look-ups.
    if (candidates.size() < minPlanes || largestFamilyGuess<32>(node, candidates) < double(minPlanes) ||
        largestFamilyGuess<512>(node, candidates) < double(minPlanes) || !finiteVertices(node.local))
        return plan;
    const std::vector<PlaneFamily> found = familiesOf(node, candidates, minPlanes);
    if (found.empty()) return plan;
    plan.count = found.size();
    plan.families = std::make_unique<FamilyPlan::Family[]>(found.size());
    plan.familyOf.assign(node.faces->size(), -1);
    plan.planeAt.assign(node.faces->size(), -1);
    for (std::size_t f = 0; f < found.size(); ++f) {
        FamilyPlan::Family& family = plan.families[f];
        family.members = found[f];
        family.passCost = passCostOf(node, family.members);
        for (const std::int32_t i : family.members.members)
            plan.familyOf[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(f);
    }
    return plan;
}

bool familyTally(const PreparedNode& node, const FamilyPlan& plan, std::int32_t i, SideTally& tally) {
    if (plan.familyOf.empty()) return false;
    const std::int32_t f = plan.familyOf[static_cast<std::size_t>(i)];
    if (f < 0) return false;
    const FamilyPlan::Family& family = plan.families[static_cast<std::size_t>(f)];
    if (family.stage.load(std::memory_order_acquire) != FamilyPlan::Counted) return false;
    tally = family.tallies[static_cast<std::size_t>(plan.planeAt[static_cast<std::size_t>(i)])];
    tally.add(node.classifyOwn(node.plane(i), static_cast<std::size_t>(i)), -1);
    return true;
}

void chargeFamily(const PreparedNode& node, FamilyPlan& plan, std::int32_t i, std::int64_t cost) {
    if (plan.familyOf.empty()) return;
    const std::int32_t f = plan.familyOf[static_cast<std::size_t>(i)];
    if (f < 0) return;
    FamilyPlan::Family& family = plan.families[static_cast<std::size_t>(f)];
    if (2 * (family.spent.fetch_add(cost, std::memory_order_relaxed) + cost) < family.passCost) return;
    int open = FamilyPlan::Open;
    if (!family.stage.compare_exchange_strong(open, FamilyPlan::Counting, std::memory_order_relaxed)) return;
    std::vector<std::int32_t> position;
    const PlaneFamily sorted = sortedPlanes(node, family.members, position);
    for (std::size_t m = 0; m < position.size(); ++m)
        plan.planeAt[static_cast<std::size_t>(family.members.members[m])] = position[m];
    // More corrections than faces would cost more than the pass itself: leave the family to the
    // box search then.
    family.tallies = tallyFamily(node, sorted, node.corners.size());
    family.stage.store(family.tallies.empty() ? FamilyPlan::Refused : FamilyPlan::Counted, std::memory_order_release);
}

} // namespace norvane
