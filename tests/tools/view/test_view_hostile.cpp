// norvane-view against trees and options made to hurt it: tiny and empty trees fitted whole,
// planes that are not unit, coordinates beyond any picture, non-finite options, an empty
// picture to compare, work beyond the limit, and names that are not plain text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include <norvane/tree_file.h>

#include "scene3ds/scene_builder.h"
#include "support/test_support.h"
#include "support/tree_bytes.h"
#include "view/draw_order.h"
#include "view/limits.h"
#include "view/raster.h"
#include "view/render.h"
#include "view/shading.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;

TreeFile treeOf(const TreeBytes& t) {
    TreeFile file;
    TreeFileError error;
    EXPECT_TRUE(readTreeFile(t.bytes, file, error) && checkTreeFile(file, error)) << error.message;
    return file;
}

// One leaf of the given triangles over the given corners, in that order.
TreeBytes leafOf(const std::vector<std::array<float, 3>>& corners,
                 const std::vector<std::array<std::uint16_t, 3>>& faces) {
    TreeBytes t;
    t.header(static_cast<std::uint16_t>(corners.size()), static_cast<std::uint16_t>(faces.size()), 0);
    for (const auto& c : corners) t.floats({c[0], c[1], c[2], 0, 0, 0, 0, 0});
    t.node(0, {0, 0, 0, 0}, static_cast<std::uint16_t>(faces.size()));
    for (std::size_t i = 0; i < faces.size(); ++i)
        t.face(faces[i][0], faces[i][1], faces[i][2], static_cast<std::uint16_t>(i), 0xFFFF, {0, 0, -1, 0});
    return t;
}

// Every corner of every face projects inside the image, in front of the eye.
void expectFittedWhole(const TreeFile& file, view::ImageSize size) {
    const view::Bounds bounds = view::treeBounds(file);
    ASSERT_FALSE(bounds.empty);
    const view::View v = view::orbitView(bounds, 30, 25, 40, size);
    const view::Projector projector = view::makeProjector(v, size);
    for (const TreeFileNode& node : file.nodes)
        for (const TreeFileFace& face : node.faces)
            for (const view::Vec3& corner : view::faceCorners(file, face)) {
                const view::Vec3 q = view::toViewAxes(projector, corner);
                ASSERT_GT(q[2], v.nearDistance);
                EXPECT_LE(std::abs(projector.focal * q[0] / q[2]), size.width / 2.0);
                EXPECT_LE(std::abs(projector.focal * q[1] / q[2]), size.height / 2.0);
            }
}

TEST(ViewHostile, TinyTreesAreFittedWholeAndAnEmptyOneIsEmpty) {
    // The first face's first corners widen the box like every other corner.
    const TreeFile one = treeOf(leafOf({{0, 0, 0}, {4, 0, 0}, {0, 2, 3}}, {{0, 1, 2}}));
    const view::Bounds b = view::treeBounds(one);
    EXPECT_EQ(b.lo, (view::Vec3{0, 0, 0}));
    EXPECT_EQ(b.hi, (view::Vec3{4, 2, 3}));
    expectFittedWhole(one, {64, 48});
    const std::vector<std::array<float, 3>> corners{{0, 0, 0}, {4, 0, 0}, {0, 2, 3}, {-5, 1, 1}, {1, -6, 2}, {2, 2, 9}};
    const TreeFile ab = treeOf(leafOf(corners, {{0, 1, 2}, {3, 4, 5}}));
    const TreeFile ba = treeOf(leafOf(corners, {{3, 4, 5}, {0, 1, 2}}));
    EXPECT_EQ(view::treeBounds(ab).lo, view::treeBounds(ba).lo);
    EXPECT_EQ(view::treeBounds(ab).hi, view::treeBounds(ba).hi);
    EXPECT_EQ(view::treeBounds(ab).lo, (view::Vec3{-5, -6, 0}));
    EXPECT_EQ(view::treeBounds(ab).hi, (view::Vec3{4, 2, 9}));
    expectFittedWhole(ab, {64, 48});
    expectFittedWhole(ba, {32, 100});
    const TreeFile empty = treeOf(leafOf({}, {}));
    EXPECT_TRUE(view::treeBounds(empty).empty);
    const view::PreparedTree prepared = view::prepareTree(empty);
    view::RenderSettings settings;
    settings.size = {16, 8};
    settings.view = view::orbitView(view::treeBounds(empty), 30, 25, 40, settings.size);
    const view::Frame frame = view::render(prepared, settings, view::Method::Painter);
    EXPECT_TRUE(std::all_of(frame.face.begin(), frame.face.end(), [](std::int32_t f) { return f < 0; }));
}

