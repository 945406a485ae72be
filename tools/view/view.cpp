#include "view/view.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace norvane::view {
namespace {

constexpr Vec3 worldUp{0, 1, 0};

double radians(double degrees) { return degrees * (std::numbers::pi / 180.0); }

// The near plane scales with the scene, so that small models are not clipped away and large
// ones keep depth precision.
double nearDistanceFor(const Bounds& bounds) {
    const double diagonal = bounds.empty ? 0.0 : length(bounds.hi - bounds.lo);
    return std::max(diagonal * 1e-4, 1e-6);
}

} // namespace

double focalPixels(const View& view, ImageSize size) { return (size.width / 2.0) / std::tan(view.horizontalFov / 2); }

Point3 walkEye(const View& view) {
    return {static_cast<float>(view.eye[0]), static_cast<float>(view.eye[1]), static_cast<float>(view.eye[2])};
}

bool lookAlong(const Vec3& eye, const Vec3& forward, View& view) {
    if (!isFinite(eye) || !isFinite(forward) || length(forward) == 0) return false;
    const Vec3 f = normalized(forward);
    const Vec3 side = cross(worldUp, f);
    if (length(side) < 1e-9) return false;
    view.eye = eye;
    view.forward = f;
    view.right = normalized(side);
    view.up = cross(f, view.right);
    return true;
}

View orbitView(const Bounds& bounds, double orbitDegrees, double elevationDegrees, double horizontalFovDegrees,
               ImageSize size) {
    View view;
    view.horizontalFov = radians(horizontalFovDegrees);
    const Vec3 centre = bounds.empty ? Vec3{0, 0, 0} : (bounds.lo + bounds.hi) * 0.5;
    double radius = bounds.empty ? 0.0 : length(bounds.hi - bounds.lo) * 0.5;
    if (!(radius > 0)) radius = 1;
    const double orbit = radians(orbitDegrees);
    const double elevation = radians(std::clamp(elevationDegrees, -89.0, 89.0));
    const Vec3 towardEye{std::sin(orbit) * std::cos(elevation), std::sin(elevation),
                         -(std::cos(orbit) * std::cos(elevation))};
    lookAlong(centre, towardEye * -1.0, view);
    // Back off until every corner of the box projects inside the image and lies ahead of the
    // eye, then 5% farther.
    const double focal = focalPixels(view, size);
    double distance = 0;
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3 p = bounds.empty
                           ? centre
                           : Vec3{corner & 1 ? bounds.hi[0] : bounds.lo[0], corner & 2 ? bounds.hi[1] : bounds.lo[1],
                                  corner & 4 ? bounds.hi[2] : bounds.lo[2]};
        const Vec3 d = p - centre;
        const double x = dot(d, view.right), y = dot(d, view.up), z = dot(d, view.forward);
        distance = std::max({distance, (std::abs(x) * focal) / (size.width / 2.0) - z,
                             (std::abs(y) * focal) / (size.height / 2.0) - z, radius * 0.05 - z});
    }
    distance = std::max(distance * 1.05, radius * 1e-3);
    view.eye = centre + towardEye * distance;
    view.nearDistance = std::max(distance - radius, 0.0) * 0.5 + nearDistanceFor(bounds);
    return view;
}

double lensToHorizontalFov(double lensMillimetres) {
    if (!(lensMillimetres > 0) || !std::isfinite(lensMillimetres)) return 0;
    return 2 * std::atan(18.0 / lensMillimetres);
}

bool cameraView(const Camera& camera, const Bounds& bounds, View& view, std::string& error) {
    const float* m = camera.matrix.m;
    const Vec3 position{m[12], m[13], m[14]}, direction{m[8], m[9], m[10]};
    if (!lookAlong(position, direction, view)) {
        error = "its matrix gives no viewing direction (the camera looks straight up or down, or at its own position)";
        return false;
    }
    view.horizontalFov = lensToHorizontalFov(camera.lens);
    if (!(view.horizontalFov > 0)) {
        error = "its lens is " + std::to_string(camera.lens) + " mm";
        return false;
    }
    view.nearDistance = nearDistanceFor(bounds);
    return true;
}

} // namespace norvane::view
