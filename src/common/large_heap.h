// Large builds on glibc: freed memory kept in the heap, and the heap backed by huge pages.
//
// A large build touches tens of megabytes once and frees them node by node. glibc hands every
// block above 128 KiB back to the system when it is freed and trims the heap's top as it
// shrinks, so the same memory is faulted in again, page by page; each fault costs microseconds
// on a virtual machine, and the threads of a build wait on one another's faults. A 20,000-face
// terrain's compile faulted 5,500 pages on one thread and 10,000 on two: a fifth of its time on
// one core, and its two threads took as long as one.
//
// The library never changes the process's heap on its own: a program that knows it runs one
// large build at a time (norvane) enables it. Elsewhere than glibc on Linux both calls do
// nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace norvane {

// Smaller scene files (3DS files of some 1,500 faces or fewer) load and build within a few
// milliseconds, in a few hundred pages, and gain nothing measurable.
inline constexpr std::uintmax_t largeHeapBytes = 32 << 10;

// Before loading a scene file of `sceneBytes` bytes: from the first large one on, freed memory
// stays with the process (blocks of up to 32 MiB come from the heap, and the heap is not
// trimmed), and the heap's free top, grown 80 MiB ahead, asks for huge pages; the rest of the
// huge page it begins in is taken by a block never touched, so that what follows faults 2 MiB
// at a time. Thread-safe; acts once per process.
void keepLargeHeap(std::uintmax_t sceneBytes);

// Called by every thread the library starts, before it allocates: once keepLargeHeap has acted,
// the heap that glibc gives the thread asks for huge pages too, opened 24 MiB ahead and its first
// huge page filled past the arena's header, once per arena (glibc hands arenas on to later
// threads).
void adviseThreadHeap();

} // namespace norvane
