// norvane-dump scene: the loaded scene as JSON, or its summary.
#include <cstdio>

#include "dump_commands.h"
#include "scene/loader.h"
#include "scene/scene_json.h"
#include "scene_summary.h"

namespace norvane::dump {

bool readFile(const std::string& path, std::vector<unsigned char>& bytes) { return readWholeFile(path, bytes); }

int dumpScene(const SceneCommand& command, std::FILE* out) {
    LoadError error;
    const auto scene = loadScene(command.file, &error);
    if (!scene) {
        // The compiler's one line, and why the loader refused the file and where.
        std::fprintf(stderr, "%s: File not found / is damaged ! (%s at offset %lld: %s)\n", command.file.c_str(),
                     loadStatusName(error.status), static_cast<long long>(error.offset), loadStatusText(error.status));
        return 1;
    }
    const std::string text =
        command.summary ? formatSceneSummary(command.file, summarizeScene(*scene)) : sceneToJson(*scene);
    std::fwrite(text.data(), 1, text.size(), out);
    return 0;
}

} // namespace norvane::dump
