// norvane-view: draws a tree file from an eye point by walking it back to front (or with a depth
// buffer), writes the browser viewer page, and compares the two ways of drawing.
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <norvane/files.h>
#include <norvane/norvane.h>

#include "common/command_line.h"
#include "common/json_text.h"
#include "common/terminal_text.h"
#include "view/agreement.h"
#include "view/html_page.h"
#include "view/limits.h"
#include "view/options.h"
#include "view/png_image.h"
#include "view/render.h"

namespace {

using namespace norvane;
using namespace norvane::view;

constexpr const char* program = "norvane-view";

int fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return 1;
}

bool writeOutput(const std::string& path, const std::string& bytes, std::string& error) {
    WriteError failure;
    if (writeWholeFile(pathOfArgument(path), bytes, failure)) return true;
    error = shownFileName(path) + ": " + failure.message;
    return false;
}

// What the run reads: the tree file's bytes and the tree, and the scene when it names one.
struct Inputs {
    std::vector<std::uint8_t> bytes;
    TreeFile file;
    std::unique_ptr<Scene> scene;
};

// Reads them; the empty string, or the one line that says why not.
std::string readInputs(const Options& options, Inputs& in) {
    const std::string tree = shownFileName(options.tree);
    if (ReadError error; !readWholeFile(pathOfArgument(options.tree), in.bytes, error, maxTreeFileSize))
        return tree + ": " + error.message;
    TreeFileError error;
    if (!readTreeFile(in.bytes, in.file, error) || !checkTreeFile(in.file, error))
        return tree + ": offset " + std::to_string(error.offset) + ": " + error.message;
    if (options.scene.empty()) return {};
    LoadError loadError;
    in.scene = std::make_unique<Scene>();
    if (!loadScene(pathOfArgument(options.scene), *in.scene, loadError))
        return shownFileName(options.scene) + ": " + loadError.message;
    return {};
}

// The view: the automatic one, or the camera asked for. The empty string, or why there is none.
std::string chooseView(const Options& options, const Scene* scene, const Bounds& bounds, View& view) {
    view = orbitView(bounds, options.orbit, options.elevation, options.fov, options.size);
    if (!options.camera) return {};
    const auto n = static_cast<std::size_t>(*options.camera);
    if (n >= scene->cameras.size())
        return shownFileName(options.scene) + " has " + std::to_string(scene->cameras.size()) +
               " camera(s); there is no camera " + std::to_string(n);
    std::string why;
    if (!cameraView(scene->cameras[n], bounds, view, why))
        return "camera " + std::to_string(n) + " (" + jsonString(scene->cameras[n].name) + ") gives no view: " + why;
    return {};
}

// The scene's cameras that give a view; each other one is named on standard error.
std::vector<CameraPreset> cameraPresets(const Scene& scene, const Bounds& bounds) {
    std::vector<CameraPreset> presets;
    for (const Camera& camera : scene.cameras) {
        CameraPreset preset{camera.name, {}};
        std::string why;
        if (cameraView(camera, bounds, preset.view, why))
            presets.push_back(preset);
        else
            std::fprintf(stderr, "%s: camera %s is left out: %s\n", program, jsonString(camera.name).c_str(),
                         why.c_str());
    }
    return presets;
}

// The pictures the options paint: a depth-buffered one more for each when the culled side is
// picked automatically (--compare picks it once for both of its pictures).
std::uint64_t picturesOf(const Options& options) {
    const std::uint64_t automatic = options.cull == Cull::Auto ? 1 : 0;
    return (options.png.empty() ? 0 : 1 + automatic) + (options.pick ? 1 + automatic : 0) +
           (options.compare ? 2 + automatic : 0);
}

// The steps the pictures leave for ordering the leaves within maxDrawingSteps (view/limits.h),
// or nothing with why the pictures alone are refused.
std::optional<StepBudget> drawingBudget(const Options& options, const TreeFile& file, const RenderSettings& settings,
                                        std::string& why) {
    const std::uint64_t pictures = picturesOf(options);
    if (pictures == 0) return StepBudget{};
    const std::uint64_t picture = pictureSteps(file, settings);
    if (picture == 0 || picture <= maxDrawingSteps / pictures) return StepBudget{maxDrawingSteps - picture * pictures};
    why = shownFileName(options.tree) + ": " + std::to_string(pictures) + " picture(s) of " + std::to_string(picture) +
          " pixel steps each would take more than the limit of " + std::to_string(maxDrawingSteps) +
          " steps; a smaller --size takes fewer";
    return std::nullopt;
}

