#include "batch/output_plan.h"

#include <cctype>
#include <filesystem>
#include <map>

#include "batch/gltf_beside.h"
#include "common/terminal_text.h"
#include "driver/names.h"

namespace norvane::batch {
namespace {

namespace fs = std::filesystem;

// One spelling for every name that reaches the same file, existing or not.
std::string identity(const std::string& name) {
    std::error_code ec;
    fs::path path = fs::absolute(fs::path(name), ec);
    if (ec) path = fs::path(name);
    const fs::path resolved = fs::weakly_canonical(path, ec);
    std::string key = (ec ? path.lexically_normal() : resolved).string();
#ifdef _WIN32
    // Windows file names compare without regard to case.
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
    return key;
}

} // namespace

std::vector<BatchScene> planOutputs(const BatchOptions& options) {
    std::vector<BatchScene> plan;
    plan.reserve(options.scenes.size());
    for (const std::string& scene : options.scenes) {
        std::string output;
        if (!options.outputFile.empty())
            output = options.outputFile;
        else if (!options.outputDir.empty())
            output = (fs::path(options.outputDir) / makeOutputName(fs::path(scene).filename().string())).string();
        else
            output = makeOutputName(scene);
        plan.push_back(BatchScene{scene, output, options.gltf ? gltfBesideName(output) : std::string()});
    }
    return plan;
}

std::string findCollision(const std::vector<BatchScene>& scenes) {
    struct Written {
        std::size_t scene;
        const std::string* name;
        bool tree; // a tree, whose own scene the compile guards; else a tree's glTF
    };
    std::map<std::string, Written> outputs;
    std::map<std::string, std::size_t> inputs;
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        for (const Written w : {Written{i, &scenes[i].output, true}, Written{i, &scenes[i].gltf, false}}) {
            if (w.name->empty()) continue;
            const auto [at, fresh] = outputs.emplace(identity(*w.name), w);
            if (!fresh)
                return shownFileName(scenes[at->second.scene].input) + " and " + shownFileName(scenes[i].input) +
                       " would both write " + shownFileName(*w.name);
        }
        inputs.emplace(identity(scenes[i].input), i);
    }
    for (const auto& [key, w] : outputs) {
        const auto input = inputs.find(key);
        if (input == inputs.end() || (w.tree && input->second == w.scene)) continue;
        const std::string what = w.tree ? "the tree of " : "the glTF of the tree of ";
        return what + shownFileName(scenes[w.scene].input) + " would replace the scene " +
               shownFileName(scenes[input->second].input);
    }
    return {};
}

} // namespace norvane::batch
