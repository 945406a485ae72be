// The binary side of a glTF export: the four views (positions, normals, texture coordinates,
// indices) and the accessors into them, for one primitive at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <norvane/tree_file.h>

#include "export/export_groups.h"

namespace norvane::exporting {

enum ViewKind { positionView, normalView, texcoordView, indexView, viewKinds };

struct Accessor {
    ViewKind view = positionView;
    std::size_t offset = 0; // in its view
    std::size_t count = 0;
    std::string bounds; // "min"/"max" members for positions, else empty
};

// What one primitive became: its accessors (-1 where an attribute is left out), and the ids of
// the faces it kept.
struct PrimitiveData {
    int position = -1, normal = -1, texcoord = -1, indices = -1;
    std::vector<std::uint32_t> faceIds;
};

class GltfBuffers {
  public:
    explicit GltfBuffers(const TreeFile& tree);
    // Adds the primitive's vertices and triangles; a face with a corner whose position is not
    // finite is left out, and an attribute with a value glTF refuses is left out for the
    // primitive. False when no face is left.
    bool add(const Primitive& primitive, PrimitiveData& data);

    std::string views[viewKinds];
    std::vector<Accessor> accessors;

  private:
    const TreeFile& tree_;
    std::vector<std::uint32_t> stamp_, local_;
    std::uint32_t serial_ = 0;
};

} // namespace norvane::exporting
