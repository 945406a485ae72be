#include "common/large_heap.h"

#if defined(__linux__) && defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#endif

namespace norvane {

#if defined(__linux__) && defined(__GLIBC__)
namespace {

constexpr std::uintptr_t hugePage = std::uintptr_t(2) << 20;
// Blocks up to this size come from the heap (glibc's largest mmap threshold on 64-bit).
constexpr int heapBlockLimit = 32 << 20;
// How far the heap's top is grown ahead, once: a terrain of 20,000 faces peaks at 17 MiB, a
// level of 60,000 at 31 MiB.
constexpr int heapAhead = 64 << 20;
constexpr int usualTopPad = 128 << 10; // glibc's own
// glibc places each thread arena's heap at a multiple of this size and reserves it whole.
constexpr std::uintptr_t threadHeapSize = std::uintptr_t(64) << 20;
constexpr std::size_t threadHeapOpened = std::size_t(24) << 20;

std::atomic<bool> heapKept{false};
void* volatile heapFiller = nullptr; // the last filler, kept for the life of the process

// A hint: marks the whole huge pages within [begin, end); a failure changes nothing.
void adviseHuge(std::uintptr_t begin, std::uintptr_t end) {
    const std::uintptr_t first = (begin + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t last = end & ~(hugePage - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

// Blocks between `top`, where the heap's free top begins, and the next huge page would fault page
// by page: a block that is never freed, nor touched beyond its header, takes that space.
void fillBelowHugePage(std::uintptr_t top) {
    const std::uintptr_t below = ((top + hugePage - 1) & ~(hugePage - 1)) - top;
    if (below > 4 * sizeof(std::size_t)) heapFiller = std::malloc(below - 4 * sizeof(std::size_t));
}

// Where a fresh block of `size` bytes lands; the block is freed again at once.
std::uintptr_t probeBlock(std::size_t size) {
    static void* volatile sink; // keeps the compiler from dropping the pair
    sink = std::malloc(size);
    const auto at = reinterpret_cast<std::uintptr_t>(sink);
    std::free(sink);
    sink = nullptr;
    return at;
}

void keepHeap() {
    if (mallopt(M_MMAP_THRESHOLD, heapBlockLimit) == 0 || mallopt(M_TRIM_THRESHOLD, 2 * heapAhead) == 0) return;
    // A block freed at once grows the top now, padded far ahead, so its pages are marked before
    // anything touches them. Later growth takes glibc's usual padding again: a process under an
    // address-space limit must not fail a small request for the sake of a large padding.
    mallopt(M_TOP_PAD, heapAhead);
    const std::uintptr_t top = probeBlock(std::size_t(heapAhead) / 4);
    mallopt(M_TOP_PAD, usualTopPad);
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
    if (top == 0 || top >= end || end - top > 2 * std::uintptr_t(heapAhead)) return; // not in the break
    adviseHuge(top, end);
    fillBelowHugePage(top);
    heapKept.store(true, std::memory_order_release);
}

// Whether `heap` is seen here for the first time. glibc keeps a few arenas for the life of the
// process and hands them to new threads; past the first 64, none is prepared.
bool firstVisit(std::uintptr_t heap) {
    static std::mutex mutex;
    static std::array<std::uintptr_t, 64> seen{};
    static std::size_t count = 0;
    const std::lock_guard<std::mutex> lock(mutex);
    if (count == seen.size() || std::find(seen.begin(), seen.begin() + count, heap) != seen.begin() + count)
        return false;
    seen[count++] = heap;
    return true;
}

} // namespace

void keepLargeHeap(std::uintmax_t sceneBytes) {
    if (sceneBytes < largeHeapBytes || sizeof(void*) != 8) return;
    static std::once_flag once;
    std::call_once(once, keepHeap);
}

void adviseThreadHeap() {
    if (!heapKept.load(std::memory_order_acquire)) return;
    const std::uintptr_t at = probeBlock(64);
    // A thread that shares the main heap finds its blocks below the break, marked already.
    if (at == 0 || at < reinterpret_cast<std::uintptr_t>(sbrk(0))) return;
    const std::uintptr_t heap = at & ~(threadHeapSize - 1);
    if (!firstVisit(heap)) return; // a later thread given the same arena: its space is taken
    adviseHuge(heap, heap + threadHeapSize);
    // glibc opens a thread's heap only as far as it is used, and memory at the edge of what is
    // open cannot take a huge page: open most of it now.
    probeBlock(threadHeapOpened);
    fillBelowHugePage(at);
}

#else

void keepLargeHeap(std::uintmax_t) {}
void adviseThreadHeap() {}

#endif

} // namespace norvane
