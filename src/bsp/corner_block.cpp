#include "bsp/corner_block.h"

#include <cstdint>

namespace norvane {
namespace {

inline SideTally tally(const Plane& plane, const CornerBlock& block, float* distance) {
    const std::size_t count = block.count;
    const double a = plane.a, b = plane.b, c = plane.c, d = plane.d;
    for (std::size_t k = 0; k < 3 * count; ++k)
        distance[k] =
            static_cast<float>(((a * double(block.x[k]) + b * double(block.y[k])) + c * double(block.z[k])) + d);
    const float* d0 = distance;
    const float* d1 = distance + count;
    const float* d2 = distance + 2 * count;
    std::int32_t front = 0, back = 0, span = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t f = (d0[i] > planeTolerance) | (d1[i] > planeTolerance) | (d2[i] > planeTolerance);
        // NaN counts as behind: !(d >= -tolerance).
        const std::int32_t r = !(d0[i] >= -planeTolerance) | !(d1[i] >= -planeTolerance) | !(d2[i] >= -planeTolerance);
        front += f & ~r;
        back += r & ~f;
        span += f & r;
    }
    return SideTally{front, back, span};
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define NORVANE_WIDE_BUILD 1
// Chosen once, before main: the processor does not change under a running program.
const bool processorIsWide = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
#endif

} // namespace

SideTally tallyBlockPortable(const Plane& plane, const CornerBlock& block, float* distance) {
    return tally(plane, block, distance);
}

#ifdef NORVANE_WIDE_BUILD
// Only plain vector arithmetic: no fused multiply-add, which would round differently.
__attribute__((target("avx2"))) SideTally tallyBlockWide(const Plane& plane, const CornerBlock& block,
                                                         float* distance) {
    return tally(plane, block, distance);
}

SideTally tallyBlock(const Plane& plane, const CornerBlock& block, float* distance) {
    return processorIsWide ? tallyBlockWide(plane, block, distance) : tally(plane, block, distance);
}
#else
SideTally tallyBlockWide(const Plane& plane, const CornerBlock& block, float* distance) {
    return tally(plane, block, distance);
}

SideTally tallyBlock(const Plane& plane, const CornerBlock& block, float* distance) {
    return tally(plane, block, distance);
}
#endif

} // namespace norvane
