// norvane-dump scene FILE --summary: what a scene holds, and which limits of the tree file it
// will exceed or comes close to, told before anyone waits for a compile.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include <norvane/scene.h>
#include <norvane/tree_format.h>

namespace norvane::dump {

// The tree file counts in 16 bits.
inline constexpr std::size_t treeFileLimit = treeFormat50.maxCount;

struct SceneSummary {
    std::size_t meshes = 0, vertices = 0, faces = 0, materials = 0, lights = 0, cameras = 0;
    // The vertices the compiler lists before any cut: every mesh vertex, duplicates included,
    // and the rare corner that points into a vertex list a later one replaced. Each cut adds two.
    std::size_t treeVertices = 0;
    bool hasBounds = false; // some vertex has finite coordinates
    std::array<double, 3> lo{0, 0, 0}, hi{0, 0, 0};
    std::vector<std::string> materialNames;
    std::vector<std::size_t> facesPerMaterial; // by material index
    std::size_t facesWithoutMaterial = 0;
};

SceneSummary summarizeScene(const Scene& scene);

// How a count stands against its limit.
enum class LimitState { Within, Close, Exceeds };

// Exceeds above the limit; close from 90% of it, and for the vertices also when the room left
// holds fewer cuts than the scene has faces.
LimitState vertexLimitState(const SceneSummary& summary);
LimitState limitState(std::size_t count);

// The text norvane-dump prints, for the scene read from `path`.
std::string formatSceneSummary(const std::string& path, const SceneSummary& summary);

} // namespace norvane::dump
