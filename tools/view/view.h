// Where the eye is and where it looks. A view is a pinhole camera in the file's axes read as a
// left-handed frame (x right, y up, z away from the viewer), which shows a scene as it was
// modelled: screen right, screen up and the viewing direction satisfy right x up = forward.
#pragma once

#include <array>
#include <string>

#include <norvane/scene.h>

#include "view/tree_geometry.h"
#include "view/vec3.h"

namespace norvane::view {

struct ImageSize {
    int width = 640;
    int height = 480;
};

struct View {
    Vec3 eye{0, 0, 0};
    Vec3 right{1, 0, 0}, up{0, 1, 0}, forward{0, 0, 1}; // unit vectors
    double horizontalFov = 0.7;                         // radians, across the image's width
    double nearDistance = 1e-3;                         // faces are clipped where closer along forward
};

// Pixels from the image's centre to its side edge, over the tangent of half the field of view.
double focalPixels(const View& view, ImageSize size);

// The eye as the tree walks see it: rounded to float, as the side test takes it.
Point3 walkEye(const View& view);

// A view looking along `forward` from `eye` with screen up as close to +y as it can be: right =
// normalized(y x forward), up = forward x right. False when forward is not finite, has no length
// or points straight up or down.
bool lookAlong(const Vec3& eye, const Vec3& forward, View& view);

// The automatic view: looking at the centre of the bounds from just far enough away that the
// whole box fits the image (with 5% to spare). The eye
// circles the centre: orbit 0 puts it on the -z side looking along +z, positive orbits move it
// towards the +x side; elevation raises it (clamped to +-89 degrees).
View orbitView(const Bounds& bounds, double orbitDegrees, double elevationDegrees, double horizontalFovDegrees,
               ImageSize size);

// A lens in millimetres as a horizontal field of view in radians: a 36 mm wide frame, as on
// 35 mm film, so 2 atan(18 / lens) (50 mm gives 39.6 degrees). 0 when the lens is not positive.
double lensToHorizontalFov(double lensMillimetres);

// The view of a scene's camera: the loader's matrix gives the viewing direction (row 2) and the
// position (row 3); the lens gives the field of view. Rows 0 and 1 are not used: for a camera
// with keys they are (direction x up) and (direction x row 0), which point left and down in the
// left-handed reading, and an unkeyed camera keeps the identity; deriving right and up from the
// direction treats both alike. The bank angle plays no part, as in the loader's matrix. False
// with a reason when the camera gives no usable view.
bool cameraView(const Camera& camera, const Bounds& bounds, View& view, std::string& error);

} // namespace norvane::view