// The face the frame shows at a pixel, as one line.
void printPick(const PreparedTree& tree, const Frame& frame, std::array<int, 2> pixel) {
    const auto [x, y] = pixel;
    const std::int32_t number =
        frame.face[static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) + static_cast<std::size_t>(x)];
    if (number < 0) {
        std::printf("pixel %d,%d: no face\n", x, y);
        return;
    }
    const TreeFile& file = *tree.file;
    const FaceRef ref = faceOfNumber(tree.numbering, number);
    const TreeFileNode& node = file.nodes[static_cast<std::size_t>(ref.node)];
    const TreeFileFace& face = node.faces[static_cast<std::size_t>(ref.face)];
    std::printf("pixel %d,%d: node %d, depth %d, path %s, record %d, face id %u, material %s\n", x, y, ref.node,
                node.depth, nodePath(file, ref.node).c_str(), ref.face, unsigned{face.id},
                face.material == noMaterialOf(file) ? "none" : std::to_string(face.material).c_str());
}

// Paints both ways and prints how the images differ; false when a difference is a wrong order,
// or when the picture is empty and there is nothing to compare.
bool printComparison(const PreparedTree& tree, RenderSettings settings) {
    settings.cull = resolveCull(tree, settings); // once, for both images
    const Frame painter = render(tree, settings, Method::Painter);
    const Frame depth = render(tree, settings, Method::DepthBuffer);
    const Agreement a = compareFrames(tree, settings, painter, depth);
    if (a.covered == 0) {
        std::printf("0 covered pixels: no face shows in this view, so there is nothing to compare\n");
        return false;
    }
    std::printf("%lld covered pixels, %lld the same (%.4f%%); different: %lld in one plane, %lld touching, "
                "%lld stray pieces, %lld in unseparated leaves, %lld wrong\n",
                static_cast<long long>(a.covered), static_cast<long long>(a.same), a.samePercent(),
                static_cast<long long>(a.inOnePlane), static_cast<long long>(a.touching),
                static_cast<long long>(a.strayPiece), static_cast<long long>(a.unseparated),
                static_cast<long long>(a.wrong));
    if (a.wrong == 0) return true;
    std::printf("first wrong pixel (%d, %d): the painter shows node %d face %d, the depth buffer node %d face %d\n",
                a.wrongX, a.wrongY, a.wrongPainter.node, a.wrongPainter.face, a.wrongDepth.node, a.wrongDepth.face);
    return false;
}

// The picture, the pick and the comparison, as asked, within the steps the budget leaves for
// ordering the leaves; the exit status.
int draw(const Options& options, const TreeFile& file, const RenderSettings& settings, StepBudget budget) {
    if (picturesOf(options) == 0) return 0;
    const std::uint64_t left = budget.left;
    PreparedTree tree;
    if (!prepareTree(file, budget, tree))
        return fail(shownFileName(options.tree) + ": ordering the faces of its leaves takes more than the " +
                    std::to_string(left) + " steps the pictures leave of the limit of " +
                    std::to_string(maxDrawingSteps));
    const Method method = options.zbuffer ? Method::DepthBuffer : Method::Painter;
    if (!options.png.empty()) {
        const std::string png = encodePng(render(tree, settings, method));
        if (png.empty()) return fail(shownFileName(options.png) + ": the image could not be encoded");
        if (std::string error; !writeOutput(options.png, png, error)) return fail(error);
    }
    if (options.pick) printPick(tree, render(tree, settings, method), *options.pick);
    if (options.compare && !printComparison(tree, settings)) return 1;
    return 0;
}

int run(const Options& options) {
    Inputs in;
    if (const std::string why = readInputs(options, in); !why.empty()) return fail(why);
    const Bounds bounds = treeBounds(in.file);
    RenderSettings settings;
    settings.size = options.size;
    settings.cull = options.cull;
    if (const std::string why = chooseView(options, in.scene.get(), bounds, settings.view); !why.empty())
        return fail(why);
    for (const std::string* output : {&options.png, &options.html})
        for (const std::string* input : {&options.tree, &options.scene})
            if (!output->empty() && !input->empty() && sameFile(pathOfArgument(*output), pathOfArgument(*input)))
                return fail(shownFileName(*output) + ": would overwrite the input file");
    std::string why;
    const std::optional<StepBudget> budget = drawingBudget(options, in.file, settings, why);
    if (!budget) return fail(why);
    if (!options.html.empty()) {
        const auto presets = in.scene ? cameraPresets(*in.scene, bounds) : std::vector<CameraPreset>{};
        const std::string title = std::filesystem::path(options.tree).filename().string();
        if (std::string error; !writeOutput(options.html, viewerPage(in.bytes, title, presets), error))
            return fail(error);
    }
    return draw(options, in.file, settings, *budget);
}

} // namespace

int main(int argc, char** argv) {
    try {
        Options options;
        if (const int status = parseOptions(argc, argv, options); status >= 0) return status;
        return run(options);
    } catch (const std::bad_alloc&) {
        return tools::outOfMemory(program);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}
