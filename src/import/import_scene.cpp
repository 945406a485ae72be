// importScene: the format by the file's extension, and what the readers share.
#include <new>

#include "import/importers.h"
#include "scene/post_process.h"

#include "norvane/files.h"

namespace norvane {

SceneFormat sceneFormatOf(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (extension == ".3ds") return SceneFormat::ThreeDs;
    if (extension == ".gltf") return SceneFormat::Gltf;
    if (extension == ".glb") return SceneFormat::Glb;
    if (extension == ".obj") return SceneFormat::Obj;
    return SceneFormat::Unknown;
}

bool importScene(const std::filesystem::path& path, Scene& scene, LoadError& error, const ImportOptions& options) {
    const SceneFormat format = sceneFormatOf(path);
    if (format == SceneFormat::ThreeDs) return loadScene(path, scene, error, options.load);
    scene = Scene{};
    error = LoadError{};
    bool loaded = false;
    try {
        switch (format) {
        case SceneFormat::Gltf:
        case SceneFormat::Glb:
            loaded = importing::importGltf(path, format == SceneFormat::Glb, scene, error, options);
            break;
        case SceneFormat::Obj:
            loaded = importing::importObj(path, scene, error, options);
            break;
        default:
            loaded = importing::fail(error, LoadErrorCode::UnknownFormat,
                                     "the name ends in none of .3ds, .gltf, .glb, .obj");
        }
    } catch (const std::bad_alloc&) {
        loaded = importing::fail(error, LoadErrorCode::OutOfMemory, "the scene does not fit in memory");
    }
    if (!loaded) scene = Scene{};
    return loaded;
}

namespace importing {

bool fail(LoadError& error, LoadErrorCode code, std::string message) {
    error.code = code;
    error.offset = 0;
    error.message = std::move(message);
    return false;
}

bool readBounded(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes, LoadError& error,
                 const ImportOptions& options) {
    ReadError read;
    if (readWholeFile(path, bytes, read, options.load.maxFileSize, options.load.stopFlag)) return true;
    const std::string name = path.filename().string();
    switch (read.code) {
    case ReadErrorCode::TooLarge:
        return fail(error, LoadErrorCode::FileTooLarge, name + " holds more bytes than a scene may");
    case ReadErrorCode::Stopped:
        return fail(error, LoadErrorCode::Stopped, "the load was stopped");
    case ReadErrorCode::OutOfMemory:
        return fail(error, LoadErrorCode::OutOfMemory, "the scene does not fit in memory");
    default:
        return fail(error, LoadErrorCode::CannotRead, name + " cannot be opened or read");
    }
}

Vertex sceneVertex(double x, double y, double z, double u, double v) {
    Vertex out;
    out.x = static_cast<float>(x);
    out.y = static_cast<float>(y);
    out.z = -static_cast<float>(z);
    out.u = static_cast<float>(u);
    out.v = static_cast<float>(v);
    return out;
}

void finishImportedScene(Scene& scene) {
    for (Mesh& mesh : scene.meshes) {
        computeFacePlanes(mesh, mesh.vertices);
        computeVertexNormals(mesh, mesh.vertices);
    }
}

} // namespace importing
} // namespace norvane
