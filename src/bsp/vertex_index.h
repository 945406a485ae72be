// Finds the first vertex of a list that equals a given vertex in x, y, z, u and v, as the
// build and the writer look corners up: -0 equals 0, and a NaN component equals any value
// (on either side). The normal is not compared. Look-ups go through hash tables keyed on the
// exact float bits; vertices with NaN components are grouped by which components are NaN, so
// that they too are found without scanning the list.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "norvane/scene.h"

namespace norvane {

class VertexIndex {
  public:
    // Indexes `list`. The list must outlive the index and only grow, through add().
    explicit VertexIndex(const std::vector<Vertex>& list);
    ~VertexIndex();
    VertexIndex(const VertexIndex&) = delete;
    VertexIndex& operator=(const VertexIndex&) = delete;

    // Takes in the element that was just appended to the list.
    void add();
    // Index of the first matching element, or -1. A query with NaN components the index has
    // not met before builds the table it needs first.
    std::int32_t find(const Vertex& v);

    using Key = std::array<std::uint32_t, 5>;

  private:
    struct Group;
    const std::vector<Vertex>& list_;
    std::size_t indexed_ = 0;
    // One group per pattern of NaN components (32 patterns), created when first needed, and
    // the patterns that have one, in order, so a look-up visits only those.
    std::array<std::unique_ptr<Group>, 32> groups_;
    std::vector<unsigned> present_;
};

// For each vertex of the list, the index of the first vertex equal to it (itself or earlier).
// A list without NaN components, nearly every list, takes one pass of a single table.
std::vector<std::uint32_t> firstEqualOfEach(const std::vector<Vertex>& list);

// The straightforward first-match scan, kept as the oracle of the index.
std::int32_t findVertexLinear(const std::vector<Vertex>& list, const Vertex& v);

// True when the two vertices are equal for the look-up.
bool sameVertex(const Vertex& a, const Vertex& b);

} // namespace norvane
