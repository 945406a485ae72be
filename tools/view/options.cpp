#include "view/options.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <utility>

#include <CLI/CLI.hpp>

#include "common/command_line.h"
#include "view/limits.h"

namespace norvane::view {

namespace {

// A whole number of at most five digits, nothing else.
bool parseCount(const std::string& digits, int& value) {
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoi(digits);
    return true;
}

} // namespace

bool parseSize(const std::string& text, ImageSize& size) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos) return false;
    if (!parseCount(text.substr(0, x), size.width) || !parseCount(text.substr(x + 1), size.height)) return false;
    return size.width >= 1 && size.width <= maxImageSide && size.height >= 1 && size.height <= maxImageSide &&
           std::int64_t{size.width} * size.height <= maxImagePixels;
}

bool parsePixel(const std::string& text, std::array<int, 2>& pixel) {
    const std::size_t comma = text.find(',');
    return comma != std::string::npos && parseCount(text.substr(0, comma), pixel[0]) &&
           parseCount(text.substr(comma + 1), pixel[1]);
}

namespace {

// The options that are read as text first and checked once the whole line is read.
struct RawOptions {
    std::string size = "640x480";
    std::string cull = "none";
    std::string pick;
    CLI::Option* png = nullptr;
    CLI::Option* html = nullptr;
    CLI::Option* compare = nullptr;
    CLI::Option* pickOption = nullptr;
};

void addOutputOptions(CLI::App& app, Options& options, RawOptions& raw) {
    app.add_option("tree", options.tree, "The tree file (.bsp)")->required();
    raw.png = app.add_option("-o,--output", options.png, "Write the picture to this PNG file");
    raw.html = app.add_option("--html", options.html, "Write the viewer page to this HTML file");
    raw.compare = app.add_flag("--compare", options.compare,
                               "Render both ways, print where the painter's image and the depth buffer's differ; "
                               "exit 1 when a difference is a wrong order");
    raw.pickOption =
        app.add_option("--pick", raw.pick, "Print the face the painter's image shows at pixel X,Y")->option_text("X,Y");
}

void addViewOptions(CLI::App& app, Options& options, RawOptions& raw) {
    auto* scene = app.add_option("--scene", options.scene, "The .3ds the tree was compiled from: its cameras");
    auto* camera = app.add_option("--camera", options.camera, "View from camera N of the scene (from 0)")
                       ->check(CLI::NonNegativeNumber);
    camera->needs(scene);
    auto* orbit = app.add_option("--orbit", options.orbit, "Automatic view: degrees around the vertical axis")
                      ->capture_default_str();
    auto* elevation = app.add_option("--elevation", options.elevation, "Automatic view: degrees above the horizon")
                          ->capture_default_str();
    auto* fov = app.add_option("--fov", options.fov, "Automatic view: horizontal field of view in degrees")
                    ->check(CLI::Range(minFovDegrees, maxFovDegrees))
                    ->capture_default_str();
    camera->excludes(orbit)->excludes(elevation)->excludes(fov);
    app.add_option("--size", raw.size, "Image size")->option_text("WxH (640x480)");
    app.add_flag("--zbuffer", options.zbuffer, "Draw with a depth buffer instead of the painter's algorithm");
    app.add_option("--cull", raw.cull,
                   "Leave out faces: back (plane turned away from the eye), front (plane turned to it), auto "
                   "(whichever the nearest surfaces show less of), none")
        ->check(CLI::IsMember({"none", "back", "front", "auto"}))
        ->option_text("none|back|front|auto (none)");
}

// The checks of the whole line; each refusal throws as CLI11 does.
void checkLine(Options& options, const RawOptions& raw) {
    const std::map<std::string, Cull> culls{
        {"none", Cull::None}, {"back", Cull::Back}, {"front", Cull::Front}, {"auto", Cull::Auto}};
    options.cull = culls.at(raw.cull);
    if (!parseSize(raw.size, options.size))
        throw CLI::ValidationError("--size", "expects WxH, each from 1 to " + std::to_string(maxImageSide) +
                                                 " and at most " + std::to_string(maxImagePixels) + " pixels in all");
    for (const auto& [name, value] : {std::pair{"--orbit", options.orbit}, {"--elevation", options.elevation}})
        if (!std::isfinite(value)) throw CLI::ValidationError(name, "expects a finite number of degrees");
    if (!(options.fov >= minFovDegrees && options.fov <= maxFovDegrees))
        throw CLI::ValidationError("--fov", "expects degrees from 1 to 170");
    if (raw.pickOption->count()) {
        std::array<int, 2> pixel{};
        if (!parsePixel(raw.pick, pixel) || pixel[0] >= options.size.width || pixel[1] >= options.size.height)
            throw CLI::ValidationError("--pick", "expects X,Y inside the image");
        options.pick = pixel;
    }
    if (raw.png->count() + raw.html->count() + raw.compare->count() + raw.pickOption->count() == 0)
        throw CLI::RequiredError("one of -o PNG, --html HTML, --compare or --pick X,Y");
}

} // namespace

int parseOptions(int argc, const char* const* argv, Options& options) {
    CLI::App app{"norvane-view: draws a BSP tree file by walking it back to front from an eye point"};
    tools::setUpCommandLine(app, "norvane-view");
    RawOptions raw;
    addOutputOptions(app, options, raw);
    addViewOptions(app, options, raw);
    const tools::ParsedLine parsed =
        tools::parseCommandLine(app, tools::argumentsOf(argc, argv), [&] { checkLine(options, raw); });
    if (parsed.outcome == tools::LineOutcome::Run) return -1;
    return tools::endCommandLine("norvane-view", parsed, "--help shows the options");
}

} // namespace norvane::view
