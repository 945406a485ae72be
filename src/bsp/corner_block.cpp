#include "bsp/corner_block.h"

#include <cassert>
#include <cstdint>

namespace norvane {
namespace {

// The distances of `slots` corners of each run, then the sides of the first `count` faces. A
// padded block passes its fixed sizes as constants, so neither loop has a remainder to finish
// one element at a time; `distance` never overlaps the corners, so the compiler need not check.
inline void tally(const Plane& plane, const CornerBlock& block, std::size_t slots, std::size_t count,
                  float* __restrict distance, SideTally& into) {
    const double a = plane.a, b = plane.b, c = plane.c, d = plane.d;
    const float* __restrict x = block.x;
    const float* __restrict y = block.y;
    const float* __restrict z = block.z;
    for (std::size_t k = 0; k < 3 * slots; ++k)
        distance[k] = static_cast<float>(((a * double(x[k]) + b * double(y[k])) + c * double(z[k])) + d);
    const float* d0 = distance;
    const float* d1 = distance + slots;
    const float* d2 = distance + 2 * slots;
    std::int32_t front = 0, back = 0, span = 0;
    for (std::size_t i = 0; i < slots; ++i) {
        const std::int32_t used = i < count;
        const std::int32_t f = (d0[i] > planeTolerance) | (d1[i] > planeTolerance) | (d2[i] > planeTolerance);
        // NaN counts as behind: !(d >= -tolerance).
        const std::int32_t r = !(d0[i] >= -planeTolerance) | !(d1[i] >= -planeTolerance) | !(d2[i] >= -planeTolerance);
        front += f & ~r & used;
        back += r & ~f & used;
        span += f & r & used;
    }
    into.front += front;
    into.back += back;
    into.span += span;
}

inline void tallyAny(const Plane& plane, const CornerBlock& block, float* distance, SideTally& into) {
    if (block.stride == paddedBlockFaces)
        tally(plane, block, paddedBlockFaces, block.count, distance, into);
    else
        tally(plane, block, block.count, block.count, distance, into);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// Chosen once, before main: the processor does not change under a running program.
const bool processorIsWide = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));

// Only plain vector arithmetic: no fused multiply-add, which would round differently.
__attribute__((target("avx2"))) void tallyWide(const Plane& plane, const CornerBlock& block, float* distance,
                                               SideTally& into) {
    tallyAny(plane, block, distance, into);
}
#else
const bool processorIsWide = false;

void tallyWide(const Plane& plane, const CornerBlock& block, float* distance, SideTally& into) {
    tallyAny(plane, block, distance, into);
}
#endif

} // namespace

void tallyBlock(const Plane& plane, const CornerBlock& block, float* distance, SideTally& into, VectorBuild build) {
    assert(block.stride == block.count || (block.stride == paddedBlockFaces && block.count <= paddedBlockFaces));
    if (build == VectorBuild::Wide || (build == VectorBuild::Best && processorIsWide))
        tallyWide(plane, block, distance, into);
    else
        tallyAny(plane, block, distance, into);
}

} // namespace norvane
