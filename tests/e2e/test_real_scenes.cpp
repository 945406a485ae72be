// Every real scene, compiled as a user runs it, against what an independent implementation
// printed and wrote for it: console bytes (the closing seconds aside), tree file bytes and the
// loaded scene's JSON.
#include <gtest/gtest.h>

#include <filesystem>

#include "norvane/scene.h"
#include "dump/scene_json.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

// Without the real scenes one placeholder stands in, and skips with the reason.
const std::string missing = "missing";

std::vector<std::string> realScenes() {
    if (!haveRealScenes()) return {missing};
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(modelsDir())) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".3ds" || ext == ".3DS") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class RealScene : public ::testing::TestWithParam<std::string> {};

TEST_P(RealScene, CompilesToTheExpectedConsoleAndTreeFile) {
    NORVANE_NEEDS_REAL_SCENES();
    const std::string name = GetParam();
    const std::string stem = fs::path(name).stem().string();
    TempDir dir("real-" + stem);
    fs::copy_file(modelsDir() / name, dir / name);

    const RunResult run = runIn(dir.path(), {name});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(consoleTail(run.console), consoleTail(readText(expectedDir() / (name + ".console"))));
    EXPECT_TRUE(readBytes(dir / (stem + ".bsp")) == readBytes(expectedDir() / (stem + ".bsp")))
        << "tree file differs for " << name;
}

TEST_P(RealScene, LoadsToTheExpectedSceneJson) {
    NORVANE_NEEDS_REAL_SCENES();
    const std::string name = GetParam();
    Scene scene;
    LoadError error;
    ASSERT_TRUE(loadScene(modelsDir() / name, scene, error)) << error.message;
    // The reference spells values as this tool does, so the texts compare whole.
    EXPECT_EQ(sceneToJson(scene), readText(expectedDir() / (name + ".scene.json")));
}

INSTANTIATE_TEST_SUITE_P(Models, RealScene, ::testing::ValuesIn(realScenes()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string id = info.param;
                             for (char& c : id)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return id;
                         });

} // namespace
} // namespace norvane::test