TEST(ViewHostile, PlanesOfAnyLengthShadeWithinTheChannels) {
    const std::uint32_t base = 0xd6604d;
    const float huge = 1e30f, nan = std::numeric_limits<float>::quiet_NaN();
    // Turned fully to the light, or beyond: the base colour itself; away from it: 0.35 of it.
    EXPECT_EQ(view::shadedColour(base, {0, huge, 0, 0}, true), base);
    EXPECT_EQ(view::shadedColour(base, {-huge, huge, -huge, 0}, true), base);
    const std::uint32_t dim = view::shadedColour(base, {0, -huge, 0, 0}, true);
    EXPECT_EQ(dim, view::shadedColour(base, {0, -1, 0, 0}, true));
    EXPECT_EQ(view::shadedColour(base, {huge, -huge, nan, 0}, true), dim);
    EXPECT_EQ(view::shadedColour(base, {huge, huge, 0, 0}, false), dim); // +inf - ... as NaN: dark
}

TEST(ViewHostile, TrianglesBeyondThePictureFillNothing) {
    view::View v;
    v.eye = {0, 0, -10};
    const view::ImageSize size{32, 24};
    const view::Projector projector = view::makeProjector(v, size);
    const double far = std::numeric_limits<double>::max(), inf = std::numeric_limits<double>::infinity();
    const std::array<view::Vec3, 3> beyond[] = {
        {view::Vec3{-far, -far, 5}, view::Vec3{far, -far, 5}, view::Vec3{0, far, 5}},
        {view::Vec3{-inf, 0, 5}, view::Vec3{1, 0, 5}, view::Vec3{0, 1, 5}},
        {view::Vec3{1e300, 1e300, 5}, view::Vec3{-1e300, 1e300, 5}, view::Vec3{0, -1e300, 1e-300}},
    };
    for (const auto& corners : beyond) {
        view::Frame frame = view::makeFrame(size, 0);
        view::drawTriangle(frame, projector, corners, 0, 0xffffff, true);
        EXPECT_EQ(std::count(frame.face.begin(), frame.face.end(), 0), 0);
    }
    // A triangle over the whole picture takes one step a pixel, one outside it none.
    const std::array<view::Vec3, 3> cover{view::Vec3{-1e3, -1e3, 0}, view::Vec3{1e3, -1e3, 0}, view::Vec3{0, 1e3, 0}};
    EXPECT_EQ(view::triangleSteps(size, projector, cover), 32u * 24u);
    const std::array<view::Vec3, 3> aside{view::Vec3{1e3, 0, 0}, view::Vec3{1e3 + 1, 0, 0}, view::Vec3{1e3, 1, 0}};
    EXPECT_EQ(view::triangleSteps(size, projector, aside), 0u);
}

TEST(ViewHostile, OrderingTheLeavesStopsAtItsBudget) {
    // A closed box: its leaf is convex, so every corner is tested against every plane.
    std::vector<std::array<float, 3>> corners;
    for (int i = 0; i < 8; ++i) corners.push_back({float(i & 1), float(i >> 1 & 1), float(i >> 2 & 1)});
    TreeBytes t;
    t.header(8, 2, 0);
    for (const auto& c : corners) t.floats({c[0], c[1], c[2], 0, 0, 0, 0, 0});
    t.node(0, {0, 0, 0, 0}, 2);
    t.face(0, 1, 3, 0, 0xFFFF, {0, 0, -1, 0}); // z = 0, facing -z
    t.face(4, 7, 5, 1, 0xFFFF, {0, 0, 1, -1}); // z = 1, facing +z
    const TreeFile file = treeOf(t);
    view::StepBudget unbounded;
    const auto kinds = view::classifyNodes(file, unbounded);
    ASSERT_TRUE(kinds.has_value());
    EXPECT_EQ((*kinds)[0], view::NodeKind::AllBehind);
    const std::uint64_t spent = UINT64_MAX - unbounded.left;
    EXPECT_GE(spent, 2u * 6u) << "the second pass tests every corner against both planes";
    view::StepBudget enough{spent};
    EXPECT_TRUE(view::classifyNodes(file, enough).has_value());
    view::StepBudget tooFew{spent - 1};
    EXPECT_FALSE(view::classifyNodes(file, tooFew).has_value());
}

