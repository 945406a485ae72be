// norvane-scene KIND OUT.3ds [--seed N] [--faces N]: writes a generated scene and says what it
// wrote. Exit status 0 when written, 1 when the file cannot be written, 2 for wrong usage.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <string>

#include <CLI/CLI.hpp>

#include <norvane/files.h>

#include "common/command_line.h"
#include "scene3ds/chunk_writer.h"
#include "scene3ds/generators.h"
#include "scene3ds/interchange_writer.h"

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
    return norvane::tools::usageError(program, message, std::string("see ") + program + " --help");
}

struct SceneLine {
    std::string kind, out;
    std::uint64_t seed = 1;
    std::uint64_t faces = 0;
    std::string format = "3ds";
};

// The scene in the format asked for; for OBJ also its material library and that file's name.
std::string sceneBytes(const norvane::scene3ds::ScenePlan& scene, const SceneLine& line, std::string& mtlName,
                       std::string& mtl) {
    if (line.format == "gltf" || line.format == "glb")
        return norvane::scene3ds::writeSceneGltf(scene, line.format == "glb");
    if (line.format == "obj") {
        mtlName = std::filesystem::path(line.out).replace_extension(".mtl").string();
        return norvane::scene3ds::writeSceneObj(scene, std::filesystem::path(mtlName).filename().string(), mtl);
    }
    const auto bytes = norvane::scene3ds::writeScene(scene);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool writeOut(const std::string& out, const std::string& bytes) {
    norvane::WriteError error;
    if (norvane::writeWholeFile(norvane::pathOfArgument(out), bytes, error)) return true;
    if (error.code == norvane::WriteErrorCode::CannotCreate)
        std::fprintf(stderr, "%s: %s: cannot create the file (no such folder, or read-only)\n", program, out.c_str());
    else
        std::fprintf(stderr, "%s: %s: cannot write the file (disk full?)\n", program, out.c_str());
    return false;
}

// Writes the scene and says what it wrote; 1 when it cannot be written.
int writeGenerated(const SceneLine& line) {
    const auto scene = norvane::scene3ds::generateScene(line.kind, line.seed, static_cast<std::uint32_t>(line.faces));
    std::string mtlName, mtl;
    const std::string bytes = sceneBytes(scene, line, mtlName, mtl);
    if ((!mtlName.empty() && !writeOut(mtlName, mtl)) || !writeOut(line.out, bytes)) return 1;
    std::size_t faceCount = 0, vertexCount = 0;
    for (const auto& mesh : scene.meshes) {
        faceCount += mesh.faces.size();
        vertexCount += mesh.points.size();
    }
    std::printf("%s: %s, seed %llu, faces %zu, vertices %zu, meshes %zu, materials %zu\n", line.out.c_str(),
                line.kind.c_str(), static_cast<unsigned long long>(line.seed), faceCount, vertexCount,
                scene.meshes.size(), scene.materials.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Writes a generated 3DS test scene: the same kind, seed and size always give the same bytes."};
    norvane::tools::setUpCommandLine(app, program);
    SceneLine line;
    app.add_option("KIND", line.kind, "the kind of scene (below)")->required();
    app.add_option("OUT", line.out, "the 3DS file to write; an existing file is replaced whole")->required();
    app.add_option("--seed", line.seed, "the random seed")->default_val(1)->check(notNegative);
    app.add_option("--faces", line.faces, "the number of faces to aim at; 0 for the kind's default")
        ->default_val(0)
        ->check(notNegative);
    app.add_option("--format", line.format, "3ds, gltf, glb or obj (with its .mtl beside it): the same scene in each")
        ->default_val("3ds")
        ->check(CLI::IsMember({"3ds", "gltf", "glb", "obj"}));
    app.footer(kindsHelp());
    const auto parsed = norvane::tools::parseCommandLine(app, norvane::tools::argumentsOf(argc, argv));
    if (parsed.outcome != norvane::tools::LineOutcome::Run)
        return norvane::tools::endCommandLine(program, parsed, std::string("see ") + program + " --help");
    if (!norvane::scene3ds::isSceneKind(line.kind))
        return usageError("unknown kind \"" + line.kind + "\"; the kinds are " + kindList());
    const auto& info = sceneKindInfo(line.kind);
    if (line.faces > info.maxFaces)
        return usageError("--faces " + std::to_string(line.faces) + " is more than a " + line.kind +
                          " scene can have: at most " + std::to_string(info.maxFaces));
    try {
        return writeGenerated(line);
    } catch (const std::bad_alloc&) {
        return norvane::tools::outOfMemory(program);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        return 1;
    }
}
