// Times each stage of a compile (load, normals, lists, tree, write) on real and generated
// scenes, with the fast searches and with the straightforward ones in the same run, checks that
// both give the same console bytes and tree file, and prints the ratios and the peak memory.
// Beside each compile it prints the scene's floor: the same compile with every face kept in
// one leaf, so without any plane search (the best of three runs, as it is short), and the
// compile's time as a multiple of it.
//
//   norvane-bench [--skip-slow] [--only NAME] [--threads N] [--models DIR] [--single BUILD] [--stats]
//   norvane-bench --scaling [--only NAME]
//
// --scaling compiles levels and cities of 60,000 to 1,000,000 faces into complete trees
// (--give-up-score none, --format auto) on one and two threads, whole compiles in memory, and
// prints the time, the peak memory and the growth exponent between sizes (see scaling.h).
//
// --stats prints, instead of timings, where the fast plane search's work went on each scene,
// by node size: candidates whose counts the parent handed down, counted face by face, settled
// by a twin plane, counted in full over the boxes, and given up for the cuts or for the
// balance; boxes and leaves opened per candidate counted and per candidate given up.
//
// --single fast|straightforward|floor runs just that build of each scene, once, in this process
// and single-threaded unless --threads says otherwise, for a profiler: instruction counts under
// `valgrind --tool=callgrind norvane-bench --single fast --only "level 20000"` repeat exactly
// whatever else the machine is doing, where the timings do not.
//
// The ratio compares single-threaded builds; the "N threads" column shows what the plane
// search's threads add on this machine. Every build runs in a child process of its own, which
// keeps its heap as norvane would for the scene (common/large_heap.h), so its time and its peak
// memory are its own.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/large_heap.h"
#include "compile/compile_with_stats.h"
#include "scaling.h"
#include "scene3ds/generators.h"
#include "norvane/files.h"
#include "norvane/scene.h"
#include "scene/face_vertices.h"
#include "scene/post_process.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// User and system time of this process so far.
double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto toSeconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime);
}

// Plain data, so that a child process can hand it back through a pipe.
struct Timing {
    double load = 0, normals = 0, lists = 0, tree = 0, write = 0;
    double peakMiB = 0;
    std::uint64_t console = 0; // the digest of the progress events
    std::uint64_t bytes = 0;   // the digest of the file's bytes
    bool failed = false;       // the child did not report
    double total() const { return load + normals + lists + tree + write; }
};

std::uint64_t digestOf(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t digest = 14695981039346656037ull;
    for (const std::uint8_t b : bytes) digest = (digest ^ b) * 1099511628211ull;
    return digest;
}

// Every progress event folded into a digest (FNV-1a over the events' kinds and values), so that
// two builds can be compared event for event without the log's own cost in the timings: a
// terrain's build reports some 200,000 events, which as text took more memory than its tree.
class EventLog : public norvane::CompileProgress {
public:
    std::uint64_t digest = 14695981039346656037ull;
    void stageBegan(Stage s) override { add(1, static_cast<long long>(s)); }
    void stageEnded(Stage s) override { add(2, static_cast<long long>(s)); }
    void nodeStep(NodeStep s, const NodeState& n) override {
        add(3, static_cast<long long>(s));
        add(4, n.level);
        add(5, static_cast<long long>(n.faces));
        add(6, n.facesPlaced);
        add(7, n.faceTotal);
    }
    void worked(std::size_t units) override { add(8, static_cast<long long>(units)); }
    void cutFailed() override { add(9, 0); }
    void writeNode(bool entered, std::int32_t level) override { add(entered ? 10 : 11, level); }

private:
    void add(int kind, long long value) {
        const std::uint64_t word = static_cast<std::uint64_t>(kind) << 56 ^ static_cast<std::uint64_t>(value);
        for (int byte = 0; byte < 8; ++byte) {
            digest ^= (word >> (8 * byte)) & 0xFF;
            digest *= 1099511628211ull;
        }
    }
};

