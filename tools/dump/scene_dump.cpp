// norvane-dump scene: the loaded scene as JSON, or its summary.
#include <cctype>
#include <cstdio>

#include <norvane/files.h>
#include <norvane/import.h>
#include <norvane/scene.h>

#include "common/json_text.h"
#include "common/terminal_text.h"
#include "dump/dump_commands.h"
#include "dump/scene_json.h"
#include "dump/scene_summary.h"

namespace norvane::dump {

namespace {

// "PastEndOfFile" as "past-end-of-file", the spelling of the dump's reasons.
std::string kebabName(const char* name) {
    std::string out;
    for (const char* c = name; *c; ++c) {
        if (std::isupper(static_cast<unsigned char>(*c)) && c != name) out += '-';
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    }
    return out;
}

int writeScene(const SceneCommand& command, const Scene& scene, std::FILE* out) {
    const std::string text =
        command.summary ? formatSceneSummary(shownFileName(command.file), summarizeScene(scene)) : sceneToJson(scene);
    std::fwrite(text.data(), 1, text.size(), out);
    return 0;
}

} // namespace

int dumpScene(const SceneCommand& command, std::FILE* out) {
    LoadError error;
    Scene scene;
    const std::filesystem::path path = pathOfArgument(command.file);
    const SceneFormat format = sceneFormatOf(path);
    if (format != SceneFormat::ThreeDs && format != SceneFormat::Unknown) {
        // glTF and OBJ: one line naming the file and the reason.
        if (importScene(path, scene, error)) return writeScene(command, scene, out);
        std::fprintf(stderr, "%s: %s\n", shownFileName(command.file).c_str(), error.message.c_str());
        return 1;
    }
    if (!loadScene(path, scene, error)) {
        // The compiler's one line, and why the loader refused the file and where.
        std::fprintf(stderr, "%s: File not found / is damaged ! (%s at offset %lld: %s)\n",
                     shownFileName(command.file).c_str(), kebabName(errorCodeName(error.code)).c_str(),
                     static_cast<long long>(error.offset), error.message.c_str());
        return 1;
    }
    return writeScene(command, scene, out);
}

} // namespace norvane::dump
