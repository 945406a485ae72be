#include "view/raster.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace norvane::view {
namespace {

struct ScreenPoint {
    double x, y;     // pixels, y down
    double inverseZ; // 1 / z in view axes
};

// Twice the signed area of (a, b, p); positive when p lies to the right of a->b with y down.
// The ends are taken in one fixed order whichever way the edge runs, so that two triangles
// sharing an edge see exactly opposite values along it.
double edgeValue(const ScreenPoint& a, const ScreenPoint& b, double px, double py) {
    const bool ordered = a.y < b.y || (a.y == b.y && a.x < b.x);
    const ScreenPoint& s = ordered ? a : b;
    const ScreenPoint& e = ordered ? b : a;
    const double value = (e.x - s.x) * (py - s.y) - (e.y - s.y) * (px - s.x);
    return ordered ? value : -value;
}

// With the triangle's corners in the order that makes its area positive (clockwise on screen),
// a pixel centre exactly on an edge belongs to it when the edge is a top edge (horizontal, the
// inside below) or a left edge (running up the screen).
bool isTopLeft(const ScreenPoint& a, const ScreenPoint& b) { return (a.y == b.y && b.x > a.x) || b.y < a.y; }

// Twice the triangle's area on screen, its corners turned to make it positive (clockwise on
// screen); 0 for a triangle that covers no pixel centre (no area, or a corner not finite).
double orientedArea(ScreenPoint& p0, ScreenPoint& p1, ScreenPoint& p2) {
    double area = edgeValue(p0, p1, p2.x, p2.y);
    // Every coordinate takes part in the area, so a finite area means finite corners.
    if (!(area != 0) || !std::isfinite(area)) return 0;
    if (area < 0) {
        std::swap(p1, p2);
        area = -area;
    }
    return area;
}

// The pixels whose centres the triangle's box holds, clamped to the image before anything
// becomes an int: pixel i's centre is at i + 0.5. Empty (x1 < x0 or y1 < y0) when the box
// misses the image.
struct PixelRange {
    int x0 = 0, x1 = -1, y0 = 0, y1 = -1;
    std::uint64_t count() const {
        return x1 < x0 || y1 < y0 ? 0 : std::uint64_t(x1 - x0 + 1) * std::uint64_t(y1 - y0 + 1);
    }
};

PixelRange pixelRange(int width, int height, const ScreenPoint& p0, const ScreenPoint& p1, const ScreenPoint& p2) {
    const double minX = std::min({p0.x, p1.x, p2.x}), maxX = std::max({p0.x, p1.x, p2.x});
    const double minY = std::min({p0.y, p1.y, p2.y}), maxY = std::max({p0.y, p1.y, p2.y});
    if (!(std::isfinite(minX) && std::isfinite(maxX) && std::isfinite(minY) && std::isfinite(maxY))) return {};
    auto first = [](double lo, int size) {
        return static_cast<int>(std::clamp(std::ceil(lo - 0.5), 0.0, double(size)));
    };
    auto last = [](double hi, int size) {
        return static_cast<int>(std::clamp(std::floor(hi - 0.5), -1.0, size - 1.0));
    };
    return {first(minX, width), last(maxX, width), first(minY, height), last(maxY, height)};
}

void fillScreenTriangle(Frame& frame, ScreenPoint p0, ScreenPoint p1, ScreenPoint p2, std::int32_t number,
                        std::uint32_t colour, bool depthTest) {
    const double area = orientedArea(p0, p1, p2);
    if (area == 0) return;
    const PixelRange r = pixelRange(frame.width, frame.height, p0, p1, p2);
    const bool topLeft0 = isTopLeft(p1, p2), topLeft1 = isTopLeft(p2, p0), topLeft2 = isTopLeft(p0, p1);
    for (int y = r.y0; y <= r.y1; ++y) {
        const double py = y + 0.5;
        for (int x = r.x0; x <= r.x1; ++x) {
            const double px = x + 0.5;
            const double w0 = edgeValue(p1, p2, px, py);
            const double w1 = edgeValue(p2, p0, px, py);
            const double w2 = edgeValue(p0, p1, px, py);
            if (w0 < 0 || w1 < 0 || w2 < 0) continue;
            if ((w0 == 0 && !topLeft0) || (w1 == 0 && !topLeft1) || (w2 == 0 && !topLeft2)) continue;
            const auto k =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) + static_cast<std::size_t>(x);
            const double inverseZ = ((w0 * p0.inverseZ + w1 * p1.inverseZ) + w2 * p2.inverseZ) / area;
            if (depthTest && !(inverseZ > frame.inverseDepth[k])) continue;
            frame.face[k] = number;
            frame.inverseDepth[k] = inverseZ;
            frame.colour[k] = colour;
        }
    }
}

