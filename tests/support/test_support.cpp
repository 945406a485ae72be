#include "support/test_support.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

#include "bsp/build_tree.h"
#include "console/console.h"
#include "output/tree_writer.h"
#include "driver/run.h"
#include "scene/loader.h"

namespace norvane::test {

namespace fs = std::filesystem;

fs::path modelsDir() { return fs::path(NORVANE_MODELS_DIR); }
fs::path expectedDir() { return modelsDir() / "expected"; }

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
    return loadSceneFromBytes(bytes.data(), bytes.size());
}

Compiled compileBytes(const std::vector<std::uint8_t>& bytes, bool straightforward, unsigned threads) {
    Compiled c;
    const auto scene = loadBytes(bytes);
    if (!scene) return c;
    CaptureConsole console;
    BuildContext ctx(console);
    ctx.straightforward = straightforward;
    ctx.threads = threads;
    c.tree = buildTree(*scene, ctx);
    if (c.tree) {
        const std::string out = serializeTree(*c.tree, console);
        c.file.assign(out.begin(), out.end());
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

std::string consoleTail(const std::string& console) {
    const std::size_t at = console.find("   Loading file");
    const std::string tail = at == std::string::npos ? console : console.substr(at);
    return std::regex_replace(tail, std::regex("\\[[0-9]+ secs"), "[N secs");
}

void beginMain(scene3ds::ChunkWriter& w) {
    w.begin(0x4D4D);
    w.begin(0x0002);
    w.u32(3);
    w.end();
}

void writeMaterial(scene3ds::ChunkWriter& w, const std::string& name) {
    w.begin(0xAFFF);
    w.chunkName(0xA000, name);
    w.end();
}

void writeMesh(scene3ds::ChunkWriter& w, const std::string& name, const std::vector<std::array<float, 3>>& points,
               const std::vector<std::array<std::uint16_t, 3>>& faces, const std::string& material) {
    w.begin(0x4000);
    w.name(name);
    w.begin(0x4100);
    w.begin(0x4110);
    w.u16(static_cast<std::uint16_t>(points.size()));
    for (const auto& p : points) w.f32s({p[0], p[1], p[2]});
    w.end();
    w.begin(0x4120);
    w.u16(static_cast<std::uint16_t>(faces.size()));
    for (const auto& f : faces) {
        w.u16(f[0]);
        w.u16(f[1]);
        w.u16(f[2]);
        w.u16(0);
    }
    if (!material.empty()) {
        w.begin(0x4130);
        w.name(material);
        w.u16(static_cast<std::uint16_t>(faces.size()));
        for (std::size_t i = 0; i < faces.size(); ++i) w.u16(static_cast<std::uint16_t>(i));
        w.end();
    }
    w.end();
    w.end();
    w.end();
}

void writeBox(scene3ds::ChunkWriter& w, const std::string& name, float x0, float y0, float z0, float size,
              const std::string& material) {
    std::vector<std::array<float, 3>> points;
    for (int i = 0; i < 8; ++i)
        points.push_back({x0 + ((i & 1) ? size : 0), y0 + ((i & 2) ? size : 0), z0 + ((i & 4) ? size : 0)});
    // Two triangles per side, wound so that the loader's stored normal points away from the
    // centre (its axis exchange mirrors the winding, so the file's own cross product points in).
    const int quads[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    std::vector<std::array<std::uint16_t, 3>> faces;
    const double c = size / 2.0;
    for (const auto& q : quads) {
        for (const auto& tri : {std::array<int, 3>{q[0], q[1], q[2]}, std::array<int, 3>{q[0], q[2], q[3]}}) {
            const auto& a = points[tri[0]];
            const auto& b = points[tri[1]];
            const auto& d = points[tri[2]];
            const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
            const double v[3] = {d[0] - a[0], d[1] - a[1], d[2] - a[2]};
            const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            const double out[3] = {a[0] - (x0 + c), a[1] - (y0 + c), a[2] - (z0 + c)};
            const bool pointsOut = n[0] * out[0] + n[1] * out[1] + n[2] * out[2] > 0;
            if (pointsOut)
                faces.push_back({static_cast<std::uint16_t>(tri[0]), static_cast<std::uint16_t>(tri[2]),
                                 static_cast<std::uint16_t>(tri[1])});
            else
                faces.push_back({static_cast<std::uint16_t>(tri[0]), static_cast<std::uint16_t>(tri[1]),
                                 static_cast<std::uint16_t>(tri[2])});
        }
    }
    writeMesh(w, name, points, faces, material);
}

std::vector<std::uint8_t> boxScene() {
    scene3ds::ChunkWriter w;
    beginMain(w);
    w.begin(0x3D3D);
    writeMaterial(w, "Crate");
    writeBox(w, "Box", 0, 0, 0, 2, "Crate");
    w.end();
    w.end();
    return w.bytes();
}

} // namespace norvane::test
