// The viewer's parts: views and cameras, filling triangles, leaf kinds, culling for both facing
// conventions, and the files it writes.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include "support/test_support.h"
#include "view/base64.h"
#include "view/html_page.h"
#include "view/options.h"
#include "view/png_image.h"
#include "view/raster.h"
#include "view_test_support.h"

namespace norvane::test {
namespace {

using view::Vec3;
using view::operator-; // found by no lookup on their own: Vec3 is a std::array

void expectNear(const Vec3& a, const Vec3& b, double tolerance = 1e-6) {
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(a[k], b[k], tolerance) << "component " << k;
}

double degrees(double radians) { return radians * 180 / std::numbers::pi; }

TEST(ViewCamera, LensGivesTheFieldOfViewOfA36MillimetreFrame) {
    EXPECT_NEAR(degrees(view::lensToHorizontalFov(50)), 39.5978, 1e-4);
    EXPECT_NEAR(degrees(view::lensToHorizontalFov(18)), 90.0, 1e-9);
    EXPECT_EQ(view::lensToHorizontalFov(0), 0);
    EXPECT_EQ(view::lensToHorizontalFov(-5), 0);
}

Camera keyedCamera(const Vec3& from, const Vec3& to, float lens) {
    // The loader's matrix for first keys `from` and `to`: rows direction x up, direction x that,
    // direction, position.
    const Vec3 d = view::normalized(to - from), r = view::cross(d, {0, 1, 0}), u = view::cross(d, r);
    const Vec3 rows[4] = {view::normalized(r), view::normalized(u), d, from};
    Camera camera;
    for (int row = 0; row < 4; ++row)
        for (int k = 0; k < 3; ++k) camera.matrix.m[4 * row + k] = static_cast<float>(rows[row][k]);
    camera.matrix.m[15] = 1;
    camera.lens = lens;
    return camera;
}

TEST(ViewCamera, AKeyedCameraLooksFromItsPositionWithYUp) {
    view::View v;
    std::string why;
    ASSERT_TRUE(view::cameraView(keyedCamera({0, 0, 0}, {0, 0, 5}, 50), {}, v, why)) << why;
    // The loader's rows 0 and 1 are (-1, 0, 0) and (0, -1, 0) here: the view turns them round.
    expectNear(v.right, {1, 0, 0});
    expectNear(v.up, {0, 1, 0});
    expectNear(v.forward, {0, 0, 1});
    ASSERT_TRUE(view::cameraView(keyedCamera({3, 4, 5}, {3, 2, 9}, 35), {}, v, why)) << why;
    expectNear(v.eye, {3, 4, 5});
    expectNear(v.forward, view::normalized({0, -2, 4}));
    EXPECT_GT(v.up[1], 0) << "up stays up";
    expectNear(view::cross(v.right, v.up), v.forward);
}

TEST(ViewCamera, AnUnkeyedCameraLooksAlongZ) {
    Camera camera;
    for (int k : {0, 5, 10, 15}) camera.matrix.m[k] = 1;
    camera.lens = 50;
    view::View v;
    std::string why;
    ASSERT_TRUE(view::cameraView(camera, {}, v, why));
    expectNear(v.eye, {0, 0, 0});
    expectNear(v.right, {1, 0, 0});
    expectNear(v.up, {0, 1, 0});
}

TEST(ViewCamera, CamerasWithoutAViewAreRefused) {
    view::View v;
    std::string why;
    EXPECT_FALSE(view::cameraView(keyedCamera({0, 5, 0}, {0, 0, 0}, 50), {}, v, why)) << "straight down";
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(view::cameraView(keyedCamera({0, 0, 0}, {0, 0, 5}, 0), {}, v, why)) << "no lens";
    EXPECT_FALSE(view::cameraView(Camera{}, {}, v, why)) << "a zero matrix";
}

TEST(ViewCamera, TheRealCameraKeepsTheLoadersDirectionAndPosition) {
    NORVANE_NEEDS_REAL_SCENES();
    const auto scene = loadBytes(readBytes(modelsDir() / "TargetCameraAnim.3ds"));
    ASSERT_TRUE(scene && !scene->cameras.empty());
    const float* m = scene->cameras[0].matrix.m;
    view::View v;
    std::string why;
    ASSERT_TRUE(view::cameraView(scene->cameras[0], {}, v, why)) << why;
    expectNear(v.eye, {m[12], m[13], m[14]});
    expectNear(v.forward, {m[8], m[9], m[10]});
    expectNear(v.right, {-m[0], -m[1], -m[2]});
    expectNear(v.up, {-m[4], -m[5], -m[6]});
}

TEST(ViewOrbit, TheWholeBoxFitsTheImage) {
    view::Bounds bounds{{-3, 0, 10}, {5, 2, 30}, false};
    for (const double orbit : {0.0, 45.0, 200.0})
        for (const double elevation : {-80.0, 0.0, 35.0}) {
            const view::ImageSize size{200, 100};
            const view::View v = view::orbitView(bounds, orbit, elevation, 40, size);
            const view::Projector projector = view::makeProjector(v, size);
            for (int corner = 0; corner < 8; ++corner) {
                const Vec3 p{corner & 1 ? 5.0 : -3.0, corner & 2 ? 2.0 : 0.0, corner & 4 ? 30.0 : 10.0};
                const Vec3 q = view::toViewAxes(projector, p);
                ASSERT_GT(q[2], v.nearDistance);
                EXPECT_LE(std::abs(projector.focal * q[0] / q[2]), 100.0);
                EXPECT_LE(std::abs(projector.focal * q[1] / q[2]), 50.0);
            }
        }
    const Vec3 centre{1, 1, 20};
    expectNear(view::normalized(view::orbitView(bounds, 0, 0, 40, {}).eye - centre), {0, 0, -1});
    expectNear(view::normalized(view::orbitView(bounds, 90, 0, 40, {}).eye - centre), {1, 0, 0});
}

// A projector that maps x, y in [0, 8] at z = 1 onto an 8 x 8 image, pixel for pixel.
view::Projector pixelProjector() {
    view::View v;
    v.eye = {4, 4, 0};
    v.horizontalFov = 2 * std::atan(1.0);
    v.nearDistance = 0.5;
    return view::makeProjector(v, {8, 8}); // focal 4: one unit at z = 1 is 4 pixels; scale below
}

// World points for pixel coordinates (x right, y down) at distance z.
Vec3 at(double x, double y, double z = 1) { return {4 + (x - 4) * z / 4, 4 - (y - 4) * z / 4, z}; }

TEST(ViewRaster, TrianglesSharingAnEdgeCoverEachPixelOnce) {
    const view::Projector projector = pixelProjector();
    for (const double skew : {0.0, 0.37, 1.0, 2.5}) {
        std::vector<int> hits(64, 0);
        // A square split along a diagonal whose pixel centres lie exactly on edges when skew is 0.
        const Vec3 a = at(0.5, 0.5), b = at(7.5, 0.5 + skew), c = at(7.5, 7.5), d = at(0.5, 7.5);
        for (const auto& t : {std::array<Vec3, 3>{a, b, c}, std::array<Vec3, 3>{a, c, d}}) {
            view::Frame one = view::makeFrame({8, 8}, 0);
            view::drawTriangle(one, projector, t, 1, 1, false);
            for (std::size_t k = 0; k < 64; ++k) hits[k] += one.face[k] == 1;
        }
        int covered = 0;
        for (const int h : hits) {
            EXPECT_LE(h, 1) << "skew " << skew;
            covered += h;
        }
        EXPECT_GE(covered, 36) << "skew " << skew;
    }
}

TEST(ViewRaster, TheNearPlaneClipsAndTheDepthBufferKeepsTheNearest) {
    const view::Projector projector = pixelProjector();
    view::Frame frame = view::makeFrame({8, 8}, 0);
    // Wholly behind the near plane: nothing.
    view::drawTriangle(frame, projector, {at(0, 0, 0.2), at(8, 0, 0.2), at(0, 8, 0.2)}, 7, 7, true);
    EXPECT_EQ(std::count(frame.face.begin(), frame.face.end(), 7), 0);
    // Far, then nearer over half of it: the depth buffer keeps the nearer where they overlap,
    // also when the nearer comes first.
    const std::array<Vec3, 3> far{at(0, 0, 4), at(16, 0, 4), at(0, 16, 4)};
    const std::array<Vec3, 3> near{at(0, 0, 2), at(8, 8, 2), at(0, 8, 2)};
    view::drawTriangle(frame, projector, near, 2, 2, true);
    view::drawTriangle(frame, projector, far, 1, 1, true);
    EXPECT_EQ(frame.face[7 * 8 + 0], 2);
    EXPECT_EQ(frame.face[0 * 8 + 7], 1);
    // A triangle reaching behind the eye is cut at the near plane, not mirrored.
    view::Frame crossing = view::makeFrame({8, 8}, 0);
    view::drawTriangle(crossing, projector, {at(0, 4, 1), at(8, 4, 1), Vec3{4, 4 - 10, -5}}, 3, 3, false);
    EXPECT_EQ(crossing.face[6 * 8 + 4], 3);
    EXPECT_EQ(crossing.face[1 * 8 + 4], -1);
}

view::NodeKind kindOf(const std::vector<std::array<Vec3, 3>>& faces) {
    TreeFile file;
    TreeFileNode leaf;
    for (const auto& f : faces) {
        TreeFileFace face;
        for (int c = 0; c < 3; ++c) {
            face.verts[c] = static_cast<std::uint32_t>(file.vertices.size());
            file.vertices.push_back({float(f[c][0]), float(f[c][1]), float(f[c][2]), 0, 0, 0, 0, 0});
        }
        const Vec3 n = view::normalized(view::cross(f[2] - f[0], f[1] - f[0]));
        face.plane = Plane{float(n[0]), float(n[1]), float(n[2]), float(-view::dot(n, f[0]))};
        leaf.faces.push_back(face);
    }
    file.nodes.push_back(leaf);
    return view::classifyLeaf(file, file.nodes[0]);
}

TEST(ViewLeafKinds, FromTheFacesPlanes) {
    // Two faces of a tent, their planes pointing in (each face in front of the other's plane),
    // and turned round to point out (each behind the other's).
    const std::array<Vec3, 3> left{Vec3{-1, 0, 0}, Vec3{0, 1, 1}, Vec3{0, 1, 0}};
    const std::array<Vec3, 3> right{Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 1, 1}};
    auto flipped = [](std::array<Vec3, 3> f) { return std::array<Vec3, 3>{f[0], f[2], f[1]}; };
    EXPECT_EQ(kindOf({left, right}), view::NodeKind::AllInFront);
    EXPECT_EQ(kindOf({flipped(left), flipped(right)}), view::NodeKind::AllBehind);
    EXPECT_EQ(kindOf({left, flipped(right)}), view::NodeKind::Unseparated);
    EXPECT_EQ(kindOf({left}), view::NodeKind::InPlane);
    EXPECT_EQ(kindOf({left, flipped(left)}), view::NodeKind::InPlane);
    // A face crossing another's plane.
    EXPECT_EQ(kindOf({left, {Vec3{-2, 0.5, 0}, Vec3{2, 0.5, 1}, Vec3{2, 0.5, 0}}}), view::NodeKind::Unseparated);
    // A face without area draws nothing and decides nothing.
    EXPECT_EQ(kindOf({left, right, {Vec3{5, 5, 5}, Vec3{5, 5, 5}, Vec3{5, 5, 5}}}), view::NodeKind::AllInFront);
}

TEST(ViewCull, AutoKeepsTheSideTheNearestSurfacesShow) {
    // norvane-scene's box has planes pointing out: seen from outside, auto culls back faces.
    const auto box = generatedTree("box", 0);
    ASSERT_TRUE(box);
    view::RenderSettings settings;
    settings.size = {64, 48};
    settings.cull = view::Cull::Auto;
    settings.view = view::orbitView(box->bounds, 30, 20, 40, settings.size);
    EXPECT_EQ(view::resolveCull(box->prepared, settings), view::Cull::Back);
    // The real cube is modelled the other way round: its planes point in, auto culls front faces.
    if (!haveRealScenes()) return;
    const auto cube = viewedTree(readBytes(modelsDir() / "cube_with_diffuse_texture.3DS"));
    ASSERT_TRUE(cube);
    settings.view = view::orbitView(cube->bounds, 30, 20, 40, settings.size);
    EXPECT_EQ(view::resolveCull(cube->prepared, settings), view::Cull::Front);
    // Culled the right way, the cube shows the same pixels as without culling.
    settings.cull = view::Cull::Front;
    const view::Frame culled = view::render(cube->prepared, settings, view::Method::Painter);
    settings.cull = view::Cull::None;
    EXPECT_EQ(culled.colour, view::render(cube->prepared, settings, view::Method::DepthBuffer).colour);
}

TEST(ViewCull, BackAndFrontByTheEyesSide) {
    EXPECT_FALSE(view::isCulled(view::Cull::None, false));
    EXPECT_TRUE(view::isCulled(view::Cull::Back, false));
    EXPECT_FALSE(view::isCulled(view::Cull::Back, true));
    EXPECT_TRUE(view::isCulled(view::Cull::Front, true));
    EXPECT_FALSE(view::isCulled(view::Cull::Front, false));
}

TEST(ViewFiles, ThePngHoldsTheFramesColours) {
    view::Frame frame = view::makeFrame({3, 2}, 0x102030);
    frame.colour[4] = 0xff8001;
    const std::string png = view::encodePng(frame);
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(png.data()),
                                                  static_cast<int>(png.size()), &width, &height, &channels, 3);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(pixels[0], 0x10);
    EXPECT_EQ(pixels[2], 0x30);
    EXPECT_EQ(pixels[12], 0xff);
    EXPECT_EQ(pixels[13], 0x80);
    EXPECT_EQ(pixels[14], 0x01);
    stbi_image_free(pixels);
}

