// What norvane-build shows: the scene lines, the JSON objects, the progress bar, and which of
// them each display prints where.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "build/batch_report.h"
#include "build/report_lines.h"
#include "console/console.h"

namespace norvane::batch {
namespace {

SceneOutcome compiled() {
    SceneOutcome o;
    o.status = SceneStatus::Compiled;
    o.nodes = 56;
    o.faces = 190;
    o.depth = 16;
    o.vertices = 209;
    o.seconds = 0.0123;
    return o;
}

SceneOutcome failed(const std::string& reason) {
    SceneOutcome o;
    o.status = SceneStatus::Failed;
    o.error = reason;
    o.seconds = 1.5;
    return o;
}

// Marks the user's text, to see which call each piece came by.
class MarkingConsole : public Console {
public:
    void write(std::string_view bytes) override { text.append(bytes); }
    void writeUserText(std::string_view bytes) override { text.append("<").append(bytes).append(">"); }
    std::string text;
};

TEST(BuildReportLines, OneLinePerSceneWithTheNamesAsTyped) {
    const BatchScene scene{"dir/a.3ds", "dir/a.bsp"};
    MarkingConsole console;
    writeResultLine(console, scene, compiled());
    writeResultLine(console, scene, failed("File not found / is damaged !"));
    SceneOutcome skipped;
    skipped.status = SceneStatus::Skipped;
    skipped.error = skippedAfterFailure;
    writeResultLine(console, scene, skipped);
    EXPECT_EQ(console.text, "ok      <dir/a.3ds> -> <dir/a.bsp>: 56 nodes, 190 faces, depth 16, 0.01 s\n"
                            "FAILED  <dir/a.3ds>: File not found / is damaged !\n"
                            "skipped <dir/a.3ds>: not compiled, an earlier scene failed (--fail-fast)\n");
}

TEST(BuildReportLines, JsonObjectsHoldEveryFieldAndEscapeTheNames) {
    EXPECT_EQ(jsonLine({"a.3ds", "out/a.bsp"}, compiled()),
              "{\"input\": \"a.3ds\", \"output\": \"out/a.bsp\", \"status\": \"compiled\", \"error\": null, "
              "\"nodes\": 56, \"faces\": 190, \"depth\": 16, \"vertices\": 209, \"seconds\": 0.012}\n");
    EXPECT_EQ(jsonLine({"q\"\\\x01\xE9.3ds", "q.bsp"}, failed("Tree too large for the BSP file format !")),
              "{\"input\": \"q\\\"\\\\\\u0001\xC3\xA9.3ds\", \"output\": \"q.bsp\", \"status\": \"failed\", "
              "\"error\": \"Tree too large for the BSP file format !\", \"nodes\": null, \"faces\": null, "
              "\"depth\": null, \"vertices\": null, \"seconds\": 1.500}\n");
    SceneOutcome skipped;
    skipped.status = SceneStatus::Skipped;
    skipped.error = "later";
    EXPECT_EQ(jsonLine({"b.3ds", "b.bsp"}, skipped),
              "{\"input\": \"b.3ds\", \"output\": \"b.bsp\", \"status\": \"skipped\", \"error\": \"later\", "
              "\"nodes\": null, \"faces\": null, \"depth\": null, \"vertices\": null, \"seconds\": null}\n");
}

TEST(BuildReportLines, TheBarShowsTheShareDoneAndFitsTheTerminal) {
    BatchProgress p;
    p.total = 40;
    p.compiled = 9;
    p.failed = 1;
    p.running = 2;
    p.seconds = 75.9;
    EXPECT_EQ(progressBar(p, 120), "[#######.......................] 10/40 scenes  1 failed  2 compiling  1:15");
    for (std::size_t columns : {0, 1, 20, 50, 60, 80, 200}) {
        const std::string bar = progressBar(p, columns);
        EXPECT_LT(bar.size(), std::max<std::size_t>(columns, 1)) << columns << ": never the last column";
    }
    EXPECT_EQ(progressBar(p, 50), "10/40 scenes  1 failed  2 compiling  1:15") << "too narrow for the bar";
    p.compiled = 39;
    p.running = 0;
    EXPECT_EQ(progressBar(p, 120), "[##############################] 40/40 scenes  1 failed  1:15");
    EXPECT_EQ(progressBar(BatchProgress{}, 80).substr(0, 2), "[#") << "nothing to do is all done";
    EXPECT_EQ(elapsedText(0), "0:00");
    EXPECT_EQ(elapsedText(754.2), "12:34");
    EXPECT_EQ(elapsedText(3723), "1:02:03");
}

// Runs a report over three scenes, the second failing, and returns what each stream got.
struct Shown {
    std::string out, errors, json;
};

Shown report(Display display, bool verbose) {
    MarkingConsole out;
    CaptureConsole errors;
    std::FILE* json = std::tmpfile();
    ReportSettings settings;
    settings.display = display;
    settings.verbose = verbose;
    settings.columns = [] { return std::size_t{100}; };
    BatchReport shown(out, errors, json, settings);
    BatchProgress p;
    p.total = 3;
    p.running = 2;
    shown.tick(p);
    SceneOutcome first = compiled();
    first.console.print("   Loading file ");
    first.console.writeUserText("a.3ds");
    first.console.print(" .. Done\n\n\r    progress");
    p.compiled = 1;
    shown.finished({"a.3ds", "a.bsp"}, first, p);
    p.failed = 1;
    shown.finished({"b.3ds", "b.bsp"}, failed("File not found / is damaged !"), p);
    p.compiled = 2;
    p.running = 0;
    shown.finished({"c.3ds", "c.bsp"}, compiled(), p);
    shown.close(p);
    Shown result{out.text, errors.text, ""};
    std::rewind(json);
    char buf[4096];
    result.json.assign(buf, std::fread(buf, 1, sizeof buf, json));
    std::fclose(json);
    return result;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(BuildReport, LinesElsewhereThanATerminalAreTheSceneLinesAlone) {
    const Shown shown = report(Display::Lines, false);
    EXPECT_EQ(shown.out, "ok      <a.3ds> -> <a.bsp>: 56 nodes, 190 faces, depth 16, 0.01 s\n"
                         "FAILED  <b.3ds>: File not found / is damaged !\n"
                         "ok      <c.3ds> -> <c.bsp>: 56 nodes, 190 faces, depth 16, 0.01 s\n");
    EXPECT_EQ(shown.errors, "");
    EXPECT_EQ(shown.json, "");
}

TEST(BuildReport, VerboseShowsEachScenesConsoleWholeBeforeItsLine) {
    const Shown shown = report(Display::Lines, true);
    EXPECT_EQ(shown.out, "   Loading file <a.3ds> .. Done\n\n\r    progress\n"
                         "ok      <a.3ds> -> <a.bsp>: 56 nodes, 190 faces, depth 16, 0.01 s\n"
                         "FAILED  <b.3ds>: File not found / is damaged !\n"
                         "ok      <c.3ds> -> <c.bsp>: 56 nodes, 190 faces, depth 16, 0.01 s\n");
}

TEST(BuildReport, QuietShowsTheFailuresOnly) {
    const Shown shown = report(Display::Quiet, false);
    EXPECT_EQ(shown.out, "FAILED  <b.3ds>: File not found / is damaged !\n");
    EXPECT_EQ(shown.errors, "");
}

TEST(BuildReport, JsonGivesEveryScenesObjectAndTheFailuresOnTheErrorStream) {
    const Shown shown = report(Display::Json, false);
    EXPECT_EQ(shown.out, "");
    EXPECT_EQ(shown.errors, "FAILED  b.3ds: File not found / is damaged !\n");
    EXPECT_EQ(count(shown.json, "\n"), 3u);
    EXPECT_EQ(shown.json.rfind("{\"input\": \"a.3ds\"", 0), 0u);
    EXPECT_NE(shown.json.find("\"status\": \"failed\""), std::string::npos);
}

TEST(BuildReport, ATerminalKeepsTheBarBelowTheSceneLines) {
    const Shown shown = report(Display::Terminal, false);
    // Every scene line starts on a cleared line and ends with its own line end; the bar is
    // drawn after it, in place, and its last picture stays with a line end.
    const std::string& out = shown.out;
    EXPECT_EQ(count(out, "\n"), 4u);
    const std::string firstBar = "[..............................] 0/3 scenes  2 compiling  0:00";
    EXPECT_EQ(out.rfind("\r" + firstBar, 0), 0u) << out;
    EXPECT_NE(out.find("\r" + std::string(firstBar.size(), ' ') + "\rok      <a.3ds>"), std::string::npos) << out;
    const std::string end = "\r[##############################] 3/3 scenes  1 failed  0:00\n";
    ASSERT_GE(out.size(), end.size());
    EXPECT_EQ(out.substr(out.size() - end.size()), end) << out;
    for (const std::string& piece :
         {std::string("ok      <a.3ds>"), std::string("FAILED  <b.3ds>"), std::string("ok      <c.3ds>")})
        EXPECT_EQ(count(out, piece), 1u) << piece;
}

} // namespace
} // namespace norvane::batch
