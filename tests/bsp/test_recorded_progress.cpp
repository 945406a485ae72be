// A subtree's progress, recorded on a worker and replayed into the build's console: the same
// calls in the same order, the node states moved on by what the build had done before, and
// values beyond 32 bits kept whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bsp/recorded_progress.h"

namespace norvane {
namespace {

struct CallLog final : CompileProgress {
    std::vector<std::string> calls;
    void nodeStep(NodeStep step, const NodeState& s) override {
        calls.push_back("step " + std::to_string(static_cast<int>(step)) + " level " + std::to_string(s.level) +
                        " faces " + std::to_string(s.faces) + " placed " + std::to_string(s.facesPlaced) + " total " +
                        std::to_string(s.faceTotal));
    }
    void worked(std::size_t units) override { calls.push_back("work " + std::to_string(units)); }
    void cutFailed() override { calls.push_back("cut failed"); }
};

TEST(RecordedProgress, ReplaysTheSameCallsWithAdjacentWorkSummed) {
    RecordedProgress recorded;
    using Step = CompileProgress::NodeStep;
    recorded.worked(3);
    recorded.worked(4);
    recorded.nodeStep(Step::Enter, {2, 10, 5, 7});
    recorded.nodeStep(Step::FindPlane, {2, 10, 5, 7});
    recorded.worked(1);
    recorded.cutFailed();
    recorded.cutFailed();
    const std::size_t huge = std::size_t{1} << 33;
    recorded.worked(huge);
    recorded.nodeStep(Step::Distribute, {3, huge, 4, std::int64_t{huge} + 1});
    recorded.nodeStep(Step::Leave, {3, 0, 0, 0});
    recorded.worked(5);

    CallLog log;
    recorded.replay(log, 100, 200);
    const std::vector<std::string> expected{
        "work 7",
        "step 0 level 2 faces 10 placed 105 total 207",
        "step 1 level 2 faces 10 placed 105 total 207",
        "work 1",
        "cut failed",
        "cut failed",
        "work 8589934592",
        "step 2 level 3 faces 8589934592 placed 104 total 8589934793",
        "step 3 level 3 faces 0 placed 100 total 200",
        "work 5",
    };
    EXPECT_EQ(log.calls, expected);
}

TEST(RecordedProgress, ANodeStateBeyond32BitsIsKeptWhole) {
    RecordedProgress recorded;
    const std::int64_t big = (std::int64_t{1} << 32) + 3;
    recorded.nodeStep(CompileProgress::NodeStep::Leave, {1, 1, big, big});
    recorded.nodeStep(CompileProgress::NodeStep::Leave, {1, 1, 1, 1});
    CallLog log;
    recorded.replay(log, 0, 0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"step 3 level 1 faces 1 placed 4294967299 total 4294967299",
                                                   "step 3 level 1 faces 1 placed 1 total 1"}));
}

} // namespace
} // namespace norvane
