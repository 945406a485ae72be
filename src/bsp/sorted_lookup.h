// Where values fall among sorted finite values, for many searches in one sorted list: the
// family count looks up four limits per vertex of a node, tens of thousands of searches in a
// list of a few thousand planes' offsets, where a search by halves mispredicts at every step.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <vector>

namespace norvane {

// Finds where values fall among sorted finite values: a table of bucket starts puts each search
// next to its answer (a bucket holds about half a value), and a short walk finds it; values
// crowded into one bucket, even equal, are searched by halves after a few steps. The list is
// kept by reference and must outlive the lookup.
class SortedLookup {
  public:
    explicit SortedLookup(const std::vector<double>& sorted) : sorted_(sorted), k_(sorted.size()) {
        assert(!sorted.empty() && std::is_sorted(sorted.begin(), sorted.end()));
        std::size_t buckets = 16;
        while (buckets < 2 * k_) buckets *= 2;
        lo_ = sorted.front();
        const double range = sorted.back() - lo_;
        scale_ = range > 0 ? double(buckets) / range : 0;
        start_.resize(buckets);
        std::size_t j = 0;
        for (std::size_t b = 0; b < buckets; ++b) {
            const double from = scale_ > 0 ? lo_ + double(b) / scale_ : lo_;
            while (j < k_ && sorted_[j] < from) ++j;
            start_[b] = static_cast<std::uint32_t>(j);
        }
    }
    // The first value not below x, and the first above it (k when none).
    std::uint32_t firstAtLeast(double x) const { return walk(near(x), x, Below{}); }
    std::uint32_t firstAbove(double x) const { return walk(near(x), x, NotAbove{}); }
    // The same for an x at or above one whose answer `from` is: the answer is not before it.
    std::uint32_t firstAtLeast(double x, std::uint32_t from) const { return walk(from, x, Below{}); }
    std::uint32_t firstAbove(double x, std::uint32_t from) const { return walk(from, x, NotAbove{}); }

  private:
    struct Below {
        bool operator()(double value, double x) const { return value < x; }
    };
    struct NotAbove {
        bool operator()(double value, double x) const { return value <= x; }
    };

    // Where x's bucket starts; the rounding of the bucket's number may put it a value or so off.
    std::size_t near(double x) const {
        if (!(x > lo_)) return 0;
        const double bucket = (x - lo_) * scale_;
        return bucket < double(start_.size()) ? start_[static_cast<std::size_t>(bucket)] : k_;
    }

    // The first value for which `before` fails, found from `s`; it holds for a prefix of the values.
    template <class Before> std::uint32_t walk(std::size_t s, double x, Before before) const {
        constexpr int steps = 8;
        const double* values = sorted_.data();
        const auto byHalves = [&](std::size_t a, std::size_t z) {
            return static_cast<std::uint32_t>(
                std::partition_point(values + a, values + z, [&](double v) { return before(v, x); }) - values);
        };
        for (int step = 0; s > 0 && !before(values[s - 1], x); ++step, --s)
            if (step == steps) return byHalves(0, s);
        for (int step = 0; s < k_ && before(values[s], x); ++step, ++s)
            if (step == steps) return byHalves(s, k_);
        return static_cast<std::uint32_t>(s);
    }

    const std::vector<double>& sorted_;
    std::size_t k_;
    double lo_ = 0, scale_ = 0;
    std::vector<std::uint32_t> start_;
};

} // namespace norvane
