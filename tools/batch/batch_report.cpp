#include "batch/batch_report.h"

#include "batch/report_lines.h"

namespace norvane::batch {

void BatchReport::finished(const BatchScene& scene, const SceneOutcome& outcome, const BatchProgress& progress) {
    const bool failed = outcome.status == SceneStatus::Failed;
    switch (settings_.display) {
    case Display::Json: {
        const std::string line = jsonLine(scene, outcome);
        std::fwrite(line.data(), 1, line.size(), json_);
        std::fflush(json_);
        if (failed) {
            writeResultLine(errors_, scene, outcome);
            errors_.flush();
        }
        return;
    }
    case Display::Quiet:
        if (failed) {
            writeResultLine(out_, scene, outcome);
            out_.flush();
        }
        return;
    case Display::Lines:
    case Display::Terminal:
        clearBar();
        // The whole console of one scene at a time, as the compiler prints it.
        if (settings_.verbose && !outcome.console.empty()) {
            outcome.console.replay(out_);
            if (!outcome.console.endsLine()) out_.write("\n");
        }
        writeResultLine(out_, scene, outcome);
        if (settings_.display == Display::Terminal) drawBar(progress);
        out_.flush();
        return;
    }
}

void BatchReport::tick(const BatchProgress& progress) {
    if (settings_.display == Display::Terminal) drawBar(progress);
}

void BatchReport::close(const BatchProgress& progress) {
    if (settings_.display != Display::Terminal) return;
    drawBar(progress);
    out_.write("\n");
    bar_.clear();
    out_.flush();
}

void BatchReport::drawBar(const BatchProgress& progress) {
    const std::string bar = progressBar(progress, settings_.columns ? settings_.columns() : 80);
    if (bar == bar_) return;
    // Blanks cover what a longer picture left behind.
    const std::size_t cover = bar_.size() > bar.size() ? bar_.size() - bar.size() : 0;
    std::string picture = "\r";
    picture.append(bar).append(cover, ' ');
    out_.write(picture);
    bar_ = bar;
    out_.flush();
}

void BatchReport::clearBar() {
    if (bar_.empty()) return;
    std::string blank = "\r";
    blank.append(bar_.size(), ' ').append("\r");
    out_.write(blank);
    bar_.clear();
}

} // namespace norvane::batch
