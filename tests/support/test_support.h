// Helpers shared by the tests: running the compiler in-process with a captured console,
// loading scenes from bytes, and temporary folders.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "scene3ds/chunk_writer.h"
#include "scene3ds/scene_builder.h"
#include "norvane/compile.h"
#include "norvane/scene.h"

namespace norvane::test {

std::filesystem::path modelsDir();
std::filesystem::path expectedDir();

// The real scenes and what an independent implementation made of them live beside the
// repository, not in it (they cannot be copied in). Tests that need them skip without them.
bool haveRealScenes();
inline constexpr const char* realScenesMissing =
    "skipped: the real scenes are missing (../shared/models/real beside the repository; they cannot be copied into it)";
#define NORVANE_NEEDS_REAL_SCENES()                                                                                    \
    if (!::norvane::test::haveRealScenes()) GTEST_SKIP() << ::norvane::test::realScenesMissing

// A fresh empty folder under the build tree, removed by the destructor.
class TempDir {
public:
    explicit TempDir(const std::string& name);
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::unique_ptr<Scene> loadBytes(const std::vector<std::uint8_t>& bytes);

// A scene compiled in memory: the tree (null when the load or the build failed), everything
// the build and the writer printed, and the tree file's bytes.
struct Compiled {
    std::unique_ptr<TreeFile> tree;
    std::string console;
    std::vector<std::uint8_t> file;
};
// `straightforward` builds with the slow searches; `threads` as in BuildOptions.
Compiled compileBytes(const std::vector<std::uint8_t>& bytes, bool straightforward = false, unsigned threads = 0);
Compiled compileBytes(const std::vector<std::uint8_t>& bytes, const BuildOptions& options);

std::string readText(const std::filesystem::path& path);
std::vector<std::uint8_t> readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

struct RunResult {
    int status = 0;
    std::string console; // everything printed
};

// Runs the compiler in-process in `folder` with the given arguments (program name excluded).
RunResult runIn(const std::filesystem::path& folder, const std::vector<std::string>& args);

// Runs a shell command, returning its exit status and standard output.
RunResult runCommand(const std::string& command);

// A shell command's exit status, standard output and standard error, each apart.
struct ToolRun {
    int status = 0;
    std::string out, err;
};
ToolRun runTool(const std::string& command);

// A path in single quotes for the shell (the paths of the tests hold no quote).
std::string quoted(const std::filesystem::path& path);

// The console text from "   Loading file" on, with the seconds of the closing line blanked.
std::string consoleTail(const std::string& console);

// Scene files are written with the scene writer of the generator tool.
using scene3ds::beginMainChunk;
using scene3ds::ChunkWriter;
using scene3ds::MaterialPlan;
using scene3ds::materialOf;
using scene3ds::meshOf;
using scene3ds::MeshPlan;
using scene3ds::writeMaterial;
using scene3ds::writeMesh;

// The twelve-triangle box from (x0, y0, z0) with sides of `size`, faces outward.
MeshPlan boxMesh(const std::string& name, float x0, float y0, float z0, float size, const std::string& material = "");
// One material "Crate" and a box of it from (0, 0, 0) to (2, 2, 2).
std::vector<std::uint8_t> boxScene();

} // namespace norvane::test
