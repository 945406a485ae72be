// The tree file's constants, spelled once: the writer, the readers and every tool take them from
// here.
//
// A tree file holds one BSP tree, every multi-byte value little-endian, no padding:
//   header     "BSP", u16 version, then the vertex, initial face and material counts
//   materials  materialCount slots of 256 bytes, each a NUL-terminated name, zeros behind it
//   vertices   vertexCount records of 8 f32: x y z u v nx ny nz
//   nodes      pre-order, front subtree before back subtree; each node is u16 flags, an f32
//              plane (a b c d), its face count, then its faces: three corner indices, the id of
//              the initial face it is or was cut from, the material index, and an f32 plane
// Counts and indices are `countBytes` wide.
#pragma once

#include <cstdint>

namespace norvane {

inline constexpr char treeMagic[3] = {'B', 'S', 'P'};
inline constexpr std::uint64_t materialSlotSize = 256;
inline constexpr std::uint64_t vertexRecordSize = 32;
inline constexpr std::uint64_t planeSize = 16;

// Flag bits of a node record; a leaf has neither.
inline constexpr std::uint16_t frontChildFlag = 1;
inline constexpr std::uint16_t backChildFlag = 2;

// One version of the layout: how wide its counts and indices are, and what follows from that.
struct TreeFormat {
    std::uint16_t version;
    std::uint32_t countBytes;     // width of every count and index
    std::uint64_t headerSize;     // magic, version, three counts
    std::uint64_t nodeRecordSize; // flags, plane, face count
    std::uint64_t faceRecordSize; // three corners, id, material, plane
    std::uint32_t noMaterial;     // the material index of a face without one
    std::uint32_t maxCount;       // the most vertices, initial faces, materials or faces at one node
};

// Version 50: 16-bit counts and indices, as the compiler has always written.
inline constexpr TreeFormat treeFormat50{50, 2, 11, 20, 26, 0xFFFF, 65535};
// Version 51: the same layout with 32-bit counts and indices, for trees that do not fit
// version 50. Counts stay below 2^31 so that every index fits a signed 32-bit integer.
inline constexpr TreeFormat treeFormat51{51, 4, 17, 22, 36, 0xFFFFFFFF, 0x7FFFFFFF};

// The readers refuse a longer file (a stream that would never end, a file no tree needs).
inline constexpr std::uint64_t maxTreeFileSize = std::uint64_t(1) << 30;

// The version the compiler writes unless asked for another.
inline constexpr std::uint16_t treeFileVersion = treeFormat50.version;

// The layout of a version, or null for a version no reader knows.
constexpr const TreeFormat* treeFormatOf(std::uint16_t version) {
    return version == treeFormat50.version   ? &treeFormat50
           : version == treeFormat51.version ? &treeFormat51
                                             : nullptr;
}

} // namespace norvane
