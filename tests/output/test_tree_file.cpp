// The tree file reader behind `norvane-dump tree --check`: every reference tree file passes,
// and each kind of damage is reported at its byte offset.
#include <gtest/gtest.h>

#include "norvane/tree_file.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

bool check(const std::vector<std::uint8_t>& bytes, TreeFileError& problem) {
    TreeFile file;
    return readTreeFile(bytes, file, problem) && checkTreeFile(file, problem);
}

TEST(TreeFile, EveryReferenceTreePasses) {
    NORVANE_NEEDS_REAL_SCENES();
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(expectedDir())) {
        if (entry.path().extension() != ".bsp") continue;
        TreeFileError problem;
        EXPECT_TRUE(check(readBytes(entry.path()), problem)) << entry.path() << ": " << problem.message;
        ++checked;
    }
    EXPECT_GE(checked, 16);
}

TEST(TreeFile, DamageIsReportedWhereItIs) {
    NORVANE_NEEDS_REAL_SCENES();
    // The reference tree of the rotating cube: 26 vertices, no materials, one leaf of 12 faces.
    const auto good = readBytes(expectedDir() / "RotatingCube.bsp");
    const std::size_t node = 11 + 26 * 32;
    TreeFileError problem;

    auto damaged = good;
    damaged[0] = 'X';
    EXPECT_FALSE(check(damaged, problem));
    EXPECT_EQ(problem.offset, 0u);

    damaged = good;
    damaged[3] = 52; // a version no reader knows
    EXPECT_FALSE(check(damaged, problem));
    EXPECT_EQ(problem.offset, 3u);

    damaged = good;
    damaged[node] = 4; // unknown flag bit
    EXPECT_FALSE(check(damaged, problem));
    EXPECT_EQ(problem.offset, node);

    damaged = good;
    damaged[node + 20 + 26 * 3 + 2] = 26; // corner 1 of face 3 = vertexCount
    EXPECT_FALSE(check(damaged, problem));
    EXPECT_EQ(problem.offset, node + 20 + 26 * 3 + 2);

    damaged = good;
    damaged[node + 20 + 6] = 12; // id = faceCount
    EXPECT_FALSE(check(damaged, problem));

    damaged = good;
    damaged[node + 20 + 8] = 0; // material 0 of none
    damaged[node + 20 + 9] = 0;
    EXPECT_FALSE(check(damaged, problem));
    EXPECT_NE(problem.message.find("material"), std::string::npos);

    damaged = good;
    damaged.push_back(0);
    EXPECT_FALSE(check(damaged, problem));
    EXPECT_EQ(problem.offset, good.size());

    for (std::size_t cut : {std::size_t{5}, std::size_t{100}, node + 10, good.size() - 1}) {
        damaged.assign(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_FALSE(check(damaged, problem)) << cut;
    }
}

} // namespace
} // namespace norvane::test
