// The tree file: its parsed model, reading it from bytes or from a file, and checking it
// (the layout is in tree_format.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "norvane/error.h"
#include "norvane/geometry.h"
#include "norvane/tree_format.h"

namespace norvane {

struct TreeFileFace {
    std::uint32_t verts[3] = {0, 0, 0}; // indices in TreeFile::vertices
    std::uint32_t id = 0;               // the initial face it is or was cut from
    std::uint32_t material = 0;         // index in TreeFile::materials, or its format's noMaterial
    Plane plane;                        // of the face it was cut from
};

struct TreeFileNode {
    std::uint16_t flags = 0; // frontChildFlag | backChildFlag; 0 for a leaf
    Plane plane;             // not meaningful for a leaf
    std::vector<TreeFileFace> faces;
    std::int32_t depth = 0;   // the root is 1
    std::int32_t front = -1;  // indices in TreeFile::nodes of the children, -1 when absent
    std::int32_t back = -1;
    std::int32_t parent = -1; // index of the parent node, -1 for the root
    std::uint64_t offset = 0; // of the node record in the file
};

struct TreeFile {
    std::uint16_t version = 0;
    std::uint32_t vertexCount = 0;
    std::uint32_t faceCount = 0; // initial faces, before any splitting
    std::uint32_t materialCount = 0;
    std::vector<std::string> materials; // each slot up to its NUL
    std::vector<Vertex> vertices;
    std::vector<TreeFileNode> nodes;    // pre-order, front subtree before back subtree; the root first
    std::uint64_t size = 0;             // of the file in bytes
};

// What is wrong with a tree file. The first group is found by reading, the second by checking.
enum class TreeFileErrorCode {
    None = 0,
    TruncatedHeader,          // shorter than the 11-byte header; offset 0
    BadMagic,                 // the first three bytes are not "BSP"; offset 0
    TruncatedMaterialTable,   // at the slot that does not fit
    UnterminatedMaterialSlot, // at the slot without a NUL
    TruncatedVertexTable,     // at the vertex record that does not fit
    TruncatedNodeRecord,      // at the node record that does not fit
    UnknownFlagBits,          // at the node record whose flags exceed 3
    TruncatedFaceRecords,     // at the first face record of the node
    TrailingBytes,            // at the first byte after the last node record
    CannotReadFile,           // the file could not be opened or read; offset 0
    FileTooLarge,             // the file holds more than maxTreeFileSize bytes; offset 0
    OutOfMemory,              // the tree does not fit in memory; offset 0
    BadVersion,               // the version is not 50; offset 3
    CornerOutOfRange,         // at the corner index not below vertexCount
    IdOutOfRange,             // at the id not below faceCount
    MaterialOutOfRange,       // at the material not below materialCount (and not noMaterial)
};

// The message is one line without the offset, e.g. "node 3 has unknown flag bits".
using TreeFileError = Error<TreeFileErrorCode>;

// Reads the structure of a tree file: the header, the tables and the whole tree. On failure
// returns false with the first problem in `error` (reading codes only); `file` then holds
// what was read before it.
bool readTreeFile(std::span<const std::uint8_t> bytes, TreeFile& file, TreeFileError& error);
bool readTreeFile(const std::filesystem::path& path, TreeFile& file, TreeFileError& error);

// Checks the rules of the format on a file that was read: the version, and that every corner
// index, id and material of every face is in range. False with the first violation, in file
// order.
bool checkTreeFile(const TreeFile& file, TreeFileError& error);

// The F/B steps from the root down to the node ("" for the root), built on demand: a tree can be
// tens of thousands of levels deep, so no node keeps its own.
std::string nodePath(const TreeFile& file, std::int32_t node);

// The material index of a face without one in the file's version (version 50's for a version
// no reader knows).
std::uint32_t noMaterialOf(const TreeFile& file);

// The code's name as written above, e.g. "TruncatedHeader".
const char* errorCodeName(TreeFileErrorCode code);

} // namespace norvane