Timing compile(const std::vector<std::uint8_t>& file, bool straightforward, unsigned threads,
               bool skipPlaneSearch = false, norvane::PlaneSearchStats* stats = nullptr) {
    using namespace norvane;
    keepLargeHeap(file.size()); // as norvane does before it loads the scene
    Timing t;
    const auto t0 = Clock::now();
    Scene scene;
    LoadError loadError;
    loadScene(std::span<const std::uint8_t>(file), scene, loadError);
    const auto t1 = Clock::now();
    // The loader computes the normals with its index; they are computed again here to time
    // them on their own, and the load's share is taken off. The straightforward build then
    // computes them again its own way.
    for (std::size_t m = 0; m < scene.meshes.size(); ++m) computeVertexNormals(scene.meshes[m], faceVertices(scene, m));
    const auto t2 = Clock::now();
    if (straightforward)
        for (std::size_t m = 0; m < scene.meshes.size(); ++m)
            computeVertexNormalsReference(scene.meshes[m], faceVertices(scene, m));
    const auto t2b = Clock::now();
    EventLog log;
    BuildOptions options;
    options.search = skipPlaneSearch ? PlaneSearch::None : straightforward ? PlaneSearch::Straightforward : PlaneSearch::Fast;
    options.threads = threads;
    TreeFile tree;
    BuildError error;
    BuildStats built;
    const bool ok = compileSceneWithStats(scene, tree, error, options, &log, &built, stats);
    const auto t3 = Clock::now();
    std::vector<std::uint8_t> bytes;
    WriteError writeError;
    if (ok) treeFileBytes(tree, bytes, writeError, &log);
    const auto t4 = Clock::now();
    t.bytes = digestOf(bytes);
    t.load = seconds(t0, t1) - seconds(t1, t2);
    t.normals = straightforward ? seconds(t2, t2b) : seconds(t1, t2);
    t.lists = built.listSeconds;
    t.tree = seconds(t2b, t3) - built.listSeconds;
    t.write = seconds(t3, t4);
    t.console = log.digest;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    t.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return t;
}

// Runs `build` in a child process of its own, so that it starts, as a norvane process does, with
// no memory of its own yet (a build after another in one process finds its memory ready and
// runs faster than any process would); its figures come back through a pipe.
Timing inChild(const std::function<Timing()>& build) {
    Timing t;
    t.failed = true;
    int ends[2];
    if (pipe(ends) != 0) return t;
    std::fflush(stdout);
    // The memory this process has freed goes back to the system first: a child reusing it would
    // copy each page it touches instead of finding it fresh.
    malloc_trim(0);
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        const Timing made = build();
        _exit(write(ends[1], &made, sizeof made) == static_cast<ssize_t>(sizeof made) ? 0 : 1);
    }
    close(ends[1]);
    if (child > 0) {
        Timing got;
        if (read(ends[0], &got, sizeof got) == static_cast<ssize_t>(sizeof got)) t = got;
        waitpid(child, nullptr, 0);
    }
    close(ends[0]);
    return t;
}

// Runs one scene: fast single-threaded, fast with threads, its floor, then the straightforward
// build, each in a process of its own; prints one row. False when the builds differ.
bool runCase(const std::string& name, const std::vector<std::uint8_t>& file, bool runSlow, unsigned threads) {
    const Timing fast = inChild([&] { return compile(file, false, 1); });
    const Timing threaded = inChild([&] { return compile(file, false, threads); });
    double floor = inChild([&] { return compile(file, false, 1, true); }).total();
    for (int run = 1; run < 3; ++run)
        floor = std::min(floor, inChild([&] { return compile(file, false, 1, true); }).total());
    std::printf("%-14s %7.3f %7.3f %7.3f %7.3f %7.3f %8.3f %7.3f %6.1fx %8.3f %7.0f |", name.c_str(), fast.load,
                fast.normals, fast.lists, fast.tree, fast.write, fast.total(), floor, fast.total() / floor,
                threaded.total(), fast.peakMiB);
    bool same = !fast.failed && !threaded.failed && threaded.bytes == fast.bytes && threaded.console == fast.console;
    if (!runSlow) {
        std::printf(" %9s %8s %s\n", "skipped", "-", same ? "yes" : "NO");
    } else {
        const Timing slow = inChild([&] { return compile(file, true, 1); });
        same = same && !slow.failed && slow.bytes == fast.bytes && slow.console == fast.console;
        std::printf(" %9.3f %7.1fx %s\n", slow.total(), slow.total() / fast.total(), same ? "yes" : "NO");
    }
    std::fflush(stdout);
    return same;
}

