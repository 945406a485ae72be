// norvane-view as a user runs it: the files it writes, and one clear line and a non-zero status
// for every kind of bad input, without a file left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

#include "support/test_support.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

RunResult view(const std::string& arguments) {
    return runCommand(std::string(NORVANE_VIEW_EXE) + " " + arguments + " 2>&1");
}

class ViewProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        writeBytes(dir_ / "box.3ds", boxScene());
        ASSERT_EQ(runIn(dir_.path(), {"box.3ds"}).status, 0);
        box_ = (dir_ / "box.bsp").string();
    }
    TempDir dir_{"view-program"};
    std::string box_;
};

int lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST_F(ViewProgram, WritesThePictureThePageAndTheComparison) {
    const std::string png = (dir_ / "box.png").string(), html = (dir_ / "box.html").string();
    RunResult r = view(box_ + " -o " + png + " --html " + html + " --size 64x48 --compare --pick 32,24");
    EXPECT_EQ(r.status, 0) << r.console;
    EXPECT_NE(r.console.find("pixel 32,24: node 0, depth 1, path , record "), std::string::npos) << r.console;
    EXPECT_NE(r.console.find(" 0 wrong\n"), std::string::npos) << r.console;
    const auto bytes = readBytes(png);
    ASSERT_GT(bytes.size(), 8u);
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
    EXPECT_NE(readText(html).find("<canvas id=\"view\""), std::string::npos);
    // Written whole under a name of its own: no temporary is left beside it.
    for (const auto& entry : fs::directory_iterator(dir_.path()))
        EXPECT_EQ(entry.path().string().find("norvane-tmp"), std::string::npos) << entry.path();
}

TEST_F(ViewProgram, BadInputGetsOneLineAndNoFile) {
    writeBytes(dir_ / "junk.bsp", {'N', 'O', 'T', 'B', 'S', 'P', 0, 0, 0, 0, 0, 0});
    writeBytes(dir_ / "junk.3ds", {1, 2, 3});
    const std::string out = (dir_ / "out.png").string();
    const struct {
        std::string arguments;
        int status;
        std::string message;
    } cases[] = {
        {(dir_ / "junk.bsp").string() + " -o " + out, 1, "offset 0: magic is not \"BSP\""},
        {(dir_ / "missing.bsp").string() + " -o " + out, 1, "cannot read the file"},
        {box_ + " --html " + box_, 1, "would overwrite the input file"},
        {box_ + " -o " + (dir_ / "no-such-folder" / "x.png").string(), 1, "cannot create the file"},
        {box_ + " -o " + out + " --scene " + (dir_ / "junk.3ds").string(), 1, "junk.3ds: "},
        {box_ + " -o " + out + " --scene " + (dir_ / "box.3ds").string() + " --camera 0", 1, "there is no camera 0"},
        {box_ + " -o " + out + " --camera 0", 2, "--camera requires --scene"},
        {box_ + " -o " + out + " --size 0x10", 2, "--size"},
        {box_ + " -o " + out + " --cull sideways", 2, "--cull"},
        {box_ + " -o " + out + " --pick 64,0 --size 64x48", 2, "--pick"},
        {box_, 2, "one of -o PNG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const RunResult r = view(c.arguments);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(lines(r.console), 1) << r.console;
        EXPECT_EQ(r.console.rfind("norvane-view: ", 0), 0u) << r.console;
        EXPECT_NE(r.console.find(c.message), std::string::npos) << r.console;
        EXPECT_FALSE(fs::exists(out));
    }
}

// A tree of two squares facing the eye, one at z = 0 and one at z = 4, split by the plane z = 2:
// the far square belongs in the front subtree, the near one in the back subtree. `swapped`
// stores them the other way round, so that a walk from z < 0 paints the far square last.
std::vector<std::uint8_t> twoSquares(bool swapped) {
    std::vector<std::uint8_t> out{'B', 'S', 'P'};
    auto u16 = [&](unsigned v) { out.insert(out.end(), {std::uint8_t(v & 0xff), std::uint8_t(v >> 8)}); };
    auto f32 = [&](float v) {
        std::uint8_t b[4];
        std::memcpy(b, &v, 4);
        out.insert(out.end(), b, b + 4);
    };
    u16(50), u16(8), u16(4), u16(0);
    for (const float z : {0.0f, 4.0f})
        for (const auto& [x, y] : {std::pair{0.0f, 0.0f}, {2.0f, 0.0f}, {2.0f, 2.0f}, {0.0f, 2.0f}}) {
            for (const float v : {x, y, z, 0.0f, 0.0f, 0.0f, 0.0f, -1.0f}) f32(v);
        }
    auto leaf = [&](unsigned first, unsigned id, float z) {
        u16(0);
        for (int k = 0; k < 4; ++k) f32(0);
        u16(2);
        for (const auto& corners : {std::array<unsigned, 3>{0, 2, 1}, std::array<unsigned, 3>{0, 3, 2}}) {
            for (const unsigned c : corners) u16(first + c);
            u16(id++), u16(0xffff);
            for (const float v : {0.0f, 0.0f, -1.0f, z}) f32(v);
        }
    };
    u16(3);
    for (const float v : {0.0f, 0.0f, 1.0f, -2.0f}) f32(v);
    u16(0);
    leaf(swapped ? 0 : 4, 0, swapped ? 0.0f : 4.0f); // front subtree: z > 2
    leaf(swapped ? 4 : 0, 2, swapped ? 4.0f : 0.0f); // back subtree: z < 2
    return out;
}

TEST_F(ViewProgram, AWrongOrderFailsTheComparison) {
    writeBytes(dir_ / "right.bsp", twoSquares(false));
    writeBytes(dir_ / "wrong.bsp", twoSquares(true));
    const std::string view0 = " --compare --size 64x48 --orbit 0 --elevation 0";
    RunResult r = view((dir_ / "right.bsp").string() + view0);
    EXPECT_EQ(r.status, 0) << r.console;
    EXPECT_NE(r.console.find(" 0 wrong\n"), std::string::npos) << r.console;
    r = view((dir_ / "wrong.bsp").string() + view0);
    EXPECT_EQ(r.status, 1) << r.console;
    EXPECT_NE(r.console.find("first wrong pixel"), std::string::npos) << r.console;
}

} // namespace
} // namespace norvane::test
