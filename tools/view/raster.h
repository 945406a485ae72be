// Filling triangles into an image: corners projected through a view, clipped at its near plane,
// pixel centres covered by the top-left rule (an edge shared by two triangles gives each of its
// pixels to exactly one of them). Everything is in double; the page's script fills the same
// pixels with the same arithmetic.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "view/vec3.h"
#include "view/view.h"

namespace norvane::view {

struct Frame {
    int width = 0, height = 0;
    std::vector<std::int32_t> face;    // the face number drawn at each pixel, -1 for none
    std::vector<double> inverseDepth;  // 1 / distance along the viewing direction there, 0 for none
    std::vector<std::uint32_t> colour; // 0xRRGGBB
};

Frame makeFrame(ImageSize size, std::uint32_t background);

// Projection from world to pixels for one view and image size.
struct Projector {
    View view;
    double focal = 1;
    double halfWidth = 0, halfHeight = 0;
};

Projector makeProjector(const View& view, ImageSize size);

// The point in view axes: x along right, y along up, z along forward, from the eye.
Vec3 toViewAxes(const Projector& projector, const Vec3& world);

// Draws a triangle given in world coordinates with the face number and colour. With
// `depthTest`, a pixel is written only where the triangle is strictly nearer than what is there.
void drawTriangle(Frame& frame, const Projector& projector, const std::array<Vec3, 3>& corners, std::int32_t number,
                  std::uint32_t colour, bool depthTest);

// The pixels drawTriangle would test for the triangle in an image of that size: the boxes of
// the pieces it fills, clamped to the image. The work a picture takes is the sum over its faces.
std::uint64_t triangleSteps(ImageSize size, const Projector& projector, const std::array<Vec3, 3>& corners);

} // namespace norvane::view
