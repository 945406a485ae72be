// An image's colours as PNG bytes (8-bit RGB, no alpha), through stb_image_write.
#pragma once

#include <string>

#include "view/raster.h"

namespace norvane::view {

// Empty when the encoder fails.
std::string encodePng(const Frame& frame);

} // namespace norvane::view
