// norvane-dump scene: the loaded scene as JSON.
#include <cstdio>

#include "dump_commands.h"
#include "scene/loader.h"
#include "scene/scene_json.h"

namespace norvane::dump {

bool readFile(const std::string& path, std::vector<unsigned char>& bytes) {
    return readWholeFile(path, bytes);
}

int dumpScene(const std::vector<std::string>& args, std::FILE* out) {
    if (args.size() != 1) return 2;
    const auto scene = loadScene(args[0]);
    if (!scene) {
        std::fputs("{\"error\": \"File not found / is damaged !\"}\n", out);
        return 1;
    }
    const std::string json = sceneToJson(*scene);
    std::fwrite(json.data(), 1, json.size(), out);
    return 0;
}

} // namespace norvane::dump
