// Any bytes as a 3DS file: the load succeeds or fails, never reads outside the data.
#include <cstddef>
#include <cstdint>
#include <span>

#include <norvane/scene.h>

#include "dump/scene_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    norvane::Scene scene;
    norvane::LoadError error;
    if (norvane::loadScene(std::span<const std::uint8_t>(data, size), scene, error)) (void)norvane::sceneToJson(scene);
    return 0;
}
