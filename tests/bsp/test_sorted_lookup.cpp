// The family count's sorted look-up against the standard library's searches by halves: every
// answer must be lower_bound's or upper_bound's, also where values crowd into one bucket or
// repeat at the ends, where the bucket's rounded number puts the walk on the wrong side, and
// for queries at the values to the ulp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "bsp/sorted_lookup.h"
#include "support/random_bits.h"

namespace norvane {
namespace {

using test::Bits;

// Sorted values: spread, or with runs of equal values at the low end, the high end and inside.
std::vector<double> valuesOf(Bits& bits, int shape) {
    std::vector<double> values;
    const int n = 1 + bits.below(300);
    for (int i = 0; i < n; ++i) values.push_back(shape == 0 ? 1e-3 * bits.unit() : 100 * bits.unit());
    if (shape >= 1) values.insert(values.end(), 20 + bits.below(40), -100.0); // at the low end
    if (shape >= 2) values.insert(values.end(), 20 + bits.below(40), 100.0);  // at the high end
    if (shape >= 3) values.insert(values.end(), 20 + bits.below(40), values[0]);
    if (shape == 4) values.assign(values.size(), 7.5); // all equal: no range to bucket
    std::sort(values.begin(), values.end());
    return values;
}

// The queries: every value and its neighbouring doubles, points between, and beyond both ends.
std::vector<double> queriesOf(Bits& bits, const std::vector<double>& values) {
    std::vector<double> queries{-HUGE_VAL, HUGE_VAL, values.front() - 1, values.back() + 1};
    for (const double v : values) {
        queries.push_back(v);
        queries.push_back(std::nextafter(v, -HUGE_VAL));
        queries.push_back(std::nextafter(v, HUGE_VAL));
        queries.push_back(v + (values.back() - values.front()) * bits.unit());
    }
    return queries;
}

// lower_bound's and upper_bound's answers for x.
std::pair<std::uint32_t, std::uint32_t> byHalves(const std::vector<double>& values, double x) {
    return {static_cast<std::uint32_t>(std::lower_bound(values.begin(), values.end(), x) - values.begin()),
            static_cast<std::uint32_t>(std::upper_bound(values.begin(), values.end(), x) - values.begin())};
}

TEST(SortedLookup, FindsWhatASearchByHalvesFinds) {
    Bits bits{11};
    for (int round = 0; round < 200; ++round) {
        const std::vector<double> values = valuesOf(bits, round % 5);
        const SortedLookup lookup(values);
        for (const double x : queriesOf(bits, values)) {
            const auto [atLeast, above] = byHalves(values, x);
            ASSERT_EQ(lookup.firstAtLeast(x), atLeast) << "round " << round << " x " << x;
            ASSERT_EQ(lookup.firstAbove(x), above) << "round " << round << " x " << x;
        }
    }
}

TEST(SortedLookup, FindsFromTheAnswerOfALowerQuery) {
    // A window's far end is searched from its near end, an answer at or before its own.
    Bits bits{12};
    for (int round = 0; round < 200; ++round) {
        const std::vector<double> values = valuesOf(bits, round % 5);
        const SortedLookup lookup(values);
        for (const double x : queriesOf(bits, values)) {
            const double wider = x + std::fabs(values.back() - values.front()) * (bits.below(2) ? 1e-9 : 0.3);
            const auto [atLeast, above] = byHalves(values, wider);
            ASSERT_EQ(lookup.firstAtLeast(wider, lookup.firstAtLeast(x)), atLeast) << "round " << round << " x " << x;
            ASSERT_EQ(lookup.firstAbove(wider, lookup.firstAbove(x)), above) << "round " << round << " x " << x;
        }
    }
}

} // namespace
} // namespace norvane
