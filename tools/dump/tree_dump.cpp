// norvane-dump tree: a summary of a tree file, the whole file as JSON, a check of every rule of
// the format, or a picture.
#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <set>

#include <norvane/files.h>
#include <norvane/tree_file.h>

#include "common/json_text.h"
#include "common/record_values.h"
#include "dump/dump_commands.h"
#include "dump/scene_json.h"
#include "dump/tree_paths.h"

namespace norvane::dump {
namespace {

// The version of the JSON layout below; it changes whenever a key is added, renamed or moved.
constexpr int treeJsonVersion = 1;

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

// Writes what has gathered once it is large: the paths of a deep tree make the JSON far larger
// than the file.
void flushIfLarge(std::string& out, std::FILE* to) {
    if (out.size() < (1u << 16)) return;
    std::fwrite(out.data(), 1, out.size(), to);
    out.clear();
}

// The whole file with named keys; "version" is the version of this layout, the file's own is
// header.version. One vertex and one node per line, so the output stays greppable.
void writeTreeJson(const TreeFile& file, std::FILE* to) {
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
        flushIfLarge(out, to);
    }
    out += "],\n \"nodes\": [";
    // In pre-order every node between a parent and its child lies in the parent's subtree, so
    // one path, cut back to the parent's and extended, serves every node in turn.
    std::string path;
    for (std::size_t i = 0; i < file.nodes.size(); ++i) {
        const TreeFileNode& n = file.nodes[i];
        if (n.parent >= 0) {
            path.resize(static_cast<std::size_t>(n.depth - 2));
            path += file.nodes[static_cast<std::size_t>(n.parent)].front == static_cast<std::int32_t>(i) ? 'F' : 'B';
        }
        out += i ? ",\n  " : "\n  ";
        out += "{\"index\": " + std::to_string(i) + ", \"depth\": " + std::to_string(n.depth) + ", \"path\": \"" +
               path + "\", \"flags\": " + std::to_string(n.flags) + ", \"plane\": ";
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
        flushIfLarge(out, to);
    }
    out += "]}\n";
    std::fwrite(out.data(), 1, out.size(), to);
}

std::string treeSummary(const std::string& path, const TreeFile& file) {
    std::size_t leaves = 0, stored = 0, maxFaces = 0, emptyNodes = 0;
    std::int32_t depth = 0;
    std::map<std::uint16_t, std::size_t> piecesById;
    for (const TreeFileNode& n : file.nodes) {
        if (n.flags == 0) ++leaves;
        stored += n.faces.size();
        maxFaces = std::max(maxFaces, n.faces.size());
        if (n.faces.empty()) ++emptyNodes;
        depth = std::max(depth, n.depth);
        for (const TreeFileFace& f : n.faces) ++piecesById[f.id];
    }
    std::size_t splitIds = 0, pieces = 0, mostPieces = 0;
    std::uint16_t mostId = 0;
    for (const auto& [id, count] : piecesById)
        if (count > 1) {
            ++splitIds;
            pieces += count;
            if (count > mostPieces) {
                mostPieces = count;
                mostId = id;
            }
        }
    char buf[512];
    std::string out;
    std::snprintf(buf, sizeof buf, "%s: %llu bytes, version %u\n", path.c_str(),
                  static_cast<unsigned long long>(file.size), file.version);
    out += buf;
    std::snprintf(buf, sizeof buf, "vertices %u, initial faces %u, materials %u\n", file.vertexCount, file.faceCount,
                  file.materialCount);
    out += buf;
    for (std::size_t i = 0; i < file.materials.size(); ++i) {
        std::string name;
        appendJsonString(name, file.materials[i]);
        out += "  material " + std::to_string(i) + ": " + name + "\n";
    }
    std::snprintf(buf, sizeof buf, "nodes %zu (interior %zu, leaves %zu), depth %d\n", file.nodes.size(),
                  file.nodes.size() - leaves, leaves, depth);
    out += buf;
    std::snprintf(buf, sizeof buf, "faces stored %zu (%.2f per node, at most %zu, %zu nodes without faces)\n", stored,
                  file.nodes.empty() ? 0.0 : double(stored) / double(file.nodes.size()), maxFaces, emptyNodes);
    out += buf;
    std::snprintf(buf, sizeof buf, "split faces %zu, cut into %zu pieces", splitIds, pieces);
    out += buf;
    if (splitIds) {
        std::snprintf(buf, sizeof buf, " (most: face %u in %zu pieces)", mostId, mostPieces);
        out += buf;
    }
    out += "\n";
    return out;
}

// The picture, to a file or to standard output ("-").
int writeSvg(const TreeFile& file, const TreeCommand& command, std::FILE* out) {
    std::string why;
    const std::int32_t top = nodeAtPath(file, command.svg.node, why);
    if (top < 0) {
        std::fprintf(stderr, "norvane-dump: --node %s: %s: %s\n", command.svg.node.c_str(), command.file.c_str(),
                     why.c_str());
        return 2;
    }
    if (command.svgOut != "-" && sameFile(pathOfArgument(command.svgOut), pathOfArgument(command.file))) {
        std::fprintf(stderr, "norvane-dump: --svg %s would overwrite the tree file it draws\n", command.svgOut.c_str());
        return 2;
    }
    const std::string svg = treeSvg(file, top, command.svg.depth);
    if (command.svgOut == "-") {
        std::fwrite(svg.data(), 1, svg.size(), out);
        return 0;
    }
    WriteError error;
    if (writeWholeFile(pathOfArgument(command.svgOut), svg, error)) return 0;
    if (error.code == WriteErrorCode::CannotCreate)
        std::fprintf(stderr, "%s: cannot create the file (no such folder, or read-only)\n", command.svgOut.c_str());
    else
        std::fprintf(stderr, "%s: cannot write the file (disk full?)\n", command.svgOut.c_str());
    return 1;
}

} // namespace

int dumpTree(const TreeCommand& command, std::FILE* out) {
    const std::string& path = command.file;
    std::vector<std::uint8_t> bytes;
    if (ReadError error; !readWholeFile(pathOfArgument(path), bytes, error, maxTreeFileSize)) {
        std::fprintf(stderr, "%s: cannot read the file\n", path.c_str());
        return 1;
    }
    TreeFile file;
    TreeFileError problem;
    const bool check = command.view == TreeView::Check;
    const bool parsed = readTreeFile(bytes, file, problem);
    if (!parsed || (check && !checkTreeFile(file, problem))) {
        // With --check the verdict is the output; otherwise a file that does not parse is an error.
        std::fprintf(check ? out : stderr, "%s: offset %llu: %s\n", path.c_str(),
                     static_cast<unsigned long long>(problem.offset), problem.message.c_str());
        return 1;
    }
    switch (command.view) {
    case TreeView::Check:
        std::fprintf(out, "%s: ok (%zu nodes)\n", path.c_str(), file.nodes.size());
        return 0;
    case TreeView::Json:
        writeTreeJson(file, out);
        return 0;
    case TreeView::Svg:
        return writeSvg(file, command, out);
    case TreeView::Summary:
        break;
    }
    const std::string text = treeSummary(path, file);
    std::fwrite(text.data(), 1, text.size(), out);
    return 0;
}

} // namespace norvane::dump
