// Rendering a tree to an image, by the painter's algorithm (the tree walked back to front, no
// depth buffer) or with a depth buffer (every face in file order, the nearest kept).
#pragma once

#include <cstdint>
#include <vector>

#include <norvane/tree_file.h>

#include "view/draw_order.h"
#include "view/raster.h"
#include "view/tree_geometry.h"
#include "view/view.h"

namespace norvane::view {

// Which faces are left out. A face's plane faces the eye when the eye is in front of it (the
// library's side test). Planes point out of their solids in scenes modelled clockwise (the
// generated scenes): `Back` culls the faces whose plane does not face the eye. Planes point into
// their objects in 3DS files modelled counter-clockwise (most real ones): `Front` culls the
// faces whose plane faces the eye. `Auto` picks one of the two for each view: the one that keeps
// the side shown by most pixels of the nearest surfaces (a depth-buffered image of all faces).
enum class Cull { None, Back, Front, Auto };

enum class Method { Painter, DepthBuffer };

// A tree ready to be drawn from any eye: its face numbers and node kinds, computed once.
struct PreparedTree {
    const TreeFile* file = nullptr;
    FaceNumbering numbering;
    std::vector<NodeKind> kinds;
};

PreparedTree prepareTree(const TreeFile& file);
// The same within a budget of side tests for ordering the leaves; false when it runs out.
bool prepareTree(const TreeFile& file, StepBudget& budget, PreparedTree& tree);

struct RenderSettings {
    View view;
    ImageSize size;
    Cull cull = Cull::None;
};

// The steps of filling every drawable face's box on screen in one picture: the work
// norvane-view counts against its limit.
std::uint64_t pictureSteps(const TreeFile& file, const RenderSettings& settings);

// Back or Front for Auto (None, Back and Front stay as they are).
Cull resolveCull(const PreparedTree& tree, const RenderSettings& settings);

bool isCulled(Cull cull, bool eyeInFront);

Frame render(const PreparedTree& tree, const RenderSettings& settings, Method method);

// Paints the given faces one over the other in the given order, without a depth buffer, leaving
// out the culled ones: the painter's image is paintInOrder of paintersOrder. Tests paint other
// orders with it.
Frame paintInOrder(const PreparedTree& tree, const RenderSettings& settings, const std::vector<FaceRef>& order);

} // namespace norvane::view