ScreenPoint project(const Projector& projector, const Vec3& v) {
    return {projector.halfWidth + (projector.focal * v[0]) / v[2],
            projector.halfHeight - (projector.focal * v[1]) / v[2], 1 / v[2]};
}

} // namespace

Frame makeFrame(ImageSize size, std::uint32_t background) {
    assert(size.width > 0 && size.height > 0);
    Frame frame;
    frame.width = size.width;
    frame.height = size.height;
    const auto pixels = static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
    frame.face.assign(pixels, -1);
    frame.inverseDepth.assign(pixels, 0.0);
    frame.colour.assign(pixels, background);
    return frame;
}

Projector makeProjector(const View& view, ImageSize size) {
    return {view, focalPixels(view, size), size.width / 2.0, size.height / 2.0};
}

Vec3 toViewAxes(const Projector& projector, const Vec3& world) {
    const Vec3 v = world - projector.view.eye;
    return {dot(v, projector.view.right), dot(v, projector.view.up), dot(v, projector.view.forward)};
}

namespace {

// The part of the triangle at or beyond the near plane, projected: 0, 3 or 4 corners of a fan.
int screenPolygon(const Projector& projector, const std::array<Vec3, 3>& corners, std::array<ScreenPoint, 4>& screen) {
    const double near = projector.view.nearDistance;
    std::array<Vec3, 3> v{};
    int inside = 0;
    for (int c = 0; c < 3; ++c) {
        v[c] = toViewAxes(projector, corners[c]);
        if (v[c][2] >= near) ++inside;
    }
    if (inside == 0) return 0;
    // The part at or beyond the near plane: a triangle or a quadrilateral, drawn as a fan.
    std::array<Vec3, 4> polygon{};
    int count = 0;
    for (int c = 0; c < 3; ++c) {
        const Vec3& a = v[c];
        const Vec3& b = v[(c + 1) % 3];
        const bool aIn = a[2] >= near, bIn = b[2] >= near;
        if (aIn) polygon[count++] = a;
        if (aIn != bIn) {
            const double t = (near - a[2]) / (b[2] - a[2]);
            polygon[count++] = {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, near};
        }
    }
    assert(count == 3 || count == 4);
    for (int c = 0; c < count; ++c) screen[c] = project(projector, polygon[c]);
    return count;
}

} // namespace

void drawTriangle(Frame& frame, const Projector& projector, const std::array<Vec3, 3>& corners, std::int32_t number,
                  std::uint32_t colour, bool depthTest) {
    std::array<ScreenPoint, 4> screen{};
    const int count = screenPolygon(projector, corners, screen);
    for (int c = 1; c + 1 < count; ++c)
        fillScreenTriangle(frame, screen[0], screen[c], screen[c + 1], number, colour, depthTest);
}

std::uint64_t triangleSteps(ImageSize size, const Projector& projector, const std::array<Vec3, 3>& corners) {
    std::array<ScreenPoint, 4> screen{};
    const int count = screenPolygon(projector, corners, screen);
    std::uint64_t steps = 0;
    for (int c = 1; c + 1 < count; ++c) {
        ScreenPoint p0 = screen[0], p1 = screen[c], p2 = screen[c + 1];
        if (orientedArea(p0, p1, p2) != 0) steps += pixelRange(size.width, size.height, p0, p1, p2).count();
    }
    return steps;
}

} // namespace norvane::view
