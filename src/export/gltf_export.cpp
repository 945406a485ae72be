// The public glTF exports: the document packed into a .glb, or its JSON with the buffer embedded
// or named.
#include <new>

#include <norvane/export.h>

#include "export/export_groups.h"
#include "export/export_text.h"
#include "export/gltf_document.h"

namespace norvane {
namespace {

void appendU32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xff);
}

// A chunk of the binary container: length, type, the data padded to 4 bytes with `pad`.
void appendChunk(std::string& out, std::uint32_t type, std::string data, char pad) {
    data.resize((data.size() + 3) / 4 * 4, pad);
    appendU32(out, static_cast<std::uint32_t>(data.size()));
    appendU32(out, type);
    out += data;
}

} // namespace

bool exportGlb(const TreeFile& tree, std::string& glb, TreeFileError& error, const ExportOptions& options) {
    if (!exporting::exportable(tree, error)) return false;
    const exporting::GltfDocument document = exporting::buildGltf(tree, options);
    std::string chunks;
    appendChunk(chunks, 0x4E4F534A, document.json({}), ' ');                        // "JSON"
    if (!document.bin.empty()) appendChunk(chunks, 0x004E4942, document.bin, '\0'); // "BIN"
    glb.clear();
    appendU32(glb, 0x46546C67); // "glTF"
    appendU32(glb, 2);
    appendU32(glb, static_cast<std::uint32_t>(12 + chunks.size()));
    glb += chunks;
    return true;
}

bool exportGltf(const TreeFile& tree, std::string& json, std::string& buffer, TreeFileError& error,
                const ExportOptions& options, const std::string& bufferUri) {
    if (!exporting::exportable(tree, error)) return false;
    exporting::GltfDocument document = exporting::buildGltf(tree, options);
    buffer.clear();
    if (bufferUri.empty()) {
        json = document.json("data:application/octet-stream;base64," + exporting::base64(document.bin));
    } else {
        json = document.json(bufferUri);
        buffer = std::move(document.bin);
    }
    return true;
}

} // namespace norvane