// Where the fast search's work went, by node size (the --stats table).
void printStats(const std::string& name, const norvane::PlaneSearchStats& stats) {
    std::printf("%s: plane search by node size (faces)\n", name.c_str());
    std::printf("%-12s %6s %8s %8s %7s %8s %8s %8s %8s %8s %7s %7s %7s %7s\n", "faces", "nodes", "cands", "known",
                "direct", "family", "twins", "counted", "cut-ab", "bal-ab", "box/c", "leaf/c", "box/a", "leaf/a");
    const char* names[] = {"< 64", "64-255", "256-1023", "1024-4095", "4096-16383", ">= 16384"};
    for (std::size_t row = 0; row < norvane::PlaneSearchStats::rows; ++row) {
        const auto& r = stats.byNodeSize[row];
        if (r.nodes == 0) continue;
        const auto& s = r.scan;
        const std::int64_t abandoned = s.abandonedByCuts + s.abandonedByBalance;
        auto per = [](std::int64_t total, std::int64_t count) { return count ? double(total) / double(count) : 0.0; };
        std::printf("%-12s %6lld %8lld %8lld %7lld %8lld %8lld %8lld %8lld %8lld %7.1f %7.1f %7.1f %7.1f\n",
                    names[row], (long long)r.nodes, (long long)r.faces, (long long)r.known, (long long)r.direct,
                    (long long)s.familyCounted, (long long)s.twinsSettled, (long long)s.counted, (long long)s.abandonedByCuts,
                    (long long)s.abandonedByBalance, per(s.countedBoxes, s.counted), per(s.countedLeaves, s.counted),
                    per(s.abandonedBoxes, abandoned), per(s.abandonedLeaves, abandoned));
    }
}

// The command line's choices.
struct BenchLine {
    bool skipSlow = false, stats = false, scaling = false;
    std::string models = "../shared/models/real", only, single;
    unsigned threads = 2;
    bool threadsGiven = false;
};

bool isBuildName(const char* text) {
    return std::strcmp(text, "fast") == 0 || std::strcmp(text, "straightforward") == 0 ||
           std::strcmp(text, "floor") == 0;
}

// False after the usage line when an argument is not one of the options.
bool parseLine(int argc, char** argv, BenchLine& line) {
    for (int i = 1; i < argc; ++i) {
        const bool more = i + 1 < argc;
        if (std::strcmp(argv[i], "--skip-slow") == 0)
            line.skipSlow = true;
        else if (std::strcmp(argv[i], "--stats") == 0)
            line.stats = true;
        else if (std::strcmp(argv[i], "--scaling") == 0)
            line.scaling = true;
        else if (std::strcmp(argv[i], "--models") == 0 && more)
            line.models = argv[++i];
        else if (std::strcmp(argv[i], "--only") == 0 && more)
            line.only = argv[++i];
        else if (std::strcmp(argv[i], "--threads") == 0 && more)
            line.threads = static_cast<unsigned>(std::atoi(argv[++i])), line.threadsGiven = true;
        else if (std::strcmp(argv[i], "--single") == 0 && more && isBuildName(argv[i + 1]))
            line.single = argv[++i];
        else {
            std::fprintf(stderr, "usage: norvane-bench [--skip-slow] [--only NAME] [--threads N] [--models DIR] "
                                 "[--single fast|straightforward|floor] [--stats] [--scaling]\n");
            return false;
        }
    }
    return true;
}

