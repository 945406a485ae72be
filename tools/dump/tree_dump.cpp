// norvane-dump tree: a summary of a tree file, the whole file as JSON, or a check of every
// rule of the format.
#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "dump_commands.h"
#include "norvane/tree_file.h"
#include "scene/scene_json.h"

namespace norvane::dump {
namespace {

std::string treeJson(const TreeFile& file) {
    std::string out = "{\n  \"header\": {\"magic\": \"BSP\", \"version\": " + std::to_string(file.version) +
                      ", \"vertexCount\": " + std::to_string(file.vertexCount) +
                      ", \"faceCount\": " + std::to_string(file.faceCount) +
                      ", \"materialCount\": " + std::to_string(file.materialCount) + "},\n  \"materials\": [";
    for (std::size_t i = 0; i < file.materials.size(); ++i) {
        if (i) out += ", ";
        appendJsonString(out, file.materials[i]);
    }
    out += "],\n  \"vertices\": [";
    for (std::size_t i = 0; i < file.vertices.size(); ++i) {
        out += i ? ",\n    " : "\n    ";
        appendJsonFloats(out, file.vertices[i].data(), 8);
    }
    out += "],\n  \"nodes\": [";
    for (std::size_t i = 0; i < file.nodes.size(); ++i) {
        const TreeFileNode& n = file.nodes[i];
        out += i ? ",\n    " : "\n    ";
        out += "{\"index\": ";
        out += std::to_string(i);
        out += ", \"depth\": ";
        out += std::to_string(n.depth);
        out += ", \"path\": \"";
        out += n.path;
        out += "\", \"flags\": ";
        out += std::to_string(n.flags);
        out += ", \"plane\": ";
        appendJsonFloats(out, n.plane, 4);
        out += ", \"front\": ";
        out += n.front < 0 ? std::string("null") : std::to_string(n.front);
        out += ", \"back\": ";
        out += n.back < 0 ? std::string("null") : std::to_string(n.back);
        out += ", \"faces\": [";
        for (std::size_t f = 0; f < n.faces.size(); ++f) {
            const TreeFileFace& face = n.faces[f];
            if (f) out += ", ";
            out += '[';
            const int fields[5] = {face.verts[0], face.verts[1], face.verts[2], face.id, face.material};
            for (int k = 0; k < 5; ++k) {
                if (k) out += ", ";
                out += std::to_string(fields[k]);
            }
            for (float p : face.plane) {
                out += ", ";
                appendJsonFloat(out, p);
            }
            out += "]";
        }
        out += "]}";
    }
    out += "]\n}\n";
    return out;
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

} // namespace

int dumpTree(const std::vector<std::string>& args, std::FILE* out) {
    if (args.empty()) return 2;
    const std::string& path = args[0];
    std::string mode = "summary", svgPath;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--json" || args[i] == "--check") mode = args[i];
        else if (args[i] == "--svg" && i + 1 < args.size()) {
            mode = "--svg";
            svgPath = args[++i];
        } else
            return 2;
    }
    std::vector<unsigned char> bytes;
    if (!readFile(path, bytes)) {
        std::fprintf(stderr, "%s: cannot read the file\n", path.c_str());
        return 1;
    }
    TreeFile file;
    TreeFileError problem;
    const bool parsed = readTreeFile(bytes, file, problem);
    if (!parsed || (mode == "--check" && !checkTreeFile(file, problem))) {
        std::fprintf(mode == "--check" ? out : stderr, "%s: offset %llu: %s\n", path.c_str(),
                     static_cast<unsigned long long>(problem.offset), problem.message.c_str());
        return 1;
    }
    if (mode == "--check") {
        std::fprintf(out, "%s: ok (%zu nodes)\n", path.c_str(), file.nodes.size());
        return 0;
    }
    if (mode == "--svg") {
        std::string error;
        if (!writeTreeSvg(file, svgPath, error)) {
            std::fprintf(stderr, "%s: %s\n", svgPath.c_str(), error.c_str());
            return 1;
        }
        return 0;
    }
    const std::string text = mode == "--json" ? treeJson(file) : treeSummary(path, file);
    std::fwrite(text.data(), 1, text.size(), out);
    return 0;
}

} // namespace norvane::dump
