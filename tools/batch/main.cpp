// norvane-build [options] FILE...: compiles scenes into their trees, several at once, for build
// machines and asset pipelines. No key wait; the exit status tells how the batch went.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "batch/batch_report.h"
#include "batch/batch_run.h"
#include "common/cores.h"
#include "batch/command_line.h"
#include "batch/interrupts.h"
#include "batch/output_plan.h"
#include "batch/screen.h"
#include "common/command_line.h"
#include "console/terminal.h"

namespace {

using namespace norvane::batch;

int wrongUsage(const std::string& reason) {
    return norvane::tools::usageError("norvane-build", reason, "--help lists the options");
}

Display displayFor(const BatchOptions& options) {
    if (options.json) return Display::Json;
    if (options.quiet) return Display::Quiet;
    return outputIsTerminal() ? Display::Terminal : Display::Lines;
}

int run(int argc, char** argv) {
    const CommandLine line = parseCommandLine(norvane::tools::argumentsOf(argc, argv));
    if (line.action == CommandLineAction::ShowText) {
        std::fputs(line.text.c_str(), stdout);
        return 0;
    }
    if (line.action == CommandLineAction::WrongUsage) return wrongUsage(line.text);
    const BatchOptions& options = line.options;
    const std::vector<BatchScene> scenes = planOutputs(options);
    // Refused before anything is compiled: which of two trees would win depends on timing.
    const std::string collision = findCollision(scenes);
    if (!collision.empty()) return wrongUsage(collision);
    // The folder the trees go to is made; one that cannot be fails each write, with its reason.
    const std::filesystem::path folder = !options.outputDir.empty()
                                             ? std::filesystem::path(options.outputDir)
                                             : std::filesystem::path(options.outputFile).parent_path();
    if (!folder.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }

    BatchSettings settings;
    settings.cores = norvane::availableCores();
    settings.jobs = options.jobs ? options.jobs : settings.cores;
    settings.failFast = options.failFast;
    settings.allowEmpty = options.allowEmpty;
    settings.gltf = options.gltf;
    settings.keepConsoles = options.verbose;
    settings.build.stopFlag = &catchInterrupts();
    settings.build.format = options.format;
    settings.build.giveUpScore = options.giveUpScore;

    const std::unique_ptr<norvane::Console> out = norvane::openStandardConsole();
    norvane::StreamConsole errors(stderr, false);
    ReportSettings report;
    report.display = displayFor(options);
    report.verbose = options.verbose;
    report.columns = terminalColumns;
    BatchReport shown(*out, errors, stdout, report);
    const BatchSummary summary = runBatch(scenes, settings, shown);
    shown.close(summary.progress);
    if (summary.stopped) {
        std::fputs("norvane-build: interrupted\n", stderr);
        std::fflush(stdout);
        endAsInterrupted();
    }
    return summary.progress.failed > 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        return norvane::tools::outOfMemory("norvane-build");
    }
}
