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
    LoadError error;
    const auto scene = loadScene(args[0], &error);
    if (!scene) {
        // The compiler's one line, and why the loader refused the file and where.
        std::fprintf(out, "{\"error\": \"File not found / is damaged !\", \"reason\": \"%s\", \"detail\": \"%s\", \"offset\": %lld}\n",
                     loadStatusName(error.status), loadStatusText(error.status), static_cast<long long>(error.offset));
        return 1;
    }
    const std::string json = sceneToJson(*scene);
    std::fwrite(json.data(), 1, json.size(), out);
    return 0;
}

} // namespace norvane::dump
