// The glTF document of a tree: its JSON and its one binary buffer, before they are packed into
// a .glb or written as a .gltf.
#pragma once

#include <string>

#include <norvane/export.h>
#include <norvane/tree_file.h>

namespace norvane::exporting {

// How the JSON names its buffer: not at all (the buffer is the .glb's binary chunk) or by URI.
struct GltfDocument {
    std::string bin; // the buffer, every view aligned to 4 bytes
    // The JSON with `buffers` written for the given URI (empty: the .glb's chunk).
    std::string json(const std::string& bufferUri) const;

    std::string body;  // the JSON up to, without, "bufferViews" and "buffers"
    std::string views; // the bufferViews array, empty when the buffer is
};

// Requires a tree that passed exportable().
GltfDocument buildGltf(const TreeFile& tree, const ExportOptions& options);

} // namespace norvane::exporting
