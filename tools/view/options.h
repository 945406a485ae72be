// norvane-view's command line.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "view/render.h"
#include "view/view.h"

namespace norvane::view {

struct Options {
    std::string tree; // the .bsp to show
    std::string png;  // -o: the image to write
    std::string html; // --html: the viewer page to write
    bool compare = false;
    std::optional<std::array<int, 2>> pick; // --pick X,Y: the face the painter's image shows there
    std::string scene;                      // --scene: the .3ds the tree came from, for its cameras
    std::optional<int> camera;
    double orbit = 30, elevation = 25, fov = 40; // degrees
    ImageSize size;
    bool zbuffer = false;
    Cull cull = Cull::None;
};

// Parses the arguments (argv[0] is the program). Returns -1 with `options` filled, or the exit
// status to end with after printing the help or the version (0) or a one-line error on standard
// error (2).
int parseOptions(int argc, const char* const* argv, Options& options);

// "640x480" into a size; false unless both are whole numbers from 1 to maxImageSide and the
// image holds at most maxImagePixels (view/limits.h).
bool parseSize(const std::string& text, ImageSize& size);

// "12,34" into a pixel; false unless both are whole numbers (of at most five digits).
bool parsePixel(const std::string& text, std::array<int, 2>& pixel);

} // namespace norvane::view
