#include "scaling.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <span>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "scene3ds/generators.h"
#include "norvane/compile.h"

namespace {

struct Measured {
    double seconds = 0;
    double peakMiB = 0;
    bool ok = false;
};

// The whole compile of a generated scene's file in memory, complete and in the smallest
// format that holds it, in a child process so that its peak memory is its own.
Measured measure(const std::vector<std::uint8_t>& file, unsigned threads) {
    int pipe[2];
    if (::pipe(pipe) != 0) return {};
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        ::close(pipe[0]);
        const auto start = std::chrono::steady_clock::now();
        norvane::Scene scene;
        norvane::LoadError loadError;
        norvane::TreeFile tree;
        norvane::BuildError buildError;
        norvane::BuildOptions options;
        options.threads = threads;
        options.format = norvane::TreeFormatChoice::Smallest;
        options.giveUpScore = norvane::neverGiveUp;
        std::vector<std::uint8_t> bytes;
        norvane::WriteError writeError;
        Measured m;
        m.ok = norvane::loadScene(std::span<const std::uint8_t>(file), scene, loadError) &&
               norvane::compileScene(scene, tree, buildError, options) &&
               norvane::treeFileBytes(tree, bytes, writeError);
        m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        m.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
        const ssize_t written = ::write(pipe[1], &m, sizeof m);
        _exit(written == sizeof m ? 0 : 1);
    }
    ::close(pipe[1]);
    Measured m;
    if (child < 0 || ::read(pipe[0], &m, sizeof m) != sizeof m) m = {};
    ::close(pipe[0]);
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
    return m;
}

} // namespace

int runScaling(const std::string& only) {
    struct Kind {
        const char* name;
        std::vector<std::uint32_t> sizes;
    };
    // A city's ground grid is one mesh, which holds at most 460,927 faces of city.
    const Kind kinds[] = {{"level", {60000, 250000, 1000000}}, {"city", {60000, 250000, 460000}}};
    std::printf("%-16s %9s | %9s %9s | %9s %9s | %6s %6s\n", "scene", "faces", "1 thread", "peakMiB", "2 threads",
                "peakMiB", "k (1)", "k (2)");
    bool allOk = true;
    for (const Kind& kind : kinds) {
        double lastFaces = 0, last1 = 0, last2 = 0;
        for (const std::uint32_t faces : kind.sizes) {
            const std::string name = std::string(kind.name) + " " + std::to_string(faces);
            if (!only.empty() && name.find(only) == std::string::npos) continue;
            const auto plan = norvane::scene3ds::generateScene(kind.name, 1, faces);
            const auto file = norvane::scene3ds::writeScene(plan);
            const Measured one = measure(file, 1), two = measure(file, 2);
            allOk = allOk && one.ok && two.ok;
            auto k = [&](double previous, double now) {
                return previous > 0 && lastFaces > 0 ? std::log(now / previous) / std::log(faces / lastFaces) : NAN;
            };
            std::printf("%-16s %9u | %8.2fs %9.0f | %8.2fs %9.0f | %6.2f %6.2f%s\n", name.c_str(), faces, one.seconds,
                        one.peakMiB, two.seconds, two.peakMiB, k(last1, one.seconds), k(last2, two.seconds),
                        one.ok && two.ok ? "" : "  FAILED");
            std::fflush(stdout);
            lastFaces = faces, last1 = one.seconds, last2 = two.seconds;
        }
    }
    return allOk ? 0 : 1;
}
