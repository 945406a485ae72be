// One scene through the stages, as both programs compile it: the reason of a failure, the tree's
// figures, a refused write and a stop between the stages or the nodes.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "driver/compile_file.h"
#include "scene3ds/generators.h"
#include "support/glibc_heap.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

TEST(CompileSceneFile, GivesTheTreesFiguresAsTheClosingLineShowsThem) {
    TempDir dir("compile-scene");
    writeBytes(dir / "box.3ds", boxScene());
    CaptureConsole console;
    const SceneFileResult r = compileSceneFile((dir / "box.3ds").string(), (dir / "box.bsp").string(), console);
    EXPECT_EQ(r.status, SceneFileResult::Status::Written);
    EXPECT_EQ(errorLineOf(r), "");
    EXPECT_NE(console.text.find("Done [0 secs, 1 nodes, 12 faces, 1 width]"), std::string::npos) << console.text;
    EXPECT_EQ(r.stats.nodes, 1);
    EXPECT_EQ(r.stats.faces, 12);
    EXPECT_EQ(r.stats.depth, 1);
    const std::vector<std::uint8_t> file = readBytes(dir / "box.bsp");
    EXPECT_EQ(file, compileBytes(boxScene()).file);
    ASSERT_GE(file.size(), 11u);
    EXPECT_EQ(r.stats.vertices, file[5] + 256u * file[6]) << "the header's vertex count";
}

TEST(CompileSceneFile, AFailureCarriesTheMessageOfItsErrorLine) {
    TempDir dir("compile-scene-fail");
    CaptureConsole missing;
    const SceneFileResult notThere =
        compileSceneFile((dir / "none.3ds").string(), (dir / "none.bsp").string(), missing);
    EXPECT_EQ(notThere.status, SceneFileResult::Status::LoadFailed);
    EXPECT_EQ(notThere.load.code, LoadErrorCode::CannotRead) << "the loader's reason is kept";
    EXPECT_EQ(errorLineOf(notThere), "File not found / is damaged !");
    EXPECT_NE(missing.text.find("\r   # ERROR : File not found / is damaged ! \n"), std::string::npos);

    writeBytes(dir / "box.3ds", boxScene());
    fs::create_directory(dir / "box.bsp"); // a folder where the tree should go
    CaptureConsole blocked;
    const SceneFileResult r = compileSceneFile((dir / "box.3ds").string(), (dir / "box.bsp").string(), blocked);
    EXPECT_EQ(r.status, SceneFileResult::Status::WriteFailed);
    EXPECT_EQ(r.write.code, WriteErrorCode::CannotCreate);
    EXPECT_EQ(errorLineOf(r), "Cannot create file - disk full / locked ?");
    EXPECT_EQ(r.stats.nodes, 1) << "the tree was built";
}

TEST(CompileSceneFile, AStopDuringTheBuildEndsItBetweenTwoNodes) {
    // A rock of 5,000 faces builds about two thousand levels deep; stopped at once it ends long
    // before its last node, without an error line and without a file.
    TempDir dir("compile-scene-stop-build");
    writeBytes(dir / "rock.3ds", scene3ds::writeScene(scene3ds::generateScene("rock", 1, 5000)));
    std::atomic<bool> stop{false};
    // A console that asks for the stop on the tenth node's first progress line.
    struct StoppingConsole : CaptureConsole {
        std::atomic<bool>* stop = nullptr;
        int nodes = 0;
        void write(std::string_view bytes) override {
            CaptureConsole::write(bytes);
            if (bytes.find("-ALC-") != std::string_view::npos && ++nodes == 10) stop->store(true);
        }
    } console;
    console.stop = &stop;
    BuildOptions options;
    options.stopFlag = &stop;
    options.threads = 1;
    const SceneFileResult r =
        compileSceneFile((dir / "rock.3ds").string(), (dir / "rock.bsp").string(), console, options);
    EXPECT_EQ(r.status, SceneFileResult::Status::Stopped);
    EXPECT_EQ(console.nodes, 10) << "no node is entered after the stop";
    EXPECT_EQ(console.text.find("ERROR"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "rock.bsp"));
}

#if defined(NORVANE_HEAP_IS_GLIBCS)
// Compiles the scene, then exits 0 when a 4 MiB block comes from the heap, as it does once a
// large scene's memory is kept, and 1 when it is mapped on its own.
void compileThenAllocate(const fs::path& scene) {
    CaptureConsole console;
    compileSceneFile(scene.string(), (scene.parent_path() / "out.bsp").string(), console);
    void* block = std::malloc(std::size_t(4) << 20);
    std::exit(block && inHeap(block) ? 0 : 1);
}

TEST(CompileSceneFile, ALargeSceneKeepsItsMemoryAndASmallOneDoesNot) {
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // each in a fresh process
    TempDir dir("compile-scene-heap");
    writeBytes(dir / "box.3ds", boxScene());
    writeBytes(dir / "terrain.3ds", scene3ds::writeScene(scene3ds::generateScene("terrain", 1, 3000)));
    EXPECT_EXIT(compileThenAllocate(dir / "box.3ds"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(compileThenAllocate(dir / "terrain.3ds"), testing::ExitedWithCode(0), "");
}
#endif

} // namespace
} // namespace norvane::test
