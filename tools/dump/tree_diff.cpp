// norvane-dump diff A.bsp B.bsp: whether two tree files are identical and, if not, where they
// first part: the section, the node (pre-order index, depth, F/B path from the root), the face
// record and the field, with both values. Files that do not parse as trees are compared byte by
// byte; only a file that cannot be read at all is trouble (exit 2), as diff(1) has it.
#include <bit>
#include <cmath>
#include <cstring>
#include <string>

#include <norvane/tree_file.h>

#include "common/record_values.h"
#include "dump/dump_commands.h"

namespace norvane::dump {
namespace {

std::string floatText(float f) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.9g (0x%08X)", static_cast<double>(f), std::bit_cast<std::uint32_t>(f));
    return buf;
}

bool sameFloat(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

// The first difference of two parsed files, or empty.
std::string firstDifference(const TreeFile& a, const TreeFile& b) {
    const char* headerNames[] = {"version", "vertexCount", "faceCount", "materialCount"};
    const std::uint32_t ha[] = {a.version, a.vertexCount, a.faceCount, a.materialCount};
    const std::uint32_t hb[] = {b.version, b.vertexCount, b.faceCount, b.materialCount};
    for (int i = 0; i < 4; ++i)
        if (ha[i] != hb[i])
            return std::string("header field ") + headerNames[i] + ": " + std::to_string(ha[i]) + " vs " +
                   std::to_string(hb[i]);
    for (std::size_t i = 0; i < a.materials.size(); ++i)
        if (a.materials[i] != b.materials[i])
            return "material " + std::to_string(i) + ": \"" + a.materials[i] + "\" vs \"" + b.materials[i] + "\"";
    const char* vertexFields[] = {"x", "y", "z", "u", "v", "nx", "ny", "nz"};
    for (std::size_t i = 0; i < a.vertices.size(); ++i) {
        const std::array<float, 8> va = vertexValues(a.vertices[i]), vb = vertexValues(b.vertices[i]);
        for (std::size_t k = 0; k < 8; ++k)
            if (!sameFloat(va[k], vb[k]))
                return "vertex " + std::to_string(i) + " field " + vertexFields[k] + ": " + floatText(va[k]) + " vs " +
                       floatText(vb[k]);
    }
    const char* planeFields[] = {"a", "b", "c", "d"};
    for (std::size_t n = 0; n < a.nodes.size() && n < b.nodes.size(); ++n) {
        const TreeFileNode& x = a.nodes[n];
        const TreeFileNode& y = b.nodes[n];
        // Nodes before this one all agreed, so equal parents and sides mean equal paths; the
        // paths themselves are only spelled out for the message.
        auto pathOf = [](const TreeFile& f, std::size_t i) {
            const std::string p = nodePath(f, static_cast<std::int32_t>(i));
            return p.empty() ? std::string("root") : p;
        };
        auto sideOf = [](const TreeFile& f, const TreeFileNode& node, std::size_t i) {
            return node.parent >= 0 && f.nodes[static_cast<std::size_t>(node.parent)].front == static_cast<std::int32_t>(i);
        };
        const bool samePlace = x.depth == y.depth && x.parent == y.parent && sideOf(a, x, n) == sideOf(b, y, n);
        if (!samePlace)
            return "node " + std::to_string(n) + " (depth " + std::to_string(x.depth) + ", path " + pathOf(a, n) +
                   "): in the other file this node is at depth " + std::to_string(y.depth) + ", path " + pathOf(b, n);
        auto where = [&] {
            return "node " + std::to_string(n) + " (depth " + std::to_string(x.depth) + ", path " + pathOf(a, n) + ")";
        };
        if (x.flags != y.flags)
            return where() + " flags: " + std::to_string(x.flags) + " vs " + std::to_string(y.flags);
        const std::array<float, 4> px = planeValues(x.plane), py = planeValues(y.plane);
        for (std::size_t k = 0; k < 4; ++k)
            if (!sameFloat(px[k], py[k]))
                return where() + " plane " + planeFields[k] + ": " + floatText(px[k]) + " vs " + floatText(py[k]);
        if (x.faces.size() != y.faces.size())
            return where() + " face count: " + std::to_string(x.faces.size()) + " vs " + std::to_string(y.faces.size());
        for (std::size_t f = 0; f < x.faces.size(); ++f) {
            const TreeFileFace& p = x.faces[f];
            const TreeFileFace& q = y.faces[f];
            auto face = [&] { return where() + " face " + std::to_string(f); };
            const char* intFields[] = {"v0", "v1", "v2", "id", "material"};
            const std::uint32_t pi[] = {p.verts[0], p.verts[1], p.verts[2], p.id, p.material};
            const std::uint32_t qi[] = {q.verts[0], q.verts[1], q.verts[2], q.id, q.material};
            for (int k = 0; k < 5; ++k)
                if (pi[k] != qi[k])
                    return face() + " field " + intFields[k] + ": " + std::to_string(pi[k]) + " vs " +
                           std::to_string(qi[k]);
            const std::array<float, 4> fp = planeValues(p.plane), fq = planeValues(q.plane);
            for (std::size_t k = 0; k < 4; ++k)
                if (!sameFloat(fp[k], fq[k]))
                    return face() + " field " + planeFields[k] + ": " + floatText(fp[k]) + " vs " + floatText(fq[k]);
        }
    }
    if (a.nodes.size() != b.nodes.size())
        return "node count: " + std::to_string(a.nodes.size()) + " vs " + std::to_string(b.nodes.size());
    return {};
}

} // namespace

int diffTrees(const std::string& a, const std::string& b, std::FILE* out) {
    const std::string names[2] = {a, b};
    std::vector<unsigned char> bytes[2];
    for (int i = 0; i < 2; ++i)
        if (!readFile(names[i], bytes[i])) {
            std::fprintf(stderr, "%s: cannot read the file\n", names[i].c_str());
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
                difference += "; " + names[i] + " does not parse at offset " + std::to_string(problems[i].offset) +
                              ": " + problems[i].message;
    }
    std::fprintf(out, "differ: %s\n", difference.c_str());
    return 1;
}

} // namespace norvane::dump
