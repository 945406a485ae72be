#include "dump/tree_summary.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "common/json_text.h"
#include "common/terminal_text.h"

namespace norvane::dump {

std::string treeSummary(const std::string& path, const TreeFile& file) {
    std::size_t leaves = 0, stored = 0, maxFaces = 0, emptyNodes = 0;
    std::int32_t depth = 0;
    std::map<std::uint32_t, std::size_t> piecesById;
    for (const TreeFileNode& n : file.nodes) {
        if (n.flags == 0) ++leaves;
        stored += n.faces.size();
        maxFaces = std::max(maxFaces, n.faces.size());
        if (n.faces.empty()) ++emptyNodes;
        depth = std::max(depth, n.depth);
        for (const TreeFileFace& f : n.faces) ++piecesById[f.id];
    }
    std::size_t splitIds = 0, pieces = 0, mostPieces = 0;
    std::uint32_t mostId = 0;
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
    std::string out = shownFileName(path) + ": " + std::to_string(file.size) + " bytes, version " +
                      std::to_string(file.version) + "\n";
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

} // namespace norvane::dump
