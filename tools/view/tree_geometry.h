// What the viewer reads off a tree file's faces: their corners, the box around them, and one
// number per stored face (node by node in file order, faces in stored order) to name a face in
// an image.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <norvane/tree_file.h>

#include "view/vec3.h"

namespace norvane::view {

std::array<Vec3, 3> faceCorners(const TreeFile& file, const TreeFileFace& face);

// A face draws nothing when its plane or a corner is not finite (a zero-area face has a NaN
// plane): such faces are left out of drawing and of ordering.
bool isDrawable(const TreeFile& file, const TreeFileFace& face);

struct Bounds {
    Vec3 lo{0, 0, 0}, hi{0, 0, 0};
    bool empty = true;
};

// The box around the corners of every drawable face.
Bounds treeBounds(const TreeFile& file);

struct FaceRef {
    std::int32_t node = -1;
    std::int32_t face = -1; // index in the node's faces
};

// Face numbers: the faces of node n are numbered from first[n] on.
struct FaceNumbering {
    std::vector<std::int32_t> first;
    std::int32_t count = 0;
};

FaceNumbering numberFaces(const TreeFile& file);
FaceRef faceOfNumber(const FaceNumbering& numbering, std::int32_t number);

} // namespace norvane::view
