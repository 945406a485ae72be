// norvane-dump: shows what the compiler read from a scene and what a tree file holds. Options go
// before or after the file; wrong usage exits 2 with one line on standard error.
#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include <norvane/version.h>

#include "dump/dump_commands.h"
#include "dump/tree_paths.h"

namespace {

constexpr const char* program = "norvane-dump";

// CLI11's message on one line.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

const CLI::Validator nodePathValidator(
    [](std::string& text) {
        return norvane::dump::isNodePath(text) ? std::string()
                                               : std::string("a node path is F and B steps from the root, such as FFB");
    },
    "", "node path");

// A count, not a negative one.
const CLI::Validator notNegative(
    [](std::string& text) { return text.rfind('-', 0) == 0 ? std::string("must not be negative") : std::string(); }, "",
    "not negative");

} // namespace

int main(int argc, char** argv) {
    using namespace norvane::dump;
    CLI::App app{"Shows what the compiler read from a 3DS scene and what a tree file holds."};
    app.name(program);
    app.set_version_flag("--version", std::string(program) + " " + norvane::version());
    app.require_subcommand(1);
    // Options are GNU style on every platform: a word that begins with / is a path, not /option.
    app.allow_windows_style_options(false);
    app.footer("Exit status: 0 done; 1 the input is broken, a --check found a violation, or diff found a "
               "difference;\n2 wrong usage, or a file diff cannot read. Errors go to standard error.");

    SceneCommand scene;
    CLI::App* sceneVerb = app.add_subcommand("scene", "everything the loader read from a 3DS scene, as JSON");
    sceneVerb->add_option("FILE", scene.file, "the 3DS scene")->required();
    sceneVerb->add_flag("--summary", scene.summary,
                        "the counts, the bounds, the materials, and each limit of the tree file the scene exceeds "
                        "or comes close to");

    TreeCommand tree;
    CLI::App* treeVerb = app.add_subcommand("tree", "a tree file: its summary, its JSON, a check or a picture");
    treeVerb->add_option("FILE", tree.file, "the tree file")->required();
    bool asJson = false, asCheck = false;
    CLI::Option* json = treeVerb->add_flag("--json", asJson, "the whole tree file as JSON");
    CLI::Option* check =
        treeVerb->add_flag("--check", asCheck,
                           "check every rule of the format; the verdict on standard output, exit 1 at the first "
                           "violation");
    CLI::Option* svg =
        treeVerb->add_option("--svg", tree.svgOut,
                             "draw a plan and a side view of the faces and the splitting planes to OUT (- for "
                             "standard output)");
    svg->type_name("OUT");
    treeVerb->add_option("--depth", tree.svg.depth, "with --svg: the levels whose splitting planes are drawn")
        ->type_name("N")
        ->default_val(4)
        ->check(notNegative)
        ->needs(svg);
    treeVerb->add_option("--node", tree.svg.node, "with --svg: draw only the subtree at this F/B path, e.g. FFB")
        ->type_name("PATH")
        ->check(nodePathValidator)
        ->needs(svg);
    json->excludes(check)->excludes(svg);
    check->excludes(svg);

    std::string diffA, diffB;
    CLI::App* diffVerb = app.add_subcommand(
        "diff", "where two tree files first differ: exit 0 when identical, 1 when they differ, 2 when one cannot "
                "be read");
    diffVerb->add_option("A", diffA, "a tree file")->required();
    diffVerb->add_option("B", diffB, "the tree file to compare it with")->required();

    // CLI11 would only say that a verb is required.
    const std::string first = argc > 1 ? argv[1] : "";
    if (!first.empty() && first[0] != '-' && first != "scene" && first != "tree" && first != "diff") {
        std::fprintf(stderr, "%s: %s is not a verb: scene, tree or diff (see %s --help)\n", program, argv[1], program);
        return 2;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        // The whole tool's help lists every verb with its options.
        const bool verb = !app.get_subcommands().empty();
        std::fputs(app.help("", verb ? CLI::AppFormatMode::Normal : CLI::AppFormatMode::All).c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion&) {
        std::printf("%s %s\n", program, norvane::version());
        return 0;
    } catch (const CLI::ParseError& e) {
        std::string where = program;
        if (!app.get_subcommands().empty()) where += " " + app.get_subcommands().front()->get_name();
        std::fprintf(stderr, "%s: %s (see %s --help)\n", program, oneLine(e.what()).c_str(), where.c_str());
        return 2;
    }
    if (sceneVerb->parsed()) return dumpScene(scene, stdout);
    if (diffVerb->parsed()) return diffTrees(diffA, diffB, stdout);
    if (asJson)
        tree.view = TreeView::Json;
    else if (asCheck)
        tree.view = TreeView::Check;
    else if (*svg)
        tree.view = TreeView::Svg;
    return dumpTree(tree, stdout);
}
