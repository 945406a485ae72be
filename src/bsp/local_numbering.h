// The tree's vertices that a node's faces use, numbered compactly in order of first use: a
// prepared node's own vertex list, and a subtree's built ahead. Numbering goes through a map as
// large as the tree's vertex list, kept by the caller across nodes (all -1 between uses, so a
// deep tree of small nodes neither allocates nor clears it whole); it is put back on destruction.
#pragma once

#include <cassert>
#include <cstdint>
#include <vector>

#include "norvane/geometry.h"

namespace norvane {

class LocalNumbering {
  public:
    LocalNumbering(const std::vector<Vertex>& vertices, std::vector<std::int32_t>& map)
        : vertices_(vertices), map_(map) {
        if (map_.size() < vertices_.size()) map_.resize(vertices_.size(), -1);
    }
    ~LocalNumbering() {
        for (const std::uint32_t g : globalOf_) map_[g] = -1;
    }
    LocalNumbering(const LocalNumbering&) = delete;
    LocalNumbering& operator=(const LocalNumbering&) = delete;

    // The local number of the tree's vertex `global`, given at its first use.
    std::uint32_t operator()(std::uint32_t global) {
        assert(global < vertices_.size());
        if (map_[global] < 0) {
            map_[global] = static_cast<std::int32_t>(globalOf_.size());
            globalOf_.push_back(global);
        }
        return static_cast<std::uint32_t>(map_[global]);
    }
    // The tree's vertex of each local number.
    const std::vector<std::uint32_t>& globalOf() const { return globalOf_; }
    // The vertices numbered so far, in local order.
    std::vector<Vertex> localVertices() const {
        std::vector<Vertex> local(globalOf_.size());
        for (std::size_t v = 0; v < globalOf_.size(); ++v) local[v] = vertices_[globalOf_[v]];
        return local;
    }

  private:
    const std::vector<Vertex>& vertices_;
    std::vector<std::int32_t>& map_;
    std::vector<std::uint32_t> globalOf_;
};

} // namespace norvane
