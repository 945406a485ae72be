#include "dump/tree_paths.h"

namespace norvane::dump {

bool isNodePath(const std::string& path) { return path.find_first_not_of("FB") == std::string::npos; }

std::int32_t nodeAtPath(const TreeFile& file, const std::string& path, std::string& why) {
    if (file.nodes.empty()) {
        why = "the tree has no nodes";
        return -1;
    }
    std::int32_t node = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const TreeFileNode& n = file.nodes[static_cast<std::size_t>(node)];
        const std::int32_t next = path[i] == 'F' ? n.front : n.back;
        if (next < 0) {
            const std::string at = i == 0 ? std::string("the root") : "node " + path.substr(0, i);
            why = at + (n.flags == 0 ? " is a leaf"
                                     : std::string(" has no ") + (path[i] == 'F' ? "front" : "back") + " child");
            return -1;
        }
        node = next;
    }
    return node;
}

std::int32_t subtreeEnd(const TreeFile& file, std::int32_t node) {
    const std::int32_t depth = file.nodes[static_cast<std::size_t>(node)].depth;
    std::size_t end = static_cast<std::size_t>(node) + 1;
    while (end < file.nodes.size() && file.nodes[end].depth > depth) ++end;
    return static_cast<std::int32_t>(end);
}

std::string shortPath(const std::string& path, std::size_t keep) {
    if (path.size() <= keep) return path;
    return path.substr(0, keep / 2) + "\xE2\x80\xA6" + path.substr(path.size() - keep / 2); // U+2026
}

} // namespace norvane::dump
