// norvane-dump: shows what the compiler read from a scene and what a tree file holds. Options go
// before or after the file; wrong usage exits 2 with one line on standard error.
#include <cstdio>
#include <new>
#include <string>

#include <CLI/CLI.hpp>

#include "common/command_line.h"
#include "dump/dump_commands.h"
#include "dump/tree_paths.h"

namespace {

using namespace norvane::dump;

constexpr const char* program = "norvane-dump";

const CLI::Validator nodePathValidator(
    [](std::string& text) {
        return isNodePath(text) ? std::string()
                                : std::string("a node path is F and B steps from the root, such as FFB");
    },
    "", "node path");

// A count, not a negative one.
const CLI::Validator notNegative(
    [](std::string& text) { return text.rfind('-', 0) == 0 ? std::string("must not be negative") : std::string(); }, "",
    "not negative");

// What the verbs' options are read into.
struct DumpLine {
    SceneCommand scene;
    TreeCommand tree;
    bool asJson = false, asCheck = false;
    std::string diffA, diffB;
    CLI::App* sceneVerb = nullptr;
    CLI::App* diffVerb = nullptr;
    CLI::Option* svg = nullptr;
    CLI::Option* gltf = nullptr;
    CLI::Option* obj = nullptr;
};

void addSceneVerb(CLI::App& app, DumpLine& line) {
    line.sceneVerb = app.add_subcommand("scene", "everything the loader read from a scene, as JSON");
    line.sceneVerb->add_option("FILE", line.scene.file, "the scene: 3DS, glTF (.gltf, .glb) or OBJ")->required();
    line.sceneVerb->add_flag("--summary", line.scene.summary,
                             "the counts, the bounds, the materials, and each limit of the tree file the scene "
                             "exceeds or comes close to");
}

void addTreeVerb(CLI::App& app, DumpLine& line) {
    CLI::App* verb = app.add_subcommand("tree", "a tree file: its summary, its JSON, a check or a picture");
    verb->add_option("FILE", line.tree.file, "the tree file")->required();
    CLI::Option* json = verb->add_flag("--json", line.asJson, "the whole tree file as JSON");
    CLI::Option* check =
        verb->add_flag("--check", line.asCheck,
                       "check every rule of the format; the verdict on standard output, exit 1 at the first violation");
    line.svg = verb->add_option("--svg", line.tree.svgOut,
                                "draw a plan and a side view of the faces and the splitting planes to OUT (- for "
                                "standard output)");
    line.svg->type_name("OUT");
    verb->add_option("--depth", line.tree.svg.depth, "with --svg: the levels whose splitting planes are drawn")
        ->type_name("N")
        ->default_val(4)
        ->check(notNegative)
        ->needs(line.svg);
    verb->add_option("--node", line.tree.svg.node, "with --svg: draw only the subtree at this F/B path, e.g. FFB")
        ->type_name("PATH")
        ->check(nodePathValidator)
        ->needs(line.svg);
    line.gltf = verb->add_option("--gltf", line.tree.exportOut,
                                 "write the tree as glTF 2.0: OUT.glb binary, OUT.gltf JSON")
                    ->type_name("OUT");
    line.obj = verb->add_option("--obj", line.tree.exportOut, "write the tree as OBJ, with its .mtl beside it")
                   ->type_name("OUT");
    verb->add_flag("--flat", line.tree.flat, "with --gltf or --obj: one mesh per material instead of one per node");
    json->excludes(check)->excludes(line.svg)->excludes(line.gltf)->excludes(line.obj);
    check->excludes(line.svg)->excludes(line.gltf)->excludes(line.obj);
    line.svg->excludes(line.gltf)->excludes(line.obj);
    line.gltf->excludes(line.obj);
}

void addDiffVerb(CLI::App& app, DumpLine& line) {
    line.diffVerb = app.add_subcommand(
        "diff", "where two tree files first differ: exit 0 when identical, 1 when they differ, 2 when one cannot "
                "be read");
    line.diffVerb->add_option("A", line.diffA, "a tree file")->required();
    line.diffVerb->add_option("B", line.diffB, "the tree file to compare it with")->required();
}

int runVerb(DumpLine& line) {
    if (line.sceneVerb->parsed()) return dumpScene(line.scene, stdout);
    if (line.diffVerb->parsed()) return diffTrees(line.diffA, line.diffB, stdout);
    if (line.asJson)
        line.tree.view = TreeView::Json;
    else if (line.asCheck)
        line.tree.view = TreeView::Check;
    else if (*line.svg)
        line.tree.view = TreeView::Svg;
    else if (*line.gltf || *line.obj)
        line.tree.view = *line.gltf ? TreeView::Gltf : TreeView::Obj;
    if (line.tree.flat && !*line.gltf && !*line.obj)
        return norvane::tools::usageError(program, "--flat needs --gltf or --obj",
                                          std::string("see ") + program + " tree --help");
    return dumpTree(line.tree, stdout);
}

int run(int argc, char** argv) {
    CLI::App app{"Shows what the compiler read from a 3DS scene and what a tree file holds."};
    norvane::tools::setUpCommandLine(app, program);
    app.require_subcommand(1);
    app.footer("Exit status: 0 done; 1 the input is broken, a --check found a violation, or diff found a "
               "difference;\n2 wrong usage, or a file diff cannot read. Errors go to standard error.");
    DumpLine line;
    addSceneVerb(app, line);
    addTreeVerb(app, line);
    addDiffVerb(app, line);

    // CLI11 would only say that a verb is required.
    const std::string first = argc > 1 ? argv[1] : "";
    if (!first.empty() && first[0] != '-' && first != "scene" && first != "tree" && first != "diff")
        return norvane::tools::usageError(program, first + " is not a verb: scene, tree or diff",
                                          std::string("see ") + program + " --help");
    // The whole tool's help lists every verb with its options.
    const auto help = [&app] {
        return app.help("", app.get_subcommands().empty() ? CLI::AppFormatMode::All : CLI::AppFormatMode::Normal);
    };
    const auto parsed = norvane::tools::parseCommandLine(app, norvane::tools::argumentsOf(argc, argv), {}, help);
    if (parsed.outcome == norvane::tools::LineOutcome::Run) return runVerb(line);
    std::string where = program;
    if (!app.get_subcommands().empty()) where += " " + app.get_subcommands().front()->get_name();
    return norvane::tools::endCommandLine(program, parsed, "see " + where + " --help");
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        return norvane::tools::outOfMemory(program);
    }
}
