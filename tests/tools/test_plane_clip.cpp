// The geometry behind the tree picture: a plane cut down to its node's cell, and nodes named by
// their F/B paths.
#include <gtest/gtest.h>

#include <cmath>

#include "dump/plane_clip.h"
#include "dump/tree_paths.h"

namespace norvane::dump {
namespace {

const Box unitBox{{0, 0, 0}, {1, 1, 1}};

// Twice the area of a planar polygon, by the length of its vector area.
double area(const std::vector<Point3>& p) {
    Point3 sum{0, 0, 0};
    for (std::size_t i = 0; i < p.size(); ++i) {
        const Point3& a = p[i];
        const Point3& b = p[(i + 1) % p.size()];
        sum[0] += a[1] * b[2] - a[2] * b[1];
        sum[1] += a[2] * b[0] - a[0] * b[2];
        sum[2] += a[0] * b[1] - a[1] * b[0];
    }
    return std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]) / 2;
}

double side(const std::array<double, 4>& plane, const Point3& p) {
    return plane[0] * p[0] + plane[1] * p[1] + plane[2] * p[2] + plane[3];
}

TEST(PlaneClip, APlaneAcrossTheBoxIsItsCrossSection) {
    const auto square = planeInCell({1, 0, 0, -0.5}, unitBox, {}, 0);
    ASSERT_EQ(square.size(), 4u);
    EXPECT_NEAR(area(square), 1.0, 1e-9);
    for (const Point3& p : square) {
        EXPECT_NEAR(p[0], 0.5, 1e-12);
        EXPECT_TRUE(std::fabs(p[1]) < 1e-9 || std::fabs(p[1] - 1) < 1e-9);
        EXPECT_TRUE(std::fabs(p[2]) < 1e-9 || std::fabs(p[2] - 1) < 1e-9);
    }
    // The length of the normal does not matter.
    EXPECT_NEAR(area(planeInCell({4, 0, 0, -2}, unitBox, {}, 0)), 1.0, 1e-9);
    // A slanted plane through the centre cuts a regular hexagon.
    const auto hexagon = planeInCell({1, 1, 1, -1.5}, unitBox, {}, 0);
    ASSERT_EQ(hexagon.size(), 6u);
    EXPECT_NEAR(area(hexagon), 3 * std::sqrt(3.0) / 4, 1e-9);
    for (const Point3& p : hexagon) EXPECT_NEAR(p[0] + p[1] + p[2], 1.5, 1e-9);
}

TEST(PlaneClip, AncestorsLeaveTheirSideOfThePlane) {
    const std::array<double, 4> floor{0, 1, 0, -0.25}, wall{0, 0, 2, -1}; // y = 0.25, z = 0.5
    const HalfSpace above{floor, true}, below{floor, false}, behindWall{wall, false};
    const auto front = planeInCell({1, 0, 0, -0.5}, unitBox, std::vector<HalfSpace>{above}, 0);
    EXPECT_NEAR(area(front), 0.75, 1e-9);
    for (const Point3& p : front) EXPECT_GE(p[1], 0.25 - 1e-12);
    const auto back = planeInCell({1, 0, 0, -0.5}, unitBox, std::vector<HalfSpace>{below}, 0);
    EXPECT_NEAR(area(back), 0.25, 1e-9);
    const auto corner = planeInCell({1, 0, 0, -0.5}, unitBox, std::vector<HalfSpace>{above, behindWall}, 0);
    EXPECT_NEAR(area(corner), 0.75 * 0.5, 1e-9);
    for (const Point3& p : corner) {
        EXPECT_GE(side(floor, p), -1e-12);
        EXPECT_LE(side(wall, p), 1e-12);
    }
    // Cells that do not meet the plane leave nothing.
    const HalfSpace farSide{{1, 0, 0, -0.75}, true}; // x >= 0.75
    EXPECT_TRUE(planeInCell({1, 0, 0, -0.5}, unitBox, std::vector<HalfSpace>{farSide}, 0).empty());
    EXPECT_TRUE(planeInCell({1, 0, 0, -2}, unitBox, {}, 0).empty()) << "x = 2 lies outside the box";
}

