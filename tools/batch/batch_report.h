// What a batch shows as it runs. On a terminal: a line per scene as it finishes and, below
// them, a bar for the whole batch redrawn in place. Elsewhere: the scene lines only, without a
// carriage return. Quiet: failures only. JSON: one object per scene on its own stream, and the
// failures' lines on the error console.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include "batch/batch_run.h"
#include "console/console.h"

namespace norvane::batch {

enum class Display { Lines, Terminal, Quiet, Json };

struct ReportSettings {
    Display display = Display::Lines;
    bool verbose = false;                 // each scene's compiler console before its line
    std::function<std::size_t()> columns; // the terminal's width, asked before each bar
};

class BatchReport : public BatchObserver {
public:
    BatchReport(Console& out, Console& errors, std::FILE* json, ReportSettings settings)
        : out_(out), errors_(errors), json_(json), settings_(std::move(settings)) {}
    void finished(const BatchScene& scene, const SceneOutcome& outcome, const BatchProgress& progress) override;
    void tick(const BatchProgress& progress) override;
    // Ends the report: the bar's last picture stays, followed by a line end.
    void close(const BatchProgress& progress);

private:
    void drawBar(const BatchProgress& progress);
    void clearBar();

    Console& out_;
    Console& errors_;
    std::FILE* json_;
    ReportSettings settings_;
    std::string bar_; // the bar as shown, empty when none is
};

} // namespace norvane::batch