TEST(ViewFiles, Base64) {
    auto encode = [](const std::string& text) {
        return view::encodeBase64({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    };
    EXPECT_EQ(encode(""), "");
    EXPECT_EQ(encode("f"), "Zg==");
    EXPECT_EQ(encode("fo"), "Zm8=");
    EXPECT_EQ(encode("foo"), "Zm9v");
    EXPECT_EQ(encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(encode("\xff\xfe\x00"), "//4=");
}

TEST(ViewFiles, ThePageCarriesTheTreeTheScriptAndNoPlaceholder) {
    const std::vector<std::uint8_t> bytes{'B', 'S', 'P', 50, 0};
    view::CameraPreset camera{"Cam \"1\" </script>", {}};
    const std::string page = view::viewerPage(bytes, "a<b>{{TREE}}.bsp", {camera});
    EXPECT_NE(page.find(">QlNQMgA=</script>"), std::string::npos);
    EXPECT_NE(page.find("a&lt;b&gt;{{TREE}}.bsp"), std::string::npos) << "the title is text, never a placeholder";
    EXPECT_NE(page.find("\"name\": \"Cam \\\"1\\\" \\u003c/script>\""), std::string::npos);
    EXPECT_NE(page.find("function readTree("), std::string::npos);
    EXPECT_NE(page.find("window.norvaneViewer"), std::string::npos);
    for (const char* placeholder : {"{{TITLE}}", "{{CAMERAS}}", "{{LIMITS}}", "{{SCRIPT}}"})
        EXPECT_EQ(page.find(placeholder), std::string::npos) << placeholder;
    EXPECT_EQ(page.find("http"), std::string::npos) << "nothing from the network";
}

TEST(ViewOptions, SizesAreWholeNumbersInRange) {
    view::ImageSize size;
    EXPECT_TRUE(view::parseSize("320x240", size));
    EXPECT_EQ(size.width, 320);
    EXPECT_EQ(size.height, 240);
    for (const char* bad : {"", "320", "x240", "320x", "0x10", "10x0", "16385x10", "-5x10", "3.5x10", "10x10x",
                            "99999999x1", "16384x1025", "4097x4096"})
        EXPECT_FALSE(view::parseSize(bad, size)) << bad;
    for (const char* good : {"16384x1024", "4096x4096", "1x16384"}) EXPECT_TRUE(view::parseSize(good, size)) << good;
}

} // namespace
} // namespace norvane::test
