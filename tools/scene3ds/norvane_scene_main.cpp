// norvane-scene KIND OUT.3ds [--seed N] [--faces N]: writes a generated scene and says what it
// wrote. Exit status 0 when written, 1 when the file cannot be written, 2 for wrong usage.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include <CLI/CLI.hpp>

#include <norvane/files.h>
#include <norvane/version.h>

#include "scene3ds/chunk_writer.h"
#include "scene3ds/generators.h"

namespace {

using norvane::scene3ds::sceneKindInfo;
using norvane::scene3ds::sceneKinds;

constexpr const char* program = "norvane-scene";

// The kinds with what they hold and their sizes, from the generators themselves.
std::string kindsHelp() {
    std::string text = "Kinds (default and largest --faces):\n";
    for (const std::string& kind : sceneKinds()) {
        const auto& info = sceneKindInfo(kind);
        char line[256];
        std::snprintf(line, sizeof line, "  %-9s %7u, at most %7u  %s\n", info.name, info.defaultFaces, info.maxFaces,
                      info.description);
        text += line;
    }
    return text;
}

std::string kindList() {
    std::string text;
    for (const std::string& kind : sceneKinds()) text += (text.empty() ? "" : ", ") + kind;
    return text;
}

// A whole number, not a negative one (which the conversion to unsigned would wrap around).
const CLI::Validator notNegative(
    [](std::string& text) { return text.rfind('-', 0) == 0 ? std::string("must not be negative") : std::string(); }, "",
    "not negative");

int usageError(const std::string& message) {
    std::fprintf(stderr, "%s: %s (see %s --help)\n", program, message.c_str(), program);
    return 2;
}

// CLI11's message on one line.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Writes a generated 3DS test scene: the same kind, seed and size always give the same bytes."};
    app.name(program);
    app.set_version_flag("--version", std::string(program) + " " + norvane::version());
    // Options are GNU style on every platform: a word that begins with / is a path, not /option.
    app.allow_windows_style_options(false);
    std::string kind, out;
    std::uint64_t seed = 1;
    std::uint64_t faces = 0;
    app.add_option("KIND", kind, "the kind of scene (below)")->required();
    app.add_option("OUT", out, "the 3DS file to write; an existing file is replaced whole")->required();
    app.add_option("--seed", seed, "the random seed")->default_val(1)->check(notNegative);
    app.add_option("--faces", faces, "the number of faces to aim at; 0 for the kind's default")
        ->default_val(0)
        ->check(notNegative);
    app.footer(kindsHelp());
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion&) {
        std::printf("%s %s\n", program, norvane::version());
        return 0;
    } catch (const CLI::ParseError& e) {
        return usageError(oneLine(e.what()));
    }
    if (!norvane::scene3ds::isSceneKind(kind))
        return usageError("unknown kind \"" + kind + "\"; the kinds are " + kindList());
    const auto& info = sceneKindInfo(kind);
    if (faces > info.maxFaces)
        return usageError("--faces " + std::to_string(faces) + " is more than a " + kind + " scene can have: at most " +
                          std::to_string(info.maxFaces));
    try {
        const auto scene = norvane::scene3ds::generateScene(kind, seed, static_cast<std::uint32_t>(faces));
        const auto bytes = norvane::scene3ds::writeScene(scene);
        const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        norvane::WriteError error;
        if (!norvane::writeWholeFile(norvane::pathOfArgument(out), view, error)) {
            if (error.code == norvane::WriteErrorCode::CannotCreate)
                std::fprintf(stderr, "%s: %s: cannot create the file (no such folder, or read-only)\n", program,
                             out.c_str());
            else
                std::fprintf(stderr, "%s: %s: cannot write the file (disk full?)\n", program, out.c_str());
            return 1;
        }
        std::size_t faceCount = 0, vertexCount = 0;
        for (const auto& mesh : scene.meshes) {
            faceCount += mesh.faces.size();
            vertexCount += mesh.points.size();
        }
        std::printf("%s: %s, seed %llu, faces %zu, vertices %zu, meshes %zu, materials %zu\n", out.c_str(),
                    kind.c_str(), static_cast<unsigned long long>(seed), faceCount, vertexCount, scene.meshes.size(),
                    scene.materials.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        return 1;
    }
    return 0;
}