RunResult view(const std::string& arguments) {
    return runCommand(std::string(NORVANE_VIEW_EXE) + " " + arguments + " 2>&1");
}

int lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST(ViewHostile, NonFiniteOptionsAndOversizedPicturesAreRefused) {
    TempDir dir("view-hostile-options");
    writeBytes(dir / "one.bsp", leafOf({{0, 0, 0}, {4, 0, 0}, {0, 2, 3}}, {{0, 1, 2}}).bytes);
    const std::string tree = quoted(dir / "one.bsp") + " -o " + quoted(dir / "x.png");
    for (const std::string option : {"--orbit nan", "--orbit inf", "--orbit -inf", "--elevation nan", "--fov nan",
                                     "--fov 0", "--fov 180", "--size 16384x16384", "--size 5000x4000"}) {
        SCOPED_TRACE(option);
        const RunResult r = view(tree + " " + option);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(lines(r.console), 1) << r.console;
        EXPECT_FALSE(fs::exists(dir / "x.png"));
    }
    EXPECT_EQ(view(tree + " --size 16384x1024").status, 0) << "the largest sizes are allowed";
}

TEST(ViewHostile, AnEmptyPictureIsNoAgreement) {
    TempDir dir("view-hostile-empty");
    writeBytes(dir / "empty.bsp", leafOf({}, {}).bytes);
    const RunResult r = view(quoted(dir / "empty.bsp") + " --compare --size 32x24");
    EXPECT_EQ(r.status, 1) << r.console;
    EXPECT_NE(r.console.find("nothing to compare"), std::string::npos) << r.console;
    EXPECT_EQ(r.console.find("0 wrong"), std::string::npos) << r.console;
}

TEST(ViewHostile, WorkBeyondTheLimitIsRefusedAtOnce) {
    // 60,000 triangles over much of the picture: more than the limit at 640 x 480.
    std::vector<std::array<float, 3>> corners{{-100, -100, 0}, {100, -100, 0}, {0, 100, 0}};
    std::vector<std::array<std::uint16_t, 3>> faces(60000, {0, 2, 1});
    TempDir dir("view-hostile-work");
    writeBytes(dir / "cover.bsp", leafOf(corners, faces).bytes);
    const RunResult r = view(quoted(dir / "cover.bsp") + " -o " + quoted(dir / "x.png"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lines(r.console), 1) << r.console;
    EXPECT_NE(r.console.find("more than the limit of " + std::to_string(view::maxDrawingSteps)), std::string::npos)
        << r.console;
    EXPECT_FALSE(fs::exists(dir / "x.png"));
    EXPECT_EQ(view(quoted(dir / "cover.bsp") + " -o " + quoted(dir / "x.png") + " --size 64x48").status, 0);
}

TEST(ViewHostile, NamesFromTheSceneAreEscapedInMessages) {
    scene3ds::ScenePlan plan;
    plan.materials.push_back(scene3ds::materialOf("M"));
    plan.meshes.push_back(boxMesh("Box", 0, 0, 0, 2, "M"));
    plan.cameras.push_back({"Cam\x1b[31m\n\xe9\"", {0, -5, 1}, {0, 0, 1}, 0, 0}); // no lens: no view
    TempDir dir("view-hostile-names");
    writeBytes(dir / "s.3ds", scene3ds::writeScene(plan));
    ASSERT_EQ(runIn(dir.path(), {"s.3ds"}).status, 0);
    const RunResult r =
        view(quoted(dir / "s.bsp") + " --html " + quoted(dir / "s.html") + " --scene " + quoted(dir / "s.3ds"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.console, "norvane-view: camera \"Cam\\u001b[31m\\u000a\xC3\xA9\\\"\" is left out: its lens is "
                         "0.000000 mm\n");
    const RunResult camera = view(quoted(dir / "s.bsp") + " -o " + quoted(dir / "x.png") + " --scene " +
                                  quoted(dir / "s.3ds") + " --camera 0");
    EXPECT_EQ(camera.status, 1);
    EXPECT_EQ(lines(camera.console), 1) << camera.console;
    EXPECT_NE(camera.console.find("(\"Cam\\u001b[31m\\u000a"), std::string::npos) << camera.console;
}

} // namespace
} // namespace norvane::test
