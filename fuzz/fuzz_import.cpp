// Any bytes as a glTF, GLB or OBJ file, the first byte picking which: the import succeeds or
// fails with its reason, never reads outside the data. The readers take paths (a glTF names
// its buffers beside it), so each input is written to a file of its own folder first.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "norvane/import.h"
#include "dump/scene_json.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace {

// The process's folder, removed when the fuzzer exits.
struct Folder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("norvane-fuzz-import-" + std::to_string(getpid()));
    Folder() { std::filesystem::create_directories(path); }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Folder folderOfRun;
    const std::filesystem::path& folder = folderOfRun.path;
    if (size == 0) return 0;
    static const char* const names[] = {"scene.gltf", "scene.glb", "scene.obj"};
    const std::filesystem::path path = folder / names[data[0] % 3];
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    norvane::Scene scene;
    norvane::LoadError error;
    if (norvane::importScene(path, scene, error)) (void)norvane::sceneToJson(scene);
    return 0;
}
