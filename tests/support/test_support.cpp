#include "support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>

#include <sys/wait.h>
#include <unistd.h>

#include "console/console.h"
#include "console/console_progress.h"
#include "driver/run.h"
#include "norvane/scene.h"

namespace norvane::test {

namespace fs = std::filesystem;

fs::path modelsDir() {
    // The environment may point elsewhere, for example at nothing, to see the suite without them.
    const char* other = std::getenv("NORVANE_MODELS_DIR");
    return fs::path(other && *other ? other : NORVANE_MODELS_DIR);
}
fs::path expectedDir() { return modelsDir() / "expected"; }

bool haveRealScenes() {
    std::error_code ec;
    return fs::is_directory(modelsDir(), ec) && fs::is_directory(expectedDir(), ec);
}

TempDir::TempDir(const std::string& name) {
    static int counter = 0;
    path_ = fs::path(NORVANE_BINARY_DIR) / "test-tmp" /
            (name + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::unique_ptr<Scene> loadBytes(const std::vector<std::uint8_t>& bytes) {
    auto scene = std::make_unique<Scene>();
    LoadError error;
    if (!loadScene(std::span<const std::uint8_t>(bytes), *scene, error)) return nullptr;
    return scene;
}

Compiled compileBytes(const std::vector<std::uint8_t>& bytes, bool straightforward, unsigned threads) {
    BuildOptions options;
    options.search = straightforward ? PlaneSearch::Straightforward : PlaneSearch::Fast;
    options.threads = threads;
    return compileBytes(bytes, options);
}

Compiled compileBytes(const std::vector<std::uint8_t>& bytes, const BuildOptions& options) {
    Compiled c;
    const auto scene = loadBytes(bytes);
    if (!scene) return c;
    CaptureConsole console;
    ConsoleProgress progress(console);
    auto tree = std::make_unique<TreeFile>();
    BuildError error;
    if (compileScene(*scene, *tree, error, options, &progress)) {
        WriteError writeError;
        if (treeFileBytes(*tree, c.file, writeError, &progress)) c.tree = std::move(tree);
    } else {
        progress.buildFailed(error);
    }
    c.console = console.text;
    return c;
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::uint8_t> readBytes(const fs::path& path) {
    const std::string text = readText(path);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

void writeBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

RunResult runIn(const fs::path& folder, const std::vector<std::string>& args) {
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    CaptureConsole console;
    std::vector<std::string> argv{"norvane"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::FILE* keys = std::tmpfile();
    RunResult result;
    result.status = runCompiler(argv, console, keys);
    std::fclose(keys);
    result.console = console.text;
    fs::current_path(previous);
    return result;
}

RunResult runCommand(const std::string& command) {
    RunResult result;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        result.status = -1;
        return result;
    }
    char buf[65536];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, pipe)) > 0) result.console.append(buf, got);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

ToolRun runTool(const std::string& command) {
    static int counter = 0;
    const fs::path errors = fs::path(NORVANE_BINARY_DIR) / "test-tmp" /
                            ("stderr-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".txt");
    fs::create_directories(errors.parent_path());
    const RunResult run = runCommand("{ " + command + " ; } 2>" + quoted(errors));
    ToolRun result{run.status, run.console, readText(errors)};
    fs::remove(errors);
    return result;
}

std::string quoted(const std::filesystem::path& path) {
    // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "'" + string + "'".
    std::string text(1, '\'');
    text += path.string();
    text += '\'';
    return text;
}

std::string consoleTail(const std::string& console) {
    const std::size_t at = console.find("   Loading file");
    const std::string tail = at == std::string::npos ? console : console.substr(at);
    return std::regex_replace(tail, std::regex("\\[[0-9]+ secs"), "[N secs");
}

MeshPlan boxMesh(const std::string& name, float x0, float y0, float z0, float size, const std::string& material) {
    MeshPlan m;
    m.name = name;
    m.box({x0, y0, z0}, {x0 + size, y0 + size, z0 + size}, false, material);
    return m;
}

std::vector<std::uint8_t> boxScene() {
    scene3ds::ScenePlan scene;
    scene.materials.push_back(materialOf("Crate"));
    scene.meshes.push_back(boxMesh("Box", 0, 0, 0, 2, "Crate"));
    return scene3ds::writeScene(scene);
}

} // namespace norvane::test
