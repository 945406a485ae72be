// The build driver: gathers every mesh's vertices and faces into the tree's lists, then builds
// the nodes depth first, printing the progress lines, the spinner and the closing statistics.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "bsp/bsp_tree.h"
#include "driver/console.h"
#include "scene/scene.h"

namespace norvane {

// The tree format holds at most this many vertices, initial faces, materials and faces at one
// node.
constexpr std::size_t maxFileCount = 65535;

struct BuildCounters {
    std::int32_t level = 0;       // depth of the node being built; the root is 1
    std::int32_t maxLevel = 0;    // deepest level reached
    std::int32_t faceTotal = 0;   // initial faces plus two for every split
    std::int32_t facesPlaced = 0; // faces stored in finished nodes
    std::int32_t nodesBuilt = 0;
};

// The console spinner: every 52nd call draws the next of "/|\-" over the line's last
// character. Its state lives for the whole run.
class Spinner {
public:
    void tick(Console& console);
    // The same as n calls of tick, without walking the calls that draw nothing.
    void ticks(Console& console, std::size_t n) {
        while (n > 0) {
            const auto silent = static_cast<std::size_t>(calls_ <= 51 ? 51 - calls_ : 0); // calls before the next draw
            if (n <= silent) {
                calls_ += static_cast<std::int32_t>(n);
                return;
            }
            calls_ += static_cast<std::int32_t>(silent);
            n -= silent + 1;
            tick(console);
        }
    }

private:
    std::int32_t calls_ = 0;
    std::int32_t index_ = 0;
};

struct BuildContext {
    explicit BuildContext(Console& c) : console(c) {}
    Console& console;
    Spinner spinner;
    BuildCounters counters;
    // The straightforward searches (every face against every candidate, linear vertex
    // look-ups): the same tree, slowly; for benchmarks and as an oracle.
    bool straightforward = false;
    // Threads for the plane search of large nodes: 0 for the machine's cores (at most eight).
    // Any number builds the same tree.
    unsigned threads = 0;
    // Wall-clock seconds the build spent on the lists and on the nodes, for benchmarks.
    double listSeconds = 0, nodeSeconds = 0;
};

// Builds the tree; null after printing an error line (the tree cannot fit the file format).
std::unique_ptr<BspTree> buildTree(const Scene& scene, BuildContext& ctx);

// Builds every node from the root's faces (the partitioner). False when the build had to stop
// because the tree outgrew the file format; the error line has been printed.
bool buildNodes(BspTree& tree, std::vector<BspFace> rootFaces, BuildContext& ctx);

} // namespace norvane
