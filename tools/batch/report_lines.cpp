#include "batch/report_lines.h"

#include <cstdio>

#include "common/json_text.h"
#include "common/number_text.h"
#include "common/terminal_text.h"

namespace norvane::batch {
namespace {

const char* statusName(SceneStatus status) {
    switch (status) {
    case SceneStatus::Compiled:
        return "compiled";
    case SceneStatus::Skipped:
        return "skipped";
    default:
        return "failed";
    }
}

void appendNumber(std::string& out, const char* key, long long value, bool known) {
    out += ", \"";
    out += key;
    out += "\": ";
    out += known ? std::to_string(value) : "null";
}

} // namespace

void writeResultLine(Console& console, const BatchScene& scene, const SceneOutcome& outcome) {
    switch (outcome.status) {
    case SceneStatus::Compiled:
        console.write("ok      ");
        console.writeUserText(shownFileName(scene.input));
        console.write(" -> ");
        console.writeUserText(shownFileName(scene.output));
        console.print(": %d nodes, %d faces, depth %d, %.2f s\n", outcome.stats.nodes, outcome.stats.faces,
                      outcome.stats.depth, outcome.seconds);
        return;
    case SceneStatus::Skipped:
        console.write("skipped ");
        break;
    default:
        console.write("FAILED  ");
        break;
    }
    console.writeUserText(shownFileName(scene.input));
    console.write(": ");
    console.write(outcome.error.empty() ? "not compiled" : outcome.error);
    console.write("\n");
}

std::string jsonLine(const BatchScene& scene, const SceneOutcome& outcome) {
    const bool tree = outcome.status == SceneStatus::Compiled;
    std::string out = "{\"input\": ";
    appendJsonString(out, scene.input);
    out += ", \"output\": ";
    appendJsonString(out, scene.output);
    out += ", \"status\": \"";
    out += statusName(outcome.status);
    out += "\", \"error\": ";
    if (tree)
        out += "null";
    else
        appendJsonString(out, outcome.error);
    appendNumber(out, "nodes", outcome.stats.nodes, tree);
    appendNumber(out, "faces", outcome.stats.faces, tree);
    appendNumber(out, "depth", outcome.stats.depth, tree);
    appendNumber(out, "vertices", static_cast<long long>(outcome.stats.vertices), tree);
    out += ", \"seconds\": ";
    if (outcome.status == SceneStatus::Skipped) {
        out += "null";
    } else {
        out += fixedText(outcome.seconds, 3);
    }
    out += "}\n";
    return out;
}

std::string elapsedText(double seconds) {
    const long long s = seconds > 0 ? static_cast<long long>(seconds) : 0;
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

std::string progressBar(const BatchProgress& progress, std::size_t columns) {
    std::string counts = std::to_string(progress.finished()) + "/" + std::to_string(progress.total) + " scenes";
    if (progress.failed) counts += "  " + std::to_string(progress.failed) + " failed";
    if (progress.skipped) counts += "  " + std::to_string(progress.skipped) + " skipped";
    if (progress.running) counts += "  " + std::to_string(progress.running) + " compiling";
    counts += "  " + elapsedText(progress.seconds);

    const std::size_t room = columns > 1 ? columns - 1 : 0;
    constexpr std::size_t widest = 30, narrowest = 10;
    std::string line;
    // The bar takes what the counts leave, up to its widest; on a narrow terminal it goes.
    const std::size_t left = room > counts.size() + 3 ? room - counts.size() - 3 : 0;
    if (left >= narrowest) {
        const std::size_t width = left < widest ? left : widest;
        const std::size_t filled = progress.total ? progress.finished() * width / progress.total : width;
        line.append("[").append(filled, '#').append(width - filled, '.').append("] ");
    }
    line += counts;
    if (line.size() > room) line.resize(room);
    return line;
}

} // namespace norvane::batch
