#include "export/export_groups.h"

#include <map>

#include <norvane/export.h>

namespace norvane::exporting {

namespace {

// Faces gathered by material, in ascending material order.
using ByMaterial = std::map<std::uint32_t, Primitive>;

void gather(ByMaterial& byMaterial, const TreeFileNode& node) {
    for (const TreeFileFace& face : node.faces) {
        Primitive& primitive = byMaterial[face.material];
        primitive.material = face.material;
        primitive.faces.push_back(&face);
    }
}

std::vector<Primitive> inMaterialOrder(ByMaterial& byMaterial) {
    std::vector<Primitive> out;
    for (auto& [material, primitive] : byMaterial) out.push_back(std::move(primitive));
    return out;
}

} // namespace

std::vector<Primitive> nodePrimitives(const TreeFileNode& node) {
    ByMaterial byMaterial;
    gather(byMaterial, node);
    return inMaterialOrder(byMaterial);
}

std::vector<Primitive> flatPrimitives(const TreeFile& tree) {
    ByMaterial byMaterial;
    for (const TreeFileNode& node : tree.nodes) gather(byMaterial, node);
    return inMaterialOrder(byMaterial);
}

const std::string& PathWalk::next(const TreeFile& tree, std::int32_t index) {
    const TreeFileNode& node = tree.nodes[static_cast<std::size_t>(index)];
    if (node.parent < 0) {
        path_.clear();
        return path_;
    }
    const TreeFileNode& parent = tree.nodes[static_cast<std::size_t>(node.parent)];
    path_.resize(static_cast<std::size_t>(parent.depth - 1));
    path_ += parent.front == index ? 'F' : 'B';
    return path_;
}

std::string nodeName(const std::string& path) { return path.empty() ? std::string("root") : path; }

std::string materialName(const TreeFile& tree, std::uint32_t material) {
    if (material < tree.materials.size()) return tree.materials[material];
    return "(no material)";
}

bool exportable(const TreeFile& tree, TreeFileError& error) {
    if (!checkTreeFile(tree, error)) return false;
    // checkTreeFile holds corners below vertexCount; the table read may be shorter only when
    // the model was built by hand.
    for (const TreeFileNode& node : tree.nodes)
        for (const TreeFileFace& face : node.faces)
            for (const std::uint32_t corner : face.verts)
                if (corner >= tree.vertices.size()) {
                    error.code = TreeFileErrorCode::CornerOutOfRange;
                    error.offset = node.offset;
                    error.message = "a face corner names no vertex of the table";
                    return false;
                }
    return true;
}

namespace {
// The viewer's palette (tools/view/shading.cpp); a test holds the two equal.
constexpr std::uint32_t palette[12] = {0xd6604d, 0x6a99d0, 0xe4b452, 0x78b46e, 0xaa78c8, 0x5abebe,
                                       0xe68caa, 0xa0a078, 0xf0964a, 0x8282dc, 0xbec85a, 0xc86e6e};
constexpr std::uint32_t noMaterialColour = 0xbebebe;
} // namespace

} // namespace norvane::exporting

namespace norvane {

std::uint32_t materialDisplayColour(std::uint32_t material, std::uint32_t noMaterial) {
    return material == noMaterial ? exporting::noMaterialColour : exporting::palette[material % 12];
}

} // namespace norvane
