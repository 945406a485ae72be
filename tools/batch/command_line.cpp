#include "batch/command_line.h"

#include <algorithm>
#include <cstdlib>

#include <CLI/CLI.hpp>

#include "common/command_line.h"

namespace norvane::batch {
namespace {

constexpr const char* footer = R"(With the default --format and --give-up-score each tree is byte for byte the one
`norvane FILE` writes; without -o or --output it
goes beside its scene under norvane's name (from the last dot on replaced by .bsp).
A failed scene writes nothing, and an empty scene (no faces) replaces no existing
tree unless --allow-empty is given.

Exit status: 0 when every scene compiled, 1 when any failed, 2 for wrong usage;
an interrupted run (Ctrl+C) ends as the interrupt ends it and leaves no partial tree.)";

CommandLine wrongUsage(std::string reason) {
    CommandLine line;
    line.action = CommandLineAction::WrongUsage;
    line.text = tools::oneLine(std::move(reason));
    return line;
}

// --format and --give-up-score: false with the reason when a value is not one of theirs.
bool readBuildChoices(const std::string& format, const std::string& giveUp, BatchOptions& o, std::string& why) {
    if (format == "50") o.format = TreeFormatChoice::Version50;
    else if (format == "51") o.format = TreeFormatChoice::Version51;
    else if (format == "auto") o.format = TreeFormatChoice::Smallest;
    else {
        why = "--format " + format + ": not 50, 51 or auto";
        return false;
    }
    if (giveUp == "none") {
        o.giveUpScore = neverGiveUp;
        return true;
    }
    char* end = nullptr;
    const long long score = std::strtoll(giveUp.c_str(), &end, 10);
    if (giveUp.empty() || *end != '\0' || score < 0 || score > 1'000'000'000) {
        why = "--give-up-score " + giveUp + ": not a whole number from 0 to 1000000000, or none";
        return false;
    }
    o.giveUpScore = score;
    return true;
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    BatchOptions& o = line.options;
    CLI::App app("Compiles 3DS, glTF and OBJ scenes into BSP tree files, several at once.");
    tools::setUpCommandLine(app, "norvane-build");
    app.footer(footer);
    app.add_option("FILE", o.scenes, "3DS, glTF (.gltf, .glb) or OBJ scenes to compile")->required();
    CLI::Option* dir = app.add_option("-o,--output-dir", o.outputDir, "Write the trees to DIR, named after the scenes")
                           ->type_name("DIR");
    CLI::Option* file =
        app.add_option("--output", o.outputFile, "Write the one scene's tree to FILE")->type_name("FILE");
    dir->excludes(file);
    app.add_option("-j,--jobs", o.jobs, "Compile N scenes at once (default: the number of cores)")
        ->type_name("N")
        ->check(CLI::Range(1u, 1024u));
    CLI::Option* quiet = app.add_flag("-q,--quiet", o.quiet, "Print errors only");
    CLI::Option* verbose =
        app.add_flag("-v,--verbose", o.verbose, "Show each scene's compiler console, one scene at a time");
    CLI::Option* json = app.add_flag("--json", o.json, "Print one JSON object per scene on standard output");
    quiet->excludes(verbose);
    json->excludes(verbose);
    app.add_flag("--fail-fast", o.failFast, "Start no further scene once one has failed");
    app.add_flag("--allow-empty", o.allowEmpty, "Let a scene without faces replace an existing tree");
    std::string format = "50", giveUp = "65535";
    app.add_option("--format", format,
                   "Tree file version: 50 (as norvane writes; the default), 51 (32-bit counts, any size), or auto "
                   "(50 when the tree fits it, 51 otherwise)")
        ->type_name("50|51|auto");
    app.add_option("--give-up-score", giveUp,
                   "A node whose every candidate plane scores this much or more stays one leaf (default 65535, "
                   "norvane's tree); none separates every node that can be separated")
        ->type_name("N|none");
    app.add_flag("--gltf", o.gltf, "Also write each tree as glTF 2.0 beside it (.glb)");

    const tools::ParsedLine parsed = tools::parseCommandLine(app, args);
    if (parsed.outcome != tools::LineOutcome::Run) {
        line.action = parsed.outcome == tools::LineOutcome::ShowText ? CommandLineAction::ShowText
                                                                     : CommandLineAction::WrongUsage;
        line.text = parsed.text;
        return line;
    }
    std::string why;
    if (!readBuildChoices(format, giveUp, o, why)) return wrongUsage(why);
    if (!o.outputFile.empty() && o.scenes.size() > 1)
        return wrongUsage("--output names the tree of one scene; use -o DIR for several");
    if (file->count() > 0 && o.outputFile.empty()) return wrongUsage("--output needs a file name");
    if (dir->count() > 0 && o.outputDir.empty()) return wrongUsage("-o needs a folder name");
    line.action = CommandLineAction::Run;
    return line;
}

} // namespace norvane::batch
