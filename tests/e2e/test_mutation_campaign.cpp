// The standing hostile campaign: real and generated trees mutated from fixed seeds the ways an
// attacker or a damaged disk would (tests/support/tree_mutations.h), each mutant through every
// reader: the library's reader and checker, the JSON and SVG writers, the summary and diff,
// the painter, depth buffer and comparison, the page, and the Python reader. No crash and no
// sanitizer report (the sanitizer stage runs this too), no more than a few seconds a file,
// well-formed JSON and SVG, and the C++ and Python verdicts equal, offsets and messages alike.
// A sample goes through the programs themselves: nothing on standard output and no file when
// they refuse. NORVANE_CAMPAIGN_FILES sets the number of mutants (2000 by default; the slow
// ctest label runs 20000).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "dump/dump_commands.h"
#include "dump/tree_json.h"
#include "dump/tree_summary.h"
#include "dump/tree_svg.h"
#include "scene3ds/generators.h"
#include "support/test_support.h"
#include "support/tree_mutations.h"
#include "support/well_formed.h"
#include "view/agreement.h"
#include "view/html_page.h"
#include "view/png_image.h"
#include "view/render.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Base {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

std::vector<Base> baseTrees() {
    std::vector<Base> bases;
    for (const auto& [kind, faces] : std::vector<std::pair<std::string, std::uint32_t>>{
             {"box", 0}, {"arena", 150}, {"rock", 400}, {"city", 600}, {"terrain", 200}, {"soup", 60}})
        bases.push_back({kind, compileBytes(scene3ds::writeScene(scene3ds::generateScene(kind, 7, faces))).file});
    if (haveRealScenes())
        for (const char* real : {"cube_with_diffuse_texture.3DS", "cubes_with_alpha.3DS", "test1.3ds", "Granate.3DS"})
            bases.push_back({real, compileBytes(readBytes(modelsDir() / real)).file});
    return bases;
}

std::size_t campaignSize() {
    const char* size = std::getenv("NORVANE_CAMPAIGN_FILES");
    return size ? static_cast<std::size_t>(std::strtoul(size, nullptr, 10)) : 2000;
}

// The verdict as norvane-dump tree --check words it after the file's name.
std::string verdictOf(const std::vector<std::uint8_t>& bytes, TreeFile& file) {
    TreeFileError error;
    if (readTreeFile(bytes, file, error) && checkTreeFile(file, error))
        return "ok (" + std::to_string(file.nodes.size()) + " nodes)";
    return "offset " + std::to_string(error.offset) + ": " + error.message;
}

// The dump's views of a file that reads: well-formed JSON and SVG, a summary of whole lines.
void dumpViews(const TreeFile& file, const std::string& name) {
    std::string json;
    dump::writeTreeJson(file, [&json](std::string_view piece) { json += piece; });
    EXPECT_EQ(jsonProblem(json), "") << name;
    if (file.nodes.empty()) return;
    EXPECT_EQ(xmlProblem(dump::treeSvg(file, 0, 6)), "") << name;
    const std::string summary = dump::treeSummary(name, file);
    EXPECT_EQ(summary.back(), '\n') << name;
}

// What norvane-view does with a file that passes the check, at a small size.
void viewOf(const TreeFile& file, const std::vector<std::uint8_t>& bytes, const std::string& name) {
    view::RenderSettings settings;
    settings.size = {40, 30};
    settings.cull = view::Cull::Auto;
    settings.view = view::orbitView(view::treeBounds(file), 130, 35, 40, settings.size);
    view::StepBudget budget{1u << 24};
    view::PreparedTree tree;
    if (!view::prepareTree(file, budget, tree)) return;
    settings.cull = view::resolveCull(tree, settings);
    const view::Frame painter = view::render(tree, settings, view::Method::Painter);
    const view::Frame depth = view::render(tree, settings, view::Method::DepthBuffer);
    const view::Agreement a = view::compareFrames(tree, settings, painter, depth);
    EXPECT_GE(a.covered, a.same + a.wrong) << name;
    EXPECT_FALSE(view::encodePng(painter).empty()) << name;
    const std::string page = view::viewerPage(bytes, name, {});
    EXPECT_NE(page.find("</html>"), std::string::npos) << name;
}

