// Colours: one per material from a fixed palette, shaded flat by the face's plane and one
// light direction. The page's script holds the same palette and formula.
#pragma once

#include <cstdint>

#include <norvane/geometry.h>

#include "view/vec3.h"

namespace norvane::view {

inline constexpr std::uint32_t backgroundColour = 0x1c2028;

// The light comes from above, to the left of and in front of the default view.
Vec3 lightDirection();

// The palette entry of a material index (repeating after twelve), grey for noMaterial.
std::uint32_t materialColour(std::uint32_t material, std::uint32_t noMaterial);

// The base colour scaled by 0.35 + 0.65 clamp(n . light, 0, 1), where n is the plane's normal
// (as the file gives it, unit or not) turned to the side the eye is on, and a NaN product
// counts as 0; each channel rounded half up.
std::uint32_t shadedColour(std::uint32_t base, const Plane& plane, bool eyeInFront);

} // namespace norvane::view
