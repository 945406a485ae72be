#include "dump/tree_json.h"

#include <array>
#include <string>

#include "common/json_text.h"
#include "common/record_values.h"

namespace norvane::dump {
namespace {

// {"a": .., "b": .., "c": .., "d": ..}
void appendPlane(std::string& out, const Plane& plane) {
    static constexpr const char* keys[4] = {"{\"a\": ", ", \"b\": ", ", \"c\": ", ", \"d\": "};
    const std::array<float, 4> values = planeValues(plane);
    for (std::size_t i = 0; i < 4; ++i) {
        out += keys[i];
        appendJsonFloat(out, values[i]);
    }
    out += '}';
}

void appendIndexOrNull(std::string& out, std::int64_t index) {
    out += index < 0 ? std::string("null") : std::to_string(index);
}

void appendVertex(std::string& out, const Vertex& vertex) {
    const std::array<float, 8> v = vertexValues(vertex);
    static constexpr const char* keys[8] = {
        "{\"x\": ", ", \"y\": ", ", \"z\": ", ", \"u\": ", ", \"v\": ", ", \"nx\": ", ", \"ny\": ", ", \"nz\": "};
    for (int i = 0; i < 8; ++i) {
        out += keys[i];
        appendJsonFloat(out, v[static_cast<std::size_t>(i)]);
    }
    out += '}';
}

void appendFace(std::string& out, const TreeFileFace& face, std::uint32_t noMaterial) {
    out += "{\"corners\": [";
    out += std::to_string(face.verts[0]) + ", " + std::to_string(face.verts[1]) + ", " + std::to_string(face.verts[2]);
    out += "], \"id\": ";
    out += std::to_string(face.id);
    out += ", \"material\": ";
    appendIndexOrNull(out, face.material == noMaterial ? -1 : std::int64_t{face.material});
    out += ", \"plane\": ";
    appendPlane(out, face.plane);
    out += '}';
}

// Hands on what has gathered once it is large.
void flushIfLarge(std::string& out, const TextWriter& write) {
    if (out.size() < (1u << 16)) return;
    write(out);
    out.clear();
}

void appendNode(std::string& out, const TreeFile& file, std::size_t i) {
    const TreeFileNode& n = file.nodes[i];
    out += "{\"index\": " + std::to_string(i) + ", \"depth\": " + std::to_string(n.depth) + ", \"parent\": ";
    appendIndexOrNull(out, n.parent);
    out += ", \"flags\": " + std::to_string(n.flags) + ", \"plane\": ";
    appendPlane(out, n.plane);
    out += ", \"front\": ";
    appendIndexOrNull(out, n.front);
    out += ", \"back\": ";
    appendIndexOrNull(out, n.back);
    out += ", \"faces\": [";
    for (std::size_t f = 0; f < n.faces.size(); ++f) {
        if (f) out += ", ";
        appendFace(out, n.faces[f], noMaterialOf(file));
    }
    out += "]}";
}

} // namespace

// "version" is the version of this layout, the file's own is header.version. One vertex and one
// node per line, so the output stays greppable.
void writeTreeJson(const TreeFile& file, const TextWriter& write) {
    std::string out = "{\"format\": \"norvane-tree\", \"version\": " + std::to_string(treeJsonVersion) +
                      ",\n \"header\": {\"magic\": \"BSP\", \"version\": " + std::to_string(file.version) +
                      ", \"vertexCount\": " + std::to_string(file.vertexCount) +
                      ", \"faceCount\": " + std::to_string(file.faceCount) +
                      ", \"materialCount\": " + std::to_string(file.materialCount) + "},\n \"materials\": [";
    for (std::size_t i = 0; i < file.materials.size(); ++i) {
        if (i) out += ", ";
        appendJsonString(out, file.materials[i]);
    }
    out += "],\n \"vertices\": [";
    for (std::size_t i = 0; i < file.vertices.size(); ++i) {
        out += i ? ",\n  " : "\n  ";
        appendVertex(out, file.vertices[i]);
        flushIfLarge(out, write);
    }
    out += "],\n \"nodes\": [";
    for (std::size_t i = 0; i < file.nodes.size(); ++i) {
        out += i ? ",\n  " : "\n  ";
        appendNode(out, file, i);
        flushIfLarge(out, write);
    }
    out += "]}\n";
    write(out);
}

} // namespace norvane::dump
