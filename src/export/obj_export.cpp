// The OBJ export: the whole vertex table as v, vt and vn lines, then a group per node (or per
// material) with its faces by material, and the material library with the viewer's colours.
#include <cstdio>

#include <norvane/export.h>
#include <norvane/version.h>

#include "export/export_groups.h"
#include "export/export_text.h"

namespace norvane {
namespace {

// OBJ names end at white space; names keep their other bytes.
std::string objName(const std::string& name) {
    std::string out = name.empty() ? std::string("_") : name;
    for (char& c : out)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) c = '_';
    return exporting::utf8OfLatin1(out);
}

void appendVertices(const TreeFile& tree, std::string& out) {
    for (const Vertex& v : tree.vertices)
        out += "v " + exporting::floatText(v.x) + ' ' + exporting::floatText(v.y) + ' ' + exporting::floatText(-v.z) +
               '\n';
    for (const Vertex& v : tree.vertices)
        out += "vt " + exporting::floatText(v.u) + ' ' + exporting::floatText(v.v) + '\n';
    for (const Vertex& v : tree.vertices)
        out += "vn " + exporting::floatText(v.nx) + ' ' + exporting::floatText(v.ny) + ' ' +
               exporting::floatText(-v.nz) + '\n';
}

void appendFaces(const TreeFile& tree, const exporting::Primitive& primitive, std::string& out) {
    out += "usemtl " + objName(exporting::materialName(tree, primitive.material)) + '\n';
    for (const TreeFileFace* face : primitive.faces) {
        out += 'f';
        for (const std::uint32_t corner : face->verts) {
            const std::string index = std::to_string(corner + 1);
            out += ' ' + index + '/' + index + '/' + index;
        }
        out += '\n';
    }
}

std::string materialLibrary(const TreeFile& tree) {
    std::string out = "# Norvane " + std::string(version()) + ": the viewer's colours\n";
    const auto add = [&](std::uint32_t material) {
        const std::uint32_t colour = materialDisplayColour(material, noMaterialOf(tree));
        char line[96];
        std::snprintf(line, sizeof line, "Kd %.9g %.9g %.9g\n", ((colour >> 16) & 0xff) / 255.0,
                      ((colour >> 8) & 0xff) / 255.0, (colour & 0xff) / 255.0);
        out += "newmtl " + objName(exporting::materialName(tree, material)) + '\n' + line + "illum 1\n";
    };
    for (std::uint32_t i = 0; i < tree.materials.size(); ++i) add(i);
    add(noMaterialOf(tree));
    return out;
}

} // namespace

bool exportObj(const TreeFile& tree, std::string& obj, std::string& mtl, const std::string& mtlName,
               TreeFileError& error, const ExportOptions& options) {
    if (!exporting::exportable(tree, error)) return false;
    obj = "# Norvane " + std::string(version()) + ": z negated from the tree file\nmtllib " + mtlName + '\n';
    appendVertices(tree, obj);
    if (options.flat) {
        for (const exporting::Primitive& primitive : exporting::flatPrimitives(tree)) {
            obj += "g " + objName(exporting::materialName(tree, primitive.material)) + '\n';
            appendFaces(tree, primitive, obj);
        }
    } else {
        exporting::PathWalk walk;
        for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
            const std::string& path = walk.next(tree, static_cast<std::int32_t>(i));
            obj += "g " + exporting::nodeName(path) + '\n';
            for (const exporting::Primitive& primitive : exporting::nodePrimitives(tree.nodes[i]))
                appendFaces(tree, primitive, obj);
        }
    }
    mtl = materialLibrary(tree);
    return true;
}

} // namespace norvane
