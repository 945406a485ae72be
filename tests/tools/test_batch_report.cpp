// The texts norvane-build shows: the scene lines, the JSON objects and the progress bar.
// (Which display prints what where is seen end to end and on a pseudo-terminal.)
#include <gtest/gtest.h>

#include <algorithm>

#include "batch/report_lines.h"
#include "console/console.h"

namespace norvane::batch {
namespace {

SceneOutcome compiled() {
    SceneOutcome o;
    o.status = SceneStatus::Compiled;
    o.stats.nodes = 56;
    o.stats.faces = 190;
    o.stats.depth = 16;
    o.stats.vertices = 209;
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

} // namespace
} // namespace norvane::batch
