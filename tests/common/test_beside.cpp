// Two pieces of work at once: both always run to the end, on two threads only when asked, and
// a failure of either reaches the caller after both are done.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "common/beside.h"

namespace norvane::test {
namespace {

TEST(Beside, BothRunOnTwoThreadsOnlyWhenAsked) {
    for (const bool together : {true, false}) {
        std::thread::id asideOn, hereOn;
        runBeside(
            together, [&] { asideOn = std::this_thread::get_id(); },
            [&] { hereOn = std::this_thread::get_id(); });
        EXPECT_EQ(hereOn, std::this_thread::get_id());
        EXPECT_EQ(asideOn != hereOn, together);
    }
}

TEST(Beside, AFailureWaitsForTheOtherWorkAndReachesTheCaller) {
    for (const bool together : {true, false}) {
        // `aside` fails while `here` is still running: `here` finishes, then the caller hears.
        std::atomic<bool> hereDone{false};
        EXPECT_THROW(runBeside(
                         together, [] { throw std::runtime_error("aside"); },
                         [&] {
                             std::this_thread::sleep_for(std::chrono::milliseconds(5));
                             hereDone = true;
                         }),
                     std::runtime_error);
        EXPECT_TRUE(hereDone);

        // `here` fails: `aside`, which uses the caller's frame, is finished first.
        std::atomic<bool> asideDone{false};
        try {
            runBeside(
                together,
                [&] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    asideDone = true;
                },
                [] { throw std::logic_error("here"); });
            ADD_FAILURE() << "no exception";
        } catch (const std::logic_error&) {
        }
        EXPECT_EQ(asideDone.load(), together); // run one after the other, `aside` never starts
    }
}

} // namespace
} // namespace norvane::test
