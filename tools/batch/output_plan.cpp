#include "batch/output_plan.h"

#include <cctype>
#include <filesystem>
#include <map>

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
        plan.push_back(BatchScene{scene, output});
    }
    return plan;
}

std::string findCollision(const std::vector<BatchScene>& scenes) {
    std::map<std::string, std::size_t> outputs, inputs;
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        const auto [at, fresh] = outputs.emplace(identity(scenes[i].output), i);
        if (!fresh)
            return shownFileName(scenes[at->second].input) + " and " + shownFileName(scenes[i].input) +
                   " would both write " + shownFileName(scenes[i].output);
        inputs.emplace(identity(scenes[i].input), i);
    }
    for (const auto& [key, i] : outputs) {
        const auto input = inputs.find(key);
        if (input != inputs.end() && input->second != i)
            return "the tree of " + shownFileName(scenes[i].input) + " would replace the scene " +
                   shownFileName(scenes[input->second].input);
    }
    return {};
}

} // namespace norvane::batch