// Every C++ reader over one mutant; its verdict.
std::string readAll(const Mutant& m, const std::vector<std::uint8_t>& original, const fs::path& mutant,
                    const fs::path& originalFile) {
    const auto start = Clock::now();
    TreeFile file;
    const std::string verdict = verdictOf(m.bytes, file);
    TreeFile unchecked;
    TreeFileError error;
    if (readTreeFile(m.bytes, unchecked, error)) dumpViews(unchecked, m.name);
    if (verdict.rfind("ok", 0) == 0) viewOf(file, m.bytes, m.name);
    std::FILE* out = std::tmpfile();
    const int diff = dump::diffTrees(mutant.string(), originalFile.string(), out);
    std::fclose(out);
    EXPECT_EQ(diff, m.bytes == original ? 0 : 1) << m.name;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_LT(seconds, 20.0) << m.name << ": every reader at most a few seconds a file";
    return verdict;
}

// The Python reader's verdicts on every file of the folder, by name.
std::map<std::string, std::string> pythonVerdicts(const fs::path& folder) {
    const RunResult run =
        runCommand("/usr/bin/python3 " + quoted(fs::path(NORVANE_SOURCE_DIR) / "tests/e2e/campaign_verdicts.py") + " " +
                   quoted(fs::path(NORVANE_SOURCE_DIR) / "python") + " " + quoted(folder));
    EXPECT_EQ(run.status, 0) << run.console.substr(0, 2000);
    std::map<std::string, std::string> verdicts;
    std::size_t at = 0;
    for (std::size_t end; (end = run.console.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = run.console.substr(at, end - at);
        const std::size_t tab = line.find('\t');
        verdicts[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return verdicts;
}

// A few mutants through the programs: a refusal writes nothing on standard output and no file.
void throughThePrograms(const fs::path& file, const std::string& verdict) {
    const bool ok = verdict.rfind("ok", 0) == 0;
    const ToolRun json = runTool(quoted(NORVANE_DUMP_EXE) + " tree " + quoted(file) + " --json");
    const ToolRun svg = runTool(quoted(NORVANE_DUMP_EXE) + " tree " + quoted(file) + " --svg -");
    const fs::path png = file.parent_path() / "out.png";
    const ToolRun view =
        runTool(quoted(NORVANE_VIEW_EXE) + " " + quoted(file) + " -o " + quoted(png) + " --size 32x24");
    for (const ToolRun* run : {&json, &svg}) {
        if (run->status == 0) continue;
        EXPECT_EQ(run->out, "") << file;
        EXPECT_EQ(std::count(run->err.begin(), run->err.end(), '\n'), 1) << file;
    }
    EXPECT_EQ(view.status == 0, ok) << file << ": " << view.err;
    EXPECT_EQ(fs::exists(png), ok) << file;
    fs::remove(png);
}

TEST(MutationCampaign, EveryReaderHoldsAndCppAndPythonAgree) {
    const std::vector<Base> bases = baseTrees();
    const std::size_t perBase = (campaignSize() + bases.size() - 1) / bases.size();
    TempDir dir("campaign");
    std::map<std::string, std::string> cpp;
    for (std::size_t b = 0; b < bases.size(); ++b) {
        const fs::path folder = dir / ("base" + std::to_string(b));
        fs::create_directories(folder / "mutants");
        writeBytes(folder / "original.bsp", bases[b].bytes);
        for (const Mutant& m : mutantsOf(bases[b].bytes, perBase, 1000 + b)) {
            const std::string name = std::to_string(b) + "-" + m.name;
            writeBytes(folder / "mutants" / m.name, m.bytes);
            fs::copy_file(folder / "mutants" / m.name, dir / name);
            cpp[name] = readAll(m, bases[b].bytes, folder / "mutants" / m.name, folder / "original.bsp");
            if (cpp.size() % 97 == 0) throughThePrograms(dir / name, cpp[name]);
        }
        fs::remove_all(folder);
    }
    const std::map<std::string, std::string> python = pythonVerdicts(dir.path());
    std::size_t refused = 0, differ = 0;
    for (const auto& [name, verdict] : cpp) {
        refused += verdict.rfind("ok", 0) != 0;
        const auto it = python.find(name);
        if (it == python.end() || it->second != verdict)
            if (++differ <= 10)
                ADD_FAILURE() << name << ": C++ " << verdict << ", Python "
                              << (it == python.end() ? "none" : it->second);
    }
    std::printf("campaign: %zu mutants of %zu trees, %zu refused by the readers\n", cpp.size(), bases.size(), refused);
    EXPECT_EQ(differ, 0u);
    EXPECT_GT(refused, cpp.size() / 5) << "the mutants reach the readers' refusals";
    EXPECT_LT(refused, cpp.size()) << "and some still read and draw";
}

} // namespace
} // namespace norvane::test
