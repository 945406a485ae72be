// Reading a tree file back, for the dump tools and the tests: the parsed sections, and the
// first place where a file breaks a rule of the format.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace norvane {

struct TreeFileFace {
    std::uint16_t verts[3] = {0, 0, 0};
    std::uint16_t id = 0;
    std::uint16_t material = 0;
    float plane[4] = {0, 0, 0, 0};
};

struct TreeFileNode {
    std::uint16_t flags = 0;
    float plane[4] = {0, 0, 0, 0};
    std::vector<TreeFileFace> faces;
    std::int32_t depth = 0;   // the root is 1
    std::int32_t front = -1;  // pre-order indices of the children, -1 when absent
    std::int32_t back = -1;
    std::uint64_t offset = 0; // of the node record in the file
    std::string path;         // F/B steps from the root
};

struct TreeFile {
    std::uint16_t version = 0;
    std::uint16_t vertexCount = 0;
    std::uint16_t faceCount = 0;
    std::uint16_t materialCount = 0;
    std::vector<std::string> materials;               // each slot up to its NUL
    std::vector<std::array<float, 8>> vertices;       // x y z u v nx ny nz
    std::vector<TreeFileNode> nodes;                  // pre-order
    std::uint64_t size = 0;
};

struct TreeFileProblem {
    std::uint64_t offset = 0;
    std::string message;
};

// Byte offsets of the sections.
constexpr std::uint64_t treeHeaderSize = 11;
constexpr std::uint64_t materialSlotSize = 256;
constexpr std::uint64_t vertexRecordSize = 32;
constexpr std::uint64_t nodeRecordSize = 20;
constexpr std::uint64_t faceRecordSize = 26;

// Parses the file. Returns false, with the offset and a description of the first structural
// problem (bad magic, truncated section, unknown flag bits, bytes after the last node).
bool parseTreeFile(const std::vector<std::uint8_t>& bytes, TreeFile& file, TreeFileProblem& problem);

// Checks every rule of the format on a parsed file (version, indices, ids, materials);
// false with the first violation.
bool checkTreeFile(const TreeFile& file, TreeFileProblem& problem);

} // namespace norvane
