// The spinner: its first picture on the 52nd call, and many ticks at once drawing exactly what
// as many single ticks draw.
#include <gtest/gtest.h>

#include <random>

#include "console/spinner.h"

namespace norvane {
namespace {

TEST(Spinner, DrawsOnEvery52ndCallStartingWithTheBar) {
    CaptureConsole console;
    Spinner spinner;
    for (int i = 0; i < spinnerPeriod - 1; ++i) spinner.tick(console);
    EXPECT_EQ(console.text, "");
    spinner.tick(console);
    EXPECT_EQ(console.text, "\b|");
    for (int i = 0; i < 3 * spinnerPeriod; ++i) spinner.tick(console);
    EXPECT_EQ(console.text, "\b|\b\\\b-\b/");
}

TEST(Spinner, ManyTicksDrawWhatSingleTicksDraw) {
    std::mt19937 rng(17);
    CaptureConsole one, many;
    Spinner a, b;
    for (int round = 0; round < 2000; ++round) {
        const std::size_t n = rng() % 4 == 0 ? rng() % 300 : rng() % 60;
        for (std::size_t i = 0; i < n; ++i) a.tick(one);
        b.ticks(many, n);
        ASSERT_EQ(many.text, one.text) << "round " << round;
    }
}

} // namespace
} // namespace norvane