struct Case {
    std::string name;
    std::string kind; // empty for a real scene
    std::uint32_t faces;
    bool slow; // the straightforward build takes minutes
};

const std::vector<Case> benchCases{{"pyramob.3DS", "", 0, false},
                                   {"city 5000", "city", 5000, false},
                                   {"city 20000", "city", 20000, false},
                                   {"city 60000", "city", 60000, true},
                                   {"terrain 20000", "terrain", 20000, true},
                                   {"arena 20000", "arena", 20000, true},
                                   {"rock 5000", "rock", 5000, true},
                                   {"rock 15000", "rock", 15000, true},
                                   {"level 20000", "level", 20000, true},
                                   {"level 60000", "level", 60000, true}};

void printTableHead(unsigned threads) {
    std::printf("%-14s %7s %7s %7s %7s %7s %8s %7s %7s %8s %7s | %9s %8s %s\n", "scene", "load", "normals", "lists",
                "tree", "write", "total", "floor", "xfloor", "threads", "peakMiB", "straight", "ratio", "same");
    std::printf("%-14s %7s %7s %7s %7s %7s %8s %7s %7s %8s %7s | %9s %8s\n", "", "s", "s", "s", "s", "s", "s (1)", "s",
                "", ("s (" + std::to_string(threads) + ")").c_str(), "", "s (1)", "");
}

// The scene's file: a real scene read from the models' folder, or a generated one; false when
// a real scene is missing.
bool sceneFile(const Case& c, const std::string& models, std::vector<std::uint8_t>& file) {
    if (!c.kind.empty()) {
        file = norvane::scene3ds::writeScene(norvane::scene3ds::generateScene(c.kind, 1, c.faces));
        return true;
    }
    norvane::ReadError readError;
    if (norvane::readWholeFile(models + "/" + c.name, file, readError, std::uint64_t(1) << 30)) return true;
    std::fprintf(stderr, "%s not found under %s\n", c.name.c_str(), models.c_str());
    return false;
}

// One scene as the line asks: its statistics, one build for a profiler, or a row of the table.
bool runOne(const Case& c, const std::vector<std::uint8_t>& file, const BenchLine& line) {
    if (line.stats) {
        norvane::PlaneSearchStats gathered;
        compile(file, false, line.threadsGiven ? line.threads : 1, false, &gathered);
        printStats(c.name, gathered);
        return true;
    }
    if (!line.single.empty()) {
        // Processor time as well: on a shared machine it varies less than the elapsed time.
        const double before = processorSeconds();
        const Timing t =
            compile(file, line.single == "straightforward", line.threadsGiven ? line.threads : 1, line.single == "floor");
        std::printf("%-14s %s %.3f s elapsed, %.3f s processor\n", c.name.c_str(), line.single.c_str(), t.total(),
                    processorSeconds() - before);
        return true;
    }
    return runCase(c.name, file, !(line.skipSlow && c.slow), line.threads);
}

} // namespace

int main(int argc, char** argv) {
    BenchLine line;
    if (!parseLine(argc, argv, line)) return 2;
    if (line.scaling) {
        norvane::keepLargeHeap(norvane::largeHeapBytes); // its scenes are all large
        return runScaling(line.only);
    }
    if (line.single.empty() && !line.stats) printTableHead(line.threads);
    bool allSame = true;
    for (const Case& c : benchCases) {
        if (!line.only.empty() && c.name.find(line.only) == std::string::npos) continue;
        std::vector<std::uint8_t> file;
        if (sceneFile(c, line.models, file)) allSame = runOne(c, file, line) && allSame;
    }
    return allSame ? 0 : 1;
}
