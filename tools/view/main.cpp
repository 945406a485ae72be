// norvane-view: draws a tree file from an eye point by walking it back to front (or with a depth
// buffer), writes the browser viewer page, and compares the two ways of drawing.
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <norvane/files.h>
#include <norvane/norvane.h>

#include "view/agreement.h"
#include "view/html_page.h"
#include "view/options.h"
#include "view/png_image.h"
#include "view/render.h"

namespace {

using namespace norvane;
using namespace norvane::view;

int fail(const std::string& message) {
    std::fprintf(stderr, "norvane-view: %s\n", message.c_str());
    return 1;
}

bool writeOutput(const std::string& path, const std::string& bytes, std::string& error) {
    WriteError failure;
    if (writeWholeFile(pathOfArgument(path), bytes, failure)) return true;
    error =
        path + (failure.code == WriteErrorCode::CannotCreate ? ": cannot create the file" : ": cannot write the file");
    return false;
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
            std::fprintf(stderr, "norvane-view: camera \"%s\" is left out: %s\n", camera.name.c_str(), why.c_str());
    }
    return presets;
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

// Paints both ways and prints how the images differ; false when a difference is a wrong order.
bool printComparison(const PreparedTree& tree, RenderSettings settings) {
    settings.cull = resolveCull(tree, settings); // once, for both images
    const Frame painter = render(tree, settings, Method::Painter);
    const Frame depth = render(tree, settings, Method::DepthBuffer);
    const Agreement a = compareFrames(tree, settings, painter, depth);
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

int run(const Options& options) {
    std::vector<std::uint8_t> bytes;
    if (ReadError readError; !readWholeFile(pathOfArgument(options.tree), bytes, readError, maxTreeFileSize))
        return fail(options.tree + ": cannot read the file");
    TreeFile file;
    TreeFileError error;
    if (!readTreeFile(bytes, file, error) || !checkTreeFile(file, error))
        return fail(options.tree + ": offset " + std::to_string(error.offset) + ": " + error.message);

    std::unique_ptr<Scene> scene;
    if (!options.scene.empty()) {
        LoadError loadError;
        scene = std::make_unique<Scene>();
        if (!loadScene(pathOfArgument(options.scene), *scene, loadError))
            return fail(options.scene + ": " + loadError.message);
    }
    const PreparedTree tree = prepareTree(file);
    const Bounds bounds = treeBounds(file);

    RenderSettings settings;
    settings.size = options.size;
    settings.cull = options.cull;
    settings.view = orbitView(bounds, options.orbit, options.elevation, options.fov, options.size);
    if (options.camera) {
        const auto n = static_cast<std::size_t>(*options.camera);
        if (n >= scene->cameras.size())
            return fail(options.scene + " has " + std::to_string(scene->cameras.size()) +
                        " camera(s); there is no camera " + std::to_string(n));
        std::string why;
        if (!cameraView(scene->cameras[n], bounds, settings.view, why))
            return fail("camera " + std::to_string(n) + " (\"" + scene->cameras[n].name + "\") gives no view: " + why);
    }

    for (const std::string* output : {&options.png, &options.html})
        for (const std::string* input : {&options.tree, &options.scene})
            if (!output->empty() && !input->empty() && sameFile(pathOfArgument(*output), pathOfArgument(*input)))
                return fail(*output + ": would overwrite the input file");
    std::string writeError;
    if (!options.png.empty()) {
        const Frame frame = render(tree, settings, options.zbuffer ? Method::DepthBuffer : Method::Painter);
        const std::string png = encodePng(frame);
        if (png.empty()) return fail(options.png + ": the image could not be encoded");
        if (!writeOutput(options.png, png, writeError)) return fail(writeError);
    }
    if (!options.html.empty()) {
        const std::vector<CameraPreset> presets = scene ? cameraPresets(*scene, bounds) : std::vector<CameraPreset>{};
        const std::string title = std::filesystem::path(options.tree).filename().string();
        if (!writeOutput(options.html, viewerPage(bytes, title, presets), writeError)) return fail(writeError);
    }
    if (options.pick)
        printPick(tree, render(tree, settings, options.zbuffer ? Method::DepthBuffer : Method::Painter), *options.pick);
    if (options.compare && !printComparison(tree, settings)) return 1;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int status = parseOptions(argc, argv, options); status >= 0) return status;
    try {
        return run(options);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}
