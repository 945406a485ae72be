// Checking the rules of the format on a file that was read, in file order.
#include <iterator>

#include "common/fail_with.h"
#include "norvane/tree_file.h"

namespace norvane {
namespace {

// The first index of the face that is out of range, as the error it makes.
bool checkFace(const TreeFile& file, const TreeFormat& format, std::size_t n, std::size_t i, TreeFileError& error) {
    using enum TreeFileErrorCode;
    const TreeFileNode& node = file.nodes[n];
    const TreeFileFace& face = node.faces[i];
    const std::uint64_t at = node.offset + format.nodeRecordSize + format.faceRecordSize * i;
    const std::uint64_t width = format.countBytes;
    const std::string where = "node " + std::to_string(n) + " face " + std::to_string(i) + ": ";
    for (int k = 0; k < 3; ++k)
        if (face.verts[k] >= file.vertexCount)
            return failWith(error, CornerOutOfRange, at + width * k,
                        where + "corner index " + std::to_string(face.verts[k]) + " not below vertexCount " +
                            std::to_string(file.vertexCount));
    if (face.id >= file.faceCount)
        return failWith(error, IdOutOfRange, at + 3 * width,
                    where + "id " + std::to_string(face.id) + " not below faceCount " + std::to_string(file.faceCount));
    if (face.material != format.noMaterial && face.material >= file.materialCount)
        return failWith(error, MaterialOutOfRange, at + 4 * width,
                    where + "material " + std::to_string(face.material) + " not below materialCount " +
                        std::to_string(file.materialCount));
    return true;
}

} // namespace

bool checkTreeFile(const TreeFile& file, TreeFileError& error) {
    const TreeFormat* format = treeFormatOf(file.version);
    if (!format)
        return failWith(error, TreeFileErrorCode::BadVersion, sizeof treeMagic,
                    "version is " + std::to_string(file.version) + ", not 50 or 51");
    for (std::size_t n = 0; n < file.nodes.size(); ++n)
        for (std::size_t i = 0; i < file.nodes[n].faces.size(); ++i)
            if (!checkFace(file, *format, n, i, error)) return false;
    error = TreeFileError{};
    return true;
}

std::uint32_t noMaterialOf(const TreeFile& file) {
    const TreeFormat* format = treeFormatOf(file.version);
    return (format ? *format : treeFormat50).noMaterial;
}

const char* errorCodeName(TreeFileErrorCode code) {
    // In the order of the enumeration.
    static const char* const names[] = {
        "None",
        "TruncatedHeader",
        "BadMagic",
        "TruncatedMaterialTable",
        "UnterminatedMaterialSlot",
        "TruncatedVertexTable",
        "TruncatedNodeRecord",
        "UnknownFlagBits",
        "TruncatedFaceRecords",
        "TrailingBytes",
        "CannotReadFile",
        "FileTooLarge",
        "OutOfMemory",
        "BadVersion",
        "CornerOutOfRange",
        "IdOutOfRange",
        "MaterialOutOfRange",
    };
    static_assert(std::size(names) == static_cast<std::size_t>(TreeFileErrorCode::MaterialOutOfRange) + 1);
    const auto index = static_cast<std::size_t>(code);
    return index < std::size(names) ? names[index] : "unknown";
}

} // namespace norvane
