// A tree file for the tools of the wider field: glTF 2.0 (binary or JSON) and OBJ with its MTL.
//
// Axes: the tree's frame (x right, y up, z away from the viewer, left-handed) becomes the
// right-handed, y-up frame of glTF and OBJ by negating z. The corners keep their stored order:
// under the mirroring that order runs counter-clockwise seen from the side the face's plane
// faces, so each face's front (its plane's positive side) is the front face of glTF and OBJ.
// Texture coordinates: OBJ's (u, v) are the tree's; glTF's are (u, 1 - v), its v running down.
#pragma once

#include <string>

#include "norvane/tree_file.h"

namespace norvane {

struct ExportOptions {
    // One mesh (OBJ: one group) per material instead of one node per tree node.
    bool flat = false;
};

// The glTF 2.0 binary container (.glb) of the tree: one node per tree node named by its path
// ("root" for the root, then its F/B steps), children front then back, each node's faces as one
// mesh with one primitive per material; per node extras {path, depth, leaf, plane}, per
// primitive extras {faceIds}. False with checkTreeFile's error when the tree breaks a rule of
// its format (nothing is written to `glb` then).
bool exportGlb(const TreeFile& tree, std::string& glb, TreeFileError& error, const ExportOptions& options = {});

// The same as glTF JSON (.gltf). With `bufferUri` empty the buffer is embedded as a base64
// data URI and `buffer` is left empty; otherwise the JSON names `bufferUri` and `buffer` holds
// the bytes to write there.
bool exportGltf(const TreeFile& tree, std::string& json, std::string& buffer, TreeFileError& error,
                const ExportOptions& options = {}, const std::string& bufferUri = {});

// Wavefront OBJ: `v`, `vt`, `vn` from the vertex table, a group per node named by its path (per
// material with `flat`), `usemtl` per material; `mtl` is the material library the OBJ names as
// `mtlName` (written beside it by the caller).
bool exportObj(const TreeFile& tree, std::string& obj, std::string& mtl, const std::string& mtlName,
               TreeFileError& error, const ExportOptions& options = {});

// The colour the tree's viewer gives a material index (repeating after twelve; grey for the
// file's noMaterial), as 0xRRGGBB in sRGB.
std::uint32_t materialDisplayColour(std::uint32_t material, std::uint32_t noMaterial);

} // namespace norvane
