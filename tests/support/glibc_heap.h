// What the tests of the kept heap need: whether the process's heap is glibc's on Linux (the
// only heap the programs prepare; AddressSanitizer brings its own), and where a block lies.
#pragma once

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NORVANE_OWN_HEAP 1
#endif
#endif
#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(NORVANE_OWN_HEAP)
#include <unistd.h>
#define NORVANE_HEAP_IS_GLIBCS 1

namespace norvane::test {

// Whether `p` lies in the heap below the break, rather than in a mapping of its own.
inline bool inHeap(const void* p) { return p < sbrk(0); }

} // namespace norvane::test
#endif
