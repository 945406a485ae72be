// Where a plane search spends its work, node size by node size: how many candidates each step
// settled, how many boxes and leaves the scan opened for the candidates it counted in full and
// for those it gave up, and why it gave them up. The build gathers them only when asked (a
// benchmark's --stats); the counting itself is a few additions per candidate.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace norvane {

// What the box scan did for its candidates.
struct ScanCounters {
    std::int64_t counted = 0;                             // counted in full over the boxes
    std::int64_t abandonedByCuts = 0;                     // given up because the faces cut so far cost too much
    std::int64_t abandonedByBalance = 0;                  // given up because too many faces lie on one side
    std::int64_t twinsSettled = 0;                        // settled by another candidate with the same plane
    std::int64_t familyCounted = 0;                       // counted with the planes that share their normal
    std::int64_t countedBoxes = 0, countedLeaves = 0;     // opened for candidates counted in full
    std::int64_t abandonedBoxes = 0, abandonedLeaves = 0; // opened for candidates given up

    void add(const ScanCounters& o) {
        counted += o.counted;
        abandonedByCuts += o.abandonedByCuts;
        abandonedByBalance += o.abandonedByBalance;
        twinsSettled += o.twinsSettled;
        familyCounted += o.familyCounted;
        countedBoxes += o.countedBoxes;
        countedLeaves += o.countedLeaves;
        abandonedBoxes += o.abandonedBoxes;
        abandonedLeaves += o.abandonedLeaves;
    }
};

// One row per node size: nodes of fewer than 64, 256, 1024, 4096 and 16384 faces, and larger.
struct PlaneSearchStats {
    struct Row {
        std::int64_t nodes = 0;    // nodes searched
        std::int64_t faces = 0;    // their faces together
        std::int64_t known = 0;    // candidates whose counts came from the parent
        std::int64_t direct = 0;   // candidates counted face by face in small searches
        std::int64_t prepared = 0; // nodes that built a box hierarchy
        ScanCounters scan;
    };
    static constexpr std::size_t rows = 6;
    std::array<Row, rows> byNodeSize;

    void add(const PlaneSearchStats& other) {
        for (std::size_t row = 0; row < rows; ++row) {
            Row& r = byNodeSize[row];
            const Row& o = other.byNodeSize[row];
            r.nodes += o.nodes, r.faces += o.faces, r.known += o.known, r.direct += o.direct;
            r.prepared += o.prepared;
            r.scan.add(o.scan);
        }
    }

    static std::size_t rowOf(std::size_t faces) {
        std::size_t row = 0;
        for (std::size_t limit = 64; row + 1 < rows && faces >= limit; limit *= 4) ++row;
        return row;
    }
};

} // namespace norvane
