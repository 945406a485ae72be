// Any bytes as a 3DS file: the load succeeds or fails, never reads outside the data.
#include <cstddef>
#include <cstdint>

#include "scene/loader.h"
#include "scene/scene_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto scene = norvane::loadSceneFromBytes(data, size);
    if (scene) (void)norvane::sceneToJson(*scene);
    return 0;
}
