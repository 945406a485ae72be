// norvane-dump diff A.bsp B.bsp: whether two tree files are identical and, if not, where they
// first part: the section, the node (pre-order index, depth, F/B path from the root), the face
// record and the field, with both values. Files that do not parse as trees are compared byte by
// byte; only a file that cannot be read at all is trouble (exit 2), as diff(1) has it.
#include <bit>
#include <cmath>
#include <cstring>
#include <string>

#include <norvane/files.h>
#include <norvane/tree_file.h>

#include "common/json_text.h"
#include "common/number_text.h"
#include "common/record_values.h"
#include "common/terminal_text.h"
#include "dump/dump_commands.h"

namespace norvane::dump {
namespace {

// The value and its bits: "0.5 (0x3F000000)".
std::string valueAndBits(float f) {
    char bits[16];
    std::snprintf(bits, sizeof bits, "0x%08X", std::bit_cast<std::uint32_t>(f));
    return floatText(static_cast<double>(f)) + " (" + bits + ")";
}

bool sameFloat(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

constexpr const char* planeFields[] = {"a", "b", "c", "d"};

// The first of the four floats that differs in bits, as "FIELD: A vs B", or empty.
std::string planeDifference(const Plane& x, const Plane& y) {
    const std::array<float, 4> px = planeValues(x), py = planeValues(y);
    for (std::size_t k = 0; k < 4; ++k)
        if (!sameFloat(px[k], py[k]))
            return std::string(planeFields[k]) + ": " + valueAndBits(px[k]) + " vs " + valueAndBits(py[k]);
    return {};
}

// The header, the materials and the vertices: the header's counts agree before the tables are
// compared, so the tables have the same lengths.
std::string tableDifference(const TreeFile& a, const TreeFile& b) {
    const char* headerNames[] = {"version", "vertexCount", "faceCount", "materialCount"};
    const std::uint32_t ha[] = {a.version, a.vertexCount, a.faceCount, a.materialCount};
    const std::uint32_t hb[] = {b.version, b.vertexCount, b.faceCount, b.materialCount};
    for (int i = 0; i < 4; ++i)
        if (ha[i] != hb[i])
            return std::string("header field ") + headerNames[i] + ": " + std::to_string(ha[i]) + " vs " +
                   std::to_string(hb[i]);
    for (std::size_t i = 0; i < a.materials.size(); ++i)
        if (a.materials[i] != b.materials[i])
            return "material " + std::to_string(i) + ": " + jsonString(a.materials[i]) + " vs " +
                   jsonString(b.materials[i]);
    const char* vertexFields[] = {"x", "y", "z", "u", "v", "nx", "ny", "nz"};
    for (std::size_t i = 0; i < a.vertices.size(); ++i) {
        const std::array<float, 8> va = vertexValues(a.vertices[i]), vb = vertexValues(b.vertices[i]);
        for (std::size_t k = 0; k < 8; ++k)
            if (!sameFloat(va[k], vb[k]))
                return "vertex " + std::to_string(i) + " field " + vertexFields[k] + ": " + valueAndBits(va[k]) +
                       " vs " + valueAndBits(vb[k]);
    }
    return {};
}

std::string faceDifference(const TreeFileFace& p, const TreeFileFace& q) {
    const char* intFields[] = {"v0", "v1", "v2", "id", "material"};
    const std::uint32_t pi[] = {p.verts[0], p.verts[1], p.verts[2], p.id, p.material};
    const std::uint32_t qi[] = {q.verts[0], q.verts[1], q.verts[2], q.id, q.material};
    for (int k = 0; k < 5; ++k)
        if (pi[k] != qi[k])
            return std::string(" field ") + intFields[k] + ": " + std::to_string(pi[k]) + " vs " +
                   std::to_string(qi[k]);
    const std::string plane = planeDifference(p.plane, q.plane);
    return plane.empty() ? plane : " field " + plane;
}

std::string pathOf(const TreeFile& f, std::size_t i) {
    const std::string p = nodePath(f, static_cast<std::int32_t>(i));
    return p.empty() ? std::string("root") : p;
}

bool isFrontChild(const TreeFile& f, std::size_t i) {
    const TreeFileNode& node = f.nodes[i];
    return node.parent >= 0 && f.nodes[static_cast<std::size_t>(node.parent)].front == static_cast<std::int32_t>(i);
}

// Node n of both files: its place, flags, plane and faces. Nodes before it all agreed, so
// equal parents and sides mean equal paths; the paths themselves are only spelled out for the
// message.
std::string nodeDifference(const TreeFile& a, const TreeFile& b, std::size_t n) {
    const TreeFileNode& x = a.nodes[n];
    const TreeFileNode& y = b.nodes[n];
    if (x.depth != y.depth || x.parent != y.parent || isFrontChild(a, n) != isFrontChild(b, n))
        return "node " + std::to_string(n) + " (depth " + std::to_string(x.depth) + ", path " + pathOf(a, n) +
               "): in the other file this node is at depth " + std::to_string(y.depth) + ", path " + pathOf(b, n);
    auto where = [&] {
        return "node " + std::to_string(n) + " (depth " + std::to_string(x.depth) + ", path " + pathOf(a, n) + ")";
    };
    if (x.flags != y.flags) return where() + " flags: " + std::to_string(x.flags) + " vs " + std::to_string(y.flags);
    if (const std::string plane = planeDifference(x.plane, y.plane); !plane.empty()) return where() + " plane " + plane;
    if (x.faces.size() != y.faces.size())
        return where() + " face count: " + std::to_string(x.faces.size()) + " vs " + std::to_string(y.faces.size());
    for (std::size_t f = 0; f < x.faces.size(); ++f)
        if (const std::string face = faceDifference(x.faces[f], y.faces[f]); !face.empty())
            return where() + " face " + std::to_string(f) + face;
    return {};
}

// The first difference of two parsed files, or empty.
std::string firstDifference(const TreeFile& a, const TreeFile& b) {
    if (std::string table = tableDifference(a, b); !table.empty()) return table;
    for (std::size_t n = 0; n < a.nodes.size() && n < b.nodes.size(); ++n)
        if (std::string node = nodeDifference(a, b, n); !node.empty()) return node;
    if (a.nodes.size() != b.nodes.size())
        return "node count: " + std::to_string(a.nodes.size()) + " vs " + std::to_string(b.nodes.size());
    return {};
}

} // namespace

int diffTrees(const std::string& a, const std::string& b, std::FILE* out) {
    const std::string names[2] = {a, b};
    std::vector<std::uint8_t> bytes[2];
    for (int i = 0; i < 2; ++i)
        if (ReadError error; !readWholeFile(pathOfArgument(names[i]), bytes[i], error, maxTreeFileSize)) {
            std::fprintf(stderr, "%s: %s\n", shownFileName(names[i]).c_str(), error.message.c_str());
            return 2;
        }
    if (bytes[0] == bytes[1]) {
        std::fprintf(out, "identical (%zu bytes)\n", bytes[0].size());
        return 0;
    }
    TreeFile files[2];
    TreeFileError problems[2];
    const bool parsed[2] = {readTreeFile(bytes[0], files[0], problems[0]),
                            readTreeFile(bytes[1], files[1], problems[1])};
    std::string difference;
    if (parsed[0] && parsed[1]) difference = firstDifference(files[0], files[1]);
    if (difference.empty()) {
        // Unparsable files, or equal content with different bytes (NaN payloads cannot be
        // told apart by value): the first differing byte.
        std::size_t at = 0;
        while (at < bytes[0].size() && at < bytes[1].size() && bytes[0][at] == bytes[1][at]) ++at;
        difference = "byte offset " + std::to_string(at);
        for (int i = 0; i < 2; ++i)
            if (!parsed[i])
                difference += "; " + shownFileName(names[i]) + " does not parse at offset " +
                              std::to_string(problems[i].offset) + ": " + problems[i].message;
    }
    std::fprintf(out, "differ: %s\n", difference.c_str());
    return 1;
}

} // namespace norvane::dump
