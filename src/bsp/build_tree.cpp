#include "bsp/build_tree.h"

#include <chrono>

#include "bsp/partition.h"
#include "bsp/vertex_index.h"

namespace norvane {

namespace {

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

double secondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// Every mesh vertex, duplicates included, in mesh order.
void gatherVertices(const Scene& scene, BspTree& tree, BuildContext& ctx) {
    Console& con = ctx.console;
    con.print("    %s Creating Vertex - list  \\", branchStem);
    for (const Mesh& mesh : scene.meshes) {
        tree.vertices.insert(tree.vertices.end(), mesh.vertices.begin(), mesh.vertices.end());
        ctx.spinner.tick(con);
    }
    con.print("\n");
}

// Every face, its corners re-pointed to the first list vertex equal in x, y, z, u and v.
std::vector<BspFace> gatherFaces(const Scene& scene, BspTree& tree, BuildContext& ctx) {
    Console& con = ctx.console;
    con.print("    %s Adding faces to list  \\", lastStem);
    VertexIndex index(tree.vertices);
    std::vector<BspFace> faces;
    for (const Mesh& mesh : scene.meshes) {
        for (const Face& face : mesh.faces) {
            BspFace copy;
            copy.material = face.material;
            copy.plane = face.plane;
            for (int k = 0; k < 3; ++k) {
                std::int32_t found = ctx.straightforward ? findVertexLinear(tree.vertices, *face.verts[k])
                                                         : index.find(*face.verts[k]);
                if (found < 0) {
                    // A corner read before a later vertex list replaced its array is in no
                    // list: it joins the list now, without a normal.
                    Vertex extra = *face.verts[k];
                    extra.nx = extra.ny = extra.nz = 0.0f;
                    tree.vertices.push_back(extra);
                    index.add();
                    found = static_cast<std::int32_t>(tree.vertices.size() - 1);
                }
                copy.verts[k] = static_cast<std::uint32_t>(found);
            }
            faces.push_back(copy);
            ctx.spinner.tick(con);
        }
    }
    con.print("\r    %s Adding faces to list\n", branchStem);
    return faces;
}

} // namespace

std::unique_ptr<BspTree> buildTree(const Scene& scene, BuildContext& ctx) {
    const std::int64_t start = nowMs();
    const auto listStart = std::chrono::steady_clock::now();
    Console& con = ctx.console;
    con.print("   Creating BSP_Tree\n");
    auto tree = std::make_unique<BspTree>();
    for (const Material& material : scene.materials) tree->materialNames.push_back(material.name);
    gatherVertices(scene, *tree, ctx);
    std::vector<BspFace> faces = gatherFaces(scene, *tree, ctx);

    // A tree over more vertices or faces than the file format holds can never be written.
    if (tree->vertices.size() > maxFileCount || faces.size() > maxFileCount) {
        printError(con, "Tree too large for the BSP file format !");
        return nullptr;
    }
    for (std::size_t i = 0; i < faces.size(); ++i) faces[i].id = static_cast<std::int32_t>(i);
    tree->faceCount = static_cast<std::int32_t>(faces.size());

    ctx.counters = BuildCounters{};
    ctx.counters.faceTotal = tree->faceCount;
    ctx.listSeconds = secondsSince(listStart);
    const auto nodeStart = std::chrono::steady_clock::now();
    const bool built = buildNodes(*tree, std::move(faces), ctx);
    ctx.nodeSeconds = secondsSince(nodeStart);
    if (!built) return nullptr;

    const BuildCounters& c = ctx.counters;
    con.print("\n    %s Done [%d secs, %d nodes, %d faces, %d width]\n", lastStem,
              static_cast<int>((nowMs() - start) / 1000), c.nodesBuilt, c.faceTotal, c.maxLevel);
    return tree;
}

} // namespace norvane