TEST(PlaneClip, TheToleranceIsTheCompilersBandInSceneUnits) {
    // The plane x = 0.5 lies 0.0005 behind the front side of x = 0.5005: inside the band.
    const HalfSpace justFront{{2, 0, 0, -1.001}, true};
    EXPECT_NEAR(area(planeInCell({1, 0, 0, -0.5}, unitBox, std::vector<HalfSpace>{justFront}, 0.001)), 1.0, 1e-9);
    EXPECT_TRUE(planeInCell({1, 0, 0, -0.5}, unitBox, std::vector<HalfSpace>{justFront}, 0).empty());
    // The band widens a cut cell by the tolerance, whatever the length of the normal.
    const HalfSpace above{{0, 4, 0, -2}, true}; // y >= 0.5
    const auto cut = planeInCell({1, 0, 0, -0.5}, unitBox, std::vector<HalfSpace>{above}, 0.001);
    double lowest = 1;
    for (const Point3& p : cut) lowest = std::min(lowest, p[1]);
    EXPECT_NEAR(lowest, 0.499, 1e-9);
}

TEST(PlaneClip, PlanesWithoutADirectionAreNotDrawn) {
    const double nan = std::nan("");
    EXPECT_TRUE(planeInCell({0, 0, 0, 0}, unitBox, {}, 0).empty());
    EXPECT_TRUE(planeInCell({nan, 0, 1, 0}, unitBox, {}, 0).empty());
    EXPECT_TRUE(planeInCell({0, 1, 0, INFINITY}, unitBox, {}, 0).empty());
    // An ancestor without a direction cuts nothing away.
    const HalfSpace degenerate{{0, 0, 0, 0}, true};
    EXPECT_NEAR(area(planeInCell({1, 0, 0, -0.5}, unitBox, std::vector<HalfSpace>{degenerate}, 0)), 1.0, 1e-9);
}

TreeFileNode node(std::uint16_t flags, std::int32_t depth, std::int32_t parent, std::int32_t front, std::int32_t back) {
    TreeFileNode n;
    n.flags = flags;
    n.depth = depth;
    n.parent = parent;
    n.front = front;
    n.back = back;
    return n;
}

TEST(TreePaths, NodesByPathAndSubtreesAsRuns) {
    // 0 (root) -> F 1 (-> F 2 leaf), B 3 (-> B 4 leaf)
    TreeFile file;
    file.nodes = {node(3, 1, -1, 1, 3), node(1, 2, 0, 2, -1), node(0, 3, 1, -1, -1), node(2, 2, 0, -1, 4),
                  node(0, 3, 3, -1, -1)};
    std::string why;
    EXPECT_EQ(nodeAtPath(file, "", why), 0);
    EXPECT_EQ(nodeAtPath(file, "F", why), 1);
    EXPECT_EQ(nodeAtPath(file, "FF", why), 2);
    EXPECT_EQ(nodeAtPath(file, "BB", why), 4);
    EXPECT_EQ(nodeAtPath(file, "FB", why), -1);
    EXPECT_EQ(why, "node F has no back child");
    EXPECT_EQ(nodeAtPath(file, "BBF", why), -1);
    EXPECT_EQ(why, "node BB is a leaf");
    EXPECT_EQ(subtreeEnd(file, 0), 5);
    EXPECT_EQ(subtreeEnd(file, 1), 3);
    EXPECT_EQ(subtreeEnd(file, 3), 5);
    EXPECT_EQ(subtreeEnd(file, 2), 3);
    EXPECT_TRUE(isNodePath(""));
    EXPECT_TRUE(isNodePath("FFBF"));
    EXPECT_FALSE(isNodePath("ffb"));
    EXPECT_FALSE(isNodePath("F B"));
    EXPECT_EQ(nodeAtPath(TreeFile{}, "", why), -1);
}

TEST(TreePaths, LongPathsKeepTheirEnds) {
    EXPECT_EQ(shortPath("FFB", 4), "FFB");
    EXPECT_EQ(shortPath("FFBB", 4), "FFBB");
    EXPECT_EQ(shortPath("FFFBBB", 4), "FF\xE2\x80\xA6"
                                      "BB");
    EXPECT_EQ(shortPath(std::string(20000, 'B') + "F").size(), 48u + 3u);
}

} // namespace
} // namespace norvane::dump
