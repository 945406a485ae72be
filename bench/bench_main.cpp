// Times each stage of a compile (load, lists and tree, write) on real and generated scenes,
// with the fast searches and with the straightforward ones in the same run, checks that both
// give the same console bytes and tree file, and prints the ratios and the peak memory.
//
//   norvane-bench [--skip-slow] [--models DIR]
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "bsp/build_tree.h"
#include "generators.h"
#include "output/tree_writer.h"
#include "scene/loader.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

struct Timing {
    double load = 0, tree = 0, write = 0;
    std::string console, bytes;
    double total() const { return load + tree + write; }
};

Timing compile(const std::vector<std::uint8_t>& file, bool straightforward) {
    using namespace norvane;
    Timing t;
    const auto t0 = Clock::now();
    const auto scene = loadSceneFromBytes(file.data(), file.size());
    const auto t1 = Clock::now();
    CaptureConsole console;
    BuildContext ctx(console);
    ctx.straightforward = straightforward;
    const auto tree = buildTree(*scene, ctx);
    const auto t2 = Clock::now();
    if (tree) t.bytes = serializeTree(*tree, console);
    const auto t3 = Clock::now();
    t.load = seconds(t0, t1);
    t.tree = seconds(t1, t2);
    t.write = seconds(t2, t3);
    // The closing line's seconds are a timing, not output.
    t.console = console.text;
    const auto at = t.console.find("Done [");
    if (at != std::string::npos) t.console.erase(at, t.console.find(" secs", at) - at);
    return t;
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    bool skipSlow = false;
    std::string models = "../shared/models/real";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--skip-slow") == 0) skipSlow = true;
        else if (std::strcmp(argv[i], "--models") == 0 && i + 1 < argc) models = argv[++i];
    }
    struct Case {
        std::string name;
        std::vector<std::uint8_t> file;
        bool slow; // the straightforward build takes minutes
    };
    std::vector<Case> cases;
    std::vector<std::uint8_t> pyramob;
    if (norvane::readWholeFile(models + "/pyramob.3DS", pyramob)) cases.push_back({"pyramob.3DS", pyramob, false});
    else std::fprintf(stderr, "pyramob.3DS not found under %s\n", models.c_str());
    const struct {
        const char* kind;
        std::uint32_t faces;
        bool slow;
    } generated[] = {{"city", 5000, false}, {"city", 20000, false}, {"city", 60000, true},
                     {"rock", 5000, false}, {"rock", 15000, true}, {"terrain", 20000, true}};
    for (const auto& g : generated)
        cases.push_back({std::string(g.kind) + " " + std::to_string(g.faces),
                         norvane::scene3ds::writeScene(norvane::scene3ds::generateScene(g.kind, 1, g.faces)), g.slow});

    std::printf("%-14s %8s %8s %8s %9s | %10s %9s %s\n", "scene", "load s", "tree s", "write s", "total s",
                "straight s", "ratio", "same bytes");
    bool allSame = true;
    for (const Case& c : cases) {
        const Timing fast = compile(c.file, false);
        std::printf("%-14s %8.3f %8.3f %8.3f %9.3f |", c.name.c_str(), fast.load, fast.tree, fast.write, fast.total());
        if (skipSlow && c.slow) {
            std::printf(" %10s %9s %s\n", "skipped", "-", "-");
            continue;
        }
        const Timing slow = compile(c.file, true);
        const bool same = slow.bytes == fast.bytes && slow.console == fast.console;
        allSame = allSame && same;
        std::printf(" %10.3f %8.1fx %s\n", slow.total(), slow.total() / fast.total(), same ? "yes" : "NO");
        std::fflush(stdout);
    }
    std::printf("peak memory %.1f MiB\n", peakKilobytes() / 1024.0);
    return allSame ? 0 : 1;
}
