#include "view/shading.h"

#include <algorithm>
#include <cmath>

#include <norvane/tree_file.h>

namespace norvane::view {
namespace {

constexpr std::uint32_t palette[12] = {0xd6604d, 0x6a99d0, 0xe4b452, 0x78b46e, 0xaa78c8, 0x5abebe,
                                       0xe68caa, 0xa0a078, 0xf0964a, 0x8282dc, 0xbec85a, 0xc86e6e};
constexpr std::uint32_t noMaterialColour = 0xbebebe;

} // namespace

Vec3 lightDirection() { return normalized({-0.4, 1.0, -0.6}); }

std::uint32_t materialColour(std::uint32_t material, std::uint32_t noMaterial) {
    return material == noMaterial ? noMaterialColour : palette[material % 12];
}

std::uint32_t shadedColour(std::uint32_t base, const Plane& plane, bool eyeInFront) {
    const double sign = eyeInFront ? 1.0 : -1.0;
    const Vec3 normal{plane.a * sign, plane.b * sign, plane.c * sign};
    // A plane need not have a unit normal: the light term is clamped to [0, 1] (NaN to 0), so
    // every channel stays in 0..255.
    const double lit = dot(normal, lightDirection());
    const double k = 0.35 + 0.65 * (lit > 0 ? std::min(lit, 1.0) : 0.0);
    std::uint32_t colour = 0;
    for (const int shift : {16, 8, 0}) {
        const double channel = static_cast<double>((base >> shift) & 0xff) * k;
        colour |= static_cast<std::uint32_t>(std::floor(channel + 0.5)) << shift;
    }
    return colour;
}

} // namespace norvane::view
