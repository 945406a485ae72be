#include "batch/command_line.h"

#include <CLI/CLI.hpp>

#include "common/command_line.h"

namespace norvane::batch {
namespace {

constexpr const char* footer = R"(Each tree is byte for byte the one `norvane FILE` writes; without -o or --output it
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

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    BatchOptions& o = line.options;
    CLI::App app("Compiles 3DS scenes into BSP tree files, several at once.");
    tools::setUpCommandLine(app, "norvane-build");
    app.footer(footer);
    app.add_option("FILE", o.scenes, "3DS scenes to compile")->required();
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

    const tools::ParsedLine parsed = tools::parseCommandLine(app, args);
    if (parsed.outcome != tools::LineOutcome::Run) {
        line.action = parsed.outcome == tools::LineOutcome::ShowText ? CommandLineAction::ShowText
                                                                     : CommandLineAction::WrongUsage;
        line.text = parsed.text;
        return line;
    }
    if (!o.outputFile.empty() && o.scenes.size() > 1)
        return wrongUsage("--output names the tree of one scene; use -o DIR for several");
    if (file->count() > 0 && o.outputFile.empty()) return wrongUsage("--output needs a file name");
    if (dir->count() > 0 && o.outputDir.empty()) return wrongUsage("-o needs a folder name");
    line.action = CommandLineAction::Run;
    return line;
}

} // namespace norvane::batch
