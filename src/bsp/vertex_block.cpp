#include "bsp/vertex_block.h"

#include <bit>
#include <cassert>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define NORVANE_WIDE_VERTEX_BLOCK 1
#endif

namespace norvane {
namespace {

// Adds the faces whose bits say they have a corner in front, behind, or both. Inlined into
// the wide loops, so that they count with the processor's own popcount.
[[gnu::always_inline]] inline void addFaceSides(std::uint32_t anyFront, std::uint32_t anyBehind, SideTally& into) {
    into.front += std::popcount(anyFront & ~anyBehind);
    into.back += std::popcount(anyBehind & ~anyFront);
    into.span += std::popcount(anyFront & anyBehind);
}

// The faces' sides from the vertices' sides: a face is in front when one of its corners is in
// front and none behind, and so on; `front` and `behind` hold a bit per vertex.
void tallyMasks(const std::uint64_t* masks, std::uint64_t front, std::uint64_t behind, SideTally& into) {
    std::uint32_t anyFront = 0, anyBehind = 0;
    for (std::uint32_t i = 0; i < paddedBlockFaces; ++i) {
        anyFront |= std::uint32_t{(masks[i] & front) != 0} << i;
        anyBehind |= std::uint32_t{(masks[i] & behind) != 0} << i;
    }
    addFaceSides(anyFront, anyBehind, into);
}

void tallyPortable(const Plane& plane, const VertexBlock& block, SideTally& into) {
    const double a = plane.a, b = plane.b, c = plane.c, d = plane.d;
    std::uint64_t front = 0, behind = 0;
    for (std::size_t k = 0; k < block.slots; ++k) {
        const auto distance = static_cast<float>(((a * block.x[k] + b * block.y[k]) + c * block.z[k]) + d);
        front |= std::uint64_t{distance > planeTolerance} << k;
        behind |= std::uint64_t{!(distance >= -planeTolerance)} << k; // NaN is behind
    }
    tallyMasks(block.masks, front, behind, into);
}

#ifdef NORVANE_WIDE_VERTEX_BLOCK
const bool processorIsWide = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"));

// The faces' sides from 32-bit masks, eight faces at a time.
__attribute__((target("avx2,popcnt"))) void tallyNarrowMasks(const std::uint32_t* masks, std::uint32_t front,
                                                             std::uint32_t behind, SideTally& into) {
    const __m256i frontBits = _mm256_set1_epi32(static_cast<int>(front));
    const __m256i behindBits = _mm256_set1_epi32(static_cast<int>(behind));
    const __m256i zero = _mm256_setzero_si256();
    std::uint32_t noFront = 0, noBehind = 0;
    for (std::uint32_t i = 0; i < paddedBlockFaces; i += 8) {
        const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(masks + i));
        noFront |= std::uint32_t(_mm256_movemask_ps(
                       _mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_and_si256(m, frontBits), zero))))
                   << i;
        noBehind |= std::uint32_t(_mm256_movemask_ps(
                        _mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_and_si256(m, behindBits), zero))))
                    << i;
    }
    const std::uint32_t anyFront = ~noFront, anyBehind = ~noBehind;
    addFaceSides(anyFront, anyBehind, into);
}

// The same IEEE operations four vertices at a time: products and sums in double, in the same
// order and never fused, then rounded to float and compared.
__attribute__((target("avx2,popcnt"))) void tallyWide(const Plane& plane, const VertexBlock& block,
                                                      SideTally& into) {
    const __m256d a = _mm256_set1_pd(plane.a), b = _mm256_set1_pd(plane.b), c = _mm256_set1_pd(plane.c),
                  d = _mm256_set1_pd(plane.d);
    const __m128 tolerance = _mm_set1_ps(planeTolerance), negativeTolerance = _mm_set1_ps(-planeTolerance);
    std::uint64_t front = 0, behind = 0;
    for (std::size_t k = 0; k < block.slots; k += vertexBlockStep) {
        const __m256d ax = _mm256_mul_pd(a, _mm256_loadu_pd(block.x + k));
        const __m256d by = _mm256_mul_pd(b, _mm256_loadu_pd(block.y + k));
        const __m256d cz = _mm256_mul_pd(c, _mm256_loadu_pd(block.z + k));
        const __m128 distance = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_add_pd(_mm256_add_pd(ax, by), cz), d));
        front |= std::uint64_t(_mm_movemask_ps(_mm_cmpgt_ps(distance, tolerance))) << k;
        // Not greater or equal, true for NaN: NaN is behind.
        behind |= std::uint64_t(_mm_movemask_ps(_mm_cmpnge_ps(distance, negativeTolerance))) << k;
    }
    if (block.narrowMasks) {
        tallyNarrowMasks(block.narrowMasks, static_cast<std::uint32_t>(front), static_cast<std::uint32_t>(behind), into);
        return;
    }
    const __m256i frontBits = _mm256_set1_epi64x(static_cast<long long>(front));
    const __m256i behindBits = _mm256_set1_epi64x(static_cast<long long>(behind));
    const __m256i zero = _mm256_setzero_si256();
    std::uint32_t noFront = 0, noBehind = 0;
    for (std::uint32_t i = 0; i < paddedBlockFaces; i += 4) {
        const __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block.masks + i));
        noFront |= std::uint32_t(_mm256_movemask_pd(_mm256_castsi256_pd(
                       _mm256_cmpeq_epi64(_mm256_and_si256(m, frontBits), zero))))
                   << i;
        noBehind |= std::uint32_t(_mm256_movemask_pd(_mm256_castsi256_pd(
                        _mm256_cmpeq_epi64(_mm256_and_si256(m, behindBits), zero))))
                    << i;
    }
    const std::uint32_t anyFront = ~noFront, anyBehind = ~noBehind;
    addFaceSides(anyFront, anyBehind, into);
}
#else
const bool processorIsWide = false;

void tallyWide(const Plane& plane, const VertexBlock& block, SideTally& into) { tallyPortable(plane, block, into); }
#endif

} // namespace

void tallyVertexBlock(const Plane& plane, const VertexBlock& block, SideTally& into, VectorBuild build) {
    assert(block.slots % vertexBlockStep == 0 && block.slots <= maxBlockVertices);
    if (build == VectorBuild::Wide || (build == VectorBuild::Best && processorIsWide))
        tallyWide(plane, block, into);
    else
        tallyPortable(plane, block, into);
}

} // namespace norvane
