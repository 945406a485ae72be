// What norvane-view and its page take on, in one place: the program checks its options and
// its work against these, and writes them into the page, which checks its fragment and its
// work against the same numbers.
#pragma once

#include <cstdint>

namespace norvane::view {

// An image is 1 to maxImageSide pixels wide and high, and at most maxImagePixels in all (4096 x
// 4096, or 16384 x 1024): a picture costs 16 bytes a pixel, and --compare holds two.
inline constexpr int maxImageSide = 16384;
inline constexpr std::int64_t maxImagePixels = std::int64_t{1} << 24;

// The automatic view's horizontal field of view, in degrees.
inline constexpr double minFovDegrees = 1, maxFovDegrees = 170;

// The work of one run of norvane-view, in steps: a step is one pixel of a face's box on screen
// in one picture, or one corner tested against one plane while the leaves' faces are ordered.
// About 7 s on one core of the development machine; above it the run is refused.
inline constexpr std::uint64_t maxDrawingSteps = std::uint64_t{1} << 32;

// The page: the steps of ordering the leaves when it opens, and the pixel steps of one frame
// (both refused with a message above these).
inline constexpr std::uint64_t maxPageOrderingSteps = std::uint64_t{1} << 28;
inline constexpr std::uint64_t maxPageFrameSteps = std::uint64_t{1} << 27;

} // namespace norvane::view
