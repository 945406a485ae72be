#include "view/png_image.h"

#include <cstdint>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace norvane::view {
namespace {

void appendBytes(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

} // namespace

std::string encodePng(const Frame& frame) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(frame.colour.size() * 3);
    for (const std::uint32_t c : frame.colour) {
        rgb.push_back(static_cast<std::uint8_t>(c >> 16));
        rgb.push_back(static_cast<std::uint8_t>(c >> 8));
        rgb.push_back(static_cast<std::uint8_t>(c));
    }
    std::string png;
    if (!stbi_write_png_to_func(appendBytes, &png, frame.width, frame.height, 3, rgb.data(), frame.width * 3))
        png.clear();
    return png;
}

} // namespace norvane::view
