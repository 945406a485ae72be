// The public compile: the build's tree laid out as the tree file's model.
#include <cmath>
#include <limits>
#include <new>

#include "bsp/build_tree.h"
#include "bsp/vertex_index.h"
#include "common/beside.h"
#include "common/fail_with.h"
#include "common/silent_progress.h"
#include "compile/compile_with_stats.h"
#include "scene/face_vertices.h"

namespace norvane {
namespace {

const char* buildErrorText(BuildErrorCode code) {
    switch (code) {
    case BuildErrorCode::None:
        return "the tree was built";
    case BuildErrorCode::Stopped:
        return "the build was stopped";
    case BuildErrorCode::TooManyVertices:
        return "more vertices than the tree file's counts hold";
    case BuildErrorCode::TooManyVerticesAfterCuts:
        return "more vertices after cuts than the tree file's counts hold";
    case BuildErrorCode::TooManyFaces:
        return "more initial faces than the tree file's counts hold";
    case BuildErrorCode::CornerOutOfRange:
        return "a face corner names no vertex of its mesh";
    case BuildErrorCode::MaterialOutOfRange:
        return "a face's material names no material of the scene";
    case BuildErrorCode::OutOfMemory:
        return "the tree does not fit in memory";
    }
    return "unknown";
}

bool failed(BuildError& error, BuildErrorCode code) { return failWith(error, code, 0, buildErrorText(code)); }

// A limit of version 50 is named with the version that holds the tree.
bool failedLimit(BuildError& error, BuildErrorCode code, const TreeFormat& format) {
    failed(error, code);
    error.message += " (" + std::to_string(format.maxCount) + " in version " + std::to_string(format.version) +
                     (format.version == treeFormat50.version ? "; version 51 holds it)" : ")");
    return false;
}

// Whether the built tree fits a format's counts.
bool fits(const BspTree& built, const TreeFormat& format) {
    const auto max = std::size_t{format.maxCount};
    if (built.vertices.size() > max || static_cast<std::size_t>(built.faceCount) > max ||
        built.materialNames.size() > max)
        return false;
    for (const BspNode& node : built.nodes)
        if (node.storedFaces.size() > max) return false;
    return true;
}

// The layout a build aims at, and the one its tree is laid out in.
const TreeFormat& targetFormat(TreeFormatChoice choice) {
    return choice == TreeFormatChoice::Version50 ? treeFormat50 : treeFormat51;
}

const TreeFormat& chosenFormat(TreeFormatChoice choice, const BspTree& built) {
    if (choice == TreeFormatChoice::Smallest && fits(built, treeFormat50)) return treeFormat50;
    return targetFormat(choice);
}

// The file holds every NaN as the quiet NaN 0x7FC00000; so does the model, to be the file's.
float asStored(float f) { return std::isnan(f) ? std::numeric_limits<float>::quiet_NaN() : f; }

Plane asStored(const Plane& p) { return {asStored(p.a), asStored(p.b), asStored(p.c), asStored(p.d)}; }

void storeNans(std::vector<Vertex>& vertices) {
    for (Vertex& v : vertices)
        for (float* f : {&v.x, &v.y, &v.z, &v.u, &v.v, &v.nx, &v.ny, &v.nz}) *f = asStored(*f);
}

// A node as the file holds it; its faces' corners are still the build's vertex numbers.
TreeFileNode fileNode(const BspNode& node, const TreeFormat& format) {
    TreeFileNode out;
    out.flags = static_cast<std::uint16_t>(node.flags);
    out.plane = node.hasPlane ? asStored(node.plane) : Plane{};
    out.depth = node.depth;
    out.front = node.front;
    out.back = node.back;
    out.faces.reserve(node.storedFaces.size());
    for (const BspFace& face : node.storedFaces) {
        TreeFileFace f;
        for (int k = 0; k < 3; ++k) f.verts[k] = face.verts[k];
        f.id = static_cast<std::uint32_t>(face.id);
        f.material = face.material < 0 ? format.noMaterial : static_cast<std::uint32_t>(face.material);
        f.plane = asStored(face.plane);
        out.faces.push_back(f);
    }
    return out;
}

// The nodes, their offsets, sizes and parents.
void layOutNodes(const BspTree& built, const TreeFormat& format, TreeFile& tree) {
    std::uint64_t offset =
        format.headerSize + materialSlotSize * tree.materialCount + vertexRecordSize * tree.vertexCount;
    tree.nodes.reserve(built.nodes.size());
    for (const BspNode& node : built.nodes) {
        tree.nodes.push_back(fileNode(node, format));
        tree.nodes.back().offset = offset;
        offset += format.nodeRecordSize + format.faceRecordSize * node.storedFaces.size();
    }
    for (std::size_t i = 0; i < tree.nodes.size(); ++i)
        for (const std::int32_t child : {tree.nodes[i].front, tree.nodes[i].back})
            if (child >= 0) tree.nodes[static_cast<std::size_t>(child)].parent = static_cast<std::int32_t>(i);
    tree.size = offset;
}

// The model readTreeFile would fill from the written file: parents, offsets and size included.
// With a second thread, the vertices are matched while the nodes are copied.
void layOut(BspTree& built, const TreeFormat& format, bool beside, TreeFile& tree) {
    tree.version = format.version;
    tree.faceCount = static_cast<std::uint32_t>(built.faceCount);
    for (std::string& name : built.materialNames) {
        // A slot holds 255 bytes and a NUL; the name is what precedes the first NUL.
        name = name.substr(0, std::min(name.find('\0'), std::size_t(materialSlotSize - 1)));
        tree.materials.push_back(std::move(name));
    }
    tree.vertexCount = static_cast<std::uint32_t>(built.vertices.size());
    tree.materialCount = static_cast<std::uint32_t>(tree.materials.size());
    // Where each vertex is written: the first vertex of the list equal to it in x, y, z, u and
    // v. The build already matched every listed corner so, but not the vertices the cuts made,
    // and a corner's match can itself have an earlier match: a NaN component equals any value,
    // so the matching is not transitive. Matching the whole list once more here keeps the
    // file's indices what they have always been.
    std::vector<std::uint32_t> first;
    runBeside(
        beside, [&] { first = firstEqualOfEach(built.vertices); }, [&] { layOutNodes(built, format, tree); });
    for (TreeFileNode& node : tree.nodes)
        for (TreeFileFace& face : node.faces)
            for (std::uint32_t& v : face.verts) v = first[v];
    tree.vertices = std::move(built.vertices);
    storeNans(tree.vertices);
}

} // namespace

bool compileSceneWithStats(const Scene& scene, TreeFile& tree, BuildError& error, const BuildOptions& options,
                           CompileProgress* progress, BuildStats* statsOut, PlaneSearchStats* searchStats) {
    tree = TreeFile{};
    error = BuildError{};
    try {
        const TreeFormat& target = targetFormat(options.format);
        BspTree built;
        BuildStats stats;
        const BuildErrorCode code = buildTree(scene, options, {target.maxCount, target.maxCount},
                                              progressOrSilent(progress), built, stats, searchStats);
        if (code == BuildErrorCode::TooManyVertices || code == BuildErrorCode::TooManyVerticesAfterCuts ||
            code == BuildErrorCode::TooManyFaces)
            return failedLimit(error, code, target);
        if (code != BuildErrorCode::None) return failed(error, code);
        layOut(built, chosenFormat(options.format, built), mayRunBeside(options.threads, built.vertices.size()), tree);
        if (statsOut) *statsOut = stats;
        return true;
    } catch (const std::bad_alloc&) {
        tree = TreeFile{};
        return failed(error, BuildErrorCode::OutOfMemory);
    }
}

bool compileScene(const Scene& scene, TreeFile& tree, BuildError& error, const BuildOptions& options,
                  CompileProgress* progress, BuildStats* stats) {
    return compileSceneWithStats(scene, tree, error, options, progress, stats, nullptr);
}

SceneListCounts countSceneLists(const Scene& scene) {
    SceneListCounts counts;
    std::vector<Vertex> list;
    for (const Mesh& mesh : scene.meshes) list.insert(list.end(), mesh.vertices.begin(), mesh.vertices.end());
    VertexIndex index(list);
    for (std::size_t m = 0; m < scene.meshes.size(); ++m) {
        const std::vector<Vertex>& corners = faceVertices(scene, m);
        if (&corners == &scene.meshes[m].vertices) continue; // every corner is listed already
        for (const Face& face : scene.meshes[m].faces)
            for (const std::uint32_t c : face.corners)
                if (c < corners.size() && index.find(corners[c]) < 0) {
                    list.push_back(corners[c]);
                    index.add();
                }
    }
    counts.vertices = list.size();
    for (const Mesh& mesh : scene.meshes) counts.faces += mesh.faces.size();
    counts.materials = scene.materials.size();
    return counts;
}

const char* errorCodeName(BuildErrorCode code) {
    switch (code) {
    case BuildErrorCode::None:
        return "None";
    case BuildErrorCode::Stopped:
        return "Stopped";
    case BuildErrorCode::TooManyVertices:
        return "TooManyVertices";
    case BuildErrorCode::TooManyVerticesAfterCuts:
        return "TooManyVerticesAfterCuts";
    case BuildErrorCode::TooManyFaces:
        return "TooManyFaces";
    case BuildErrorCode::CornerOutOfRange:
        return "CornerOutOfRange";
    case BuildErrorCode::MaterialOutOfRange:
        return "MaterialOutOfRange";
    case BuildErrorCode::OutOfMemory:
        return "OutOfMemory";
    }
    return "unknown";
}

} // namespace norvane
