// The kinds of scene, the random source they draw from, and the box, the one kind too small
// for a file of its own; every other kind has its generator in KIND_scene.cpp.
#include "scene3ds/generators.h"

#include <stdexcept>
#include <vector>

#include "scene3ds/generator_parts.h"

namespace norvane::scene3ds {

std::uint64_t Random::next() { // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
double Random::unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
double Random::range(double lo, double hi) { return lo + (hi - lo) * unit(); }
int Random::below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

namespace {

ScenePlan boxScene() {
    ScenePlan s;
    s.materials.push_back({"Material", {0.8f, 0.6f, 0.4f}, ""});
    MeshPlan m;
    m.name = "Box";
    m.box({-1, -1, -1}, {1, 1, 1}, false, "Material");
    s.meshes.push_back(m);
    return s;
}

// Every kind: its name, what it holds, its size when --faces is not given, the largest size it
// can make, and its generator. One mesh holds at most 65535 vertices and 65535 faces (3DS's
// 16-bit counts), which bounds the kinds that put everything in one mesh or one ground grid.
struct KindEntry {
    SceneKindInfo info;
    ScenePlan (*make)(Random& rng, std::uint32_t faces);
};

const std::vector<KindEntry>& kindTable() {
    static const std::vector<KindEntry> table{
        {{"box", "one closed box of 12 faces (the size is fixed)", 12, 12},
         [](Random&, std::uint32_t) { return boxScene(); }},
        {{"arena", "rooms with doorways, pillars, stairs and ramps; lights, a camera, keyframes", 600,
          maxGeneratedFaces},
         arenaScene},
        // cells = floor(sqrt(faces / 2)); 2 cells^2 faces in one mesh: at most 181 cells a side.
        {{"terrain", "a height field of triangles in one mesh", 2000, 66247}, terrainScene},
        // Three vertices a face in one mesh.
        {{"soup", "random triangles in a cube, a quarter of them in a few shared planes", 500, 21845}, soupScene},
        // A ground grid of 18 side^2 faces, side = ceil(sqrt(faces / 128)): at most 60 lots a side.
        {{"city", "buildings on a street grid over a ground mesh", 5000, 460927}, cityScene},
        // 20 freq^2 faces in one mesh, freq = round(sqrt(faces / 20)): at most 57.
        {{"rock", "a bumpy geodesic sphere; its trees grow thousands of levels deep", 5000, 66124}, rockScene},
        // One mesh a room: only the whole scene's size is bounded.
        {{"level", "rooms on storeys, each with panels and one curved detail (sphere, torus, column, stairs)", 5000,
          maxGeneratedFaces},
         levelScene},
    };
    return table;
}

const KindEntry* findKind(const std::string& kind) {
    for (const KindEntry& entry : kindTable())
        if (kind == entry.info.name) return &entry;
    return nullptr;
}

} // namespace

const std::vector<std::string>& sceneKinds() {
    static const std::vector<std::string> kinds = [] {
        std::vector<std::string> names;
        for (const KindEntry& entry : kindTable()) names.push_back(entry.info.name);
        return names;
    }();
    return kinds;
}

bool isSceneKind(const std::string& kind) { return findKind(kind) != nullptr; }

const SceneKindInfo& sceneKindInfo(const std::string& kind) {
    const KindEntry* entry = findKind(kind);
    if (!entry) throw std::invalid_argument("unknown scene kind: " + kind);
    return entry->info;
}

ScenePlan generateScene(const std::string& kind, std::uint64_t seed, std::uint32_t faces) {
    const SceneKindInfo& info = sceneKindInfo(kind);
    if (faces > info.maxFaces)
        throw std::invalid_argument(kind + " makes at most " + std::to_string(info.maxFaces) + " faces, not " +
                                    std::to_string(faces));
    Random rng(seed * 0x2545F4914F6CDD1Dull + 1);
    return findKind(kind)->make(rng, faces ? faces : info.defaultFaces);
}

} // namespace norvane::scene3ds
