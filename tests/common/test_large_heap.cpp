// A large build's memory stays with the process and asks for huge pages; a small build's heap is
// left as glibc keeps it. Each case runs in a fresh process, since the heap's settings are the
// process's and are made once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "common/large_heap.h"
#include "support/glibc_heap.h"

#if defined(NORVANE_HEAP_IS_GLIBCS)
#include <malloc.h>
#endif

namespace norvane {
namespace {

#if defined(NORVANE_HEAP_IS_GLIBCS)

using test::inHeap;

constexpr std::size_t block = std::size_t(4) << 20; // above glibc's usual mmap threshold
constexpr std::uintptr_t hugePage = std::uintptr_t(2) << 20;

// Whether the kernel would back the mapping that holds `p` with huge pages.
bool hugePagesFor(const void* p) {
    std::ifstream smaps("/proc/self/smaps");
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        std::uintptr_t begin = 0, end = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> begin >> dash >> end && dash == '-' && line.find(':') > line.find(' '))
            inside = begin <= at && at < end;
        else if (inside && line.rfind("THPeligible:", 0) == 0)
            return line.find('1') != std::string::npos;
    }
    return false;
}

bool hugePagesOnRequest() {
    std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string text;
    std::getline(mode, text);
    return text.find("[madvise]") != std::string::npos || text.find("[always]") != std::string::npos;
}

void smallBuild() {
    keepLargeHeap(largeHeapBytes - 1);
    void* p = std::malloc(block);
    std::exit(p && !inHeap(p) ? 0 : 1);
}

void largeBuild(bool checkHugePages) {
    keepLargeHeap(largeHeapBytes);
    void* p = std::malloc(block);
    if (!p || !inHeap(p)) std::exit(1);
    const void* breakBefore = sbrk(0);
    std::free(p);
    if (sbrk(0) != breakBefore) std::exit(2); // handed back
    p = std::malloc(block);
    // All but its header's page lies in huge pages: the space below the first whole one is taken.
    if (checkHugePages && !hugePagesFor(static_cast<char*>(p) + 4096)) std::exit(3);
    bool threadHuge = false, pastHeader = false;
    std::thread([&] {
        adviseThreadHeap();
        // Its heap is opened ahead, and its first huge page, which holds the arena's header,
        // is taken: a block lies in whole huge pages from its first bytes on.
        void* q = std::malloc(std::size_t(1) << 20);
        threadHuge = q && hugePagesFor(q);
        pastHeader = (reinterpret_cast<std::uintptr_t>(q) & ~(hugePage - 1)) !=
                     (reinterpret_cast<std::uintptr_t>(q) & ~((std::uintptr_t(64) << 20) - 1));
        std::free(q);
    }).join();
    if (checkHugePages && !threadHuge) std::exit(4);
    if (!pastHeader) std::exit(5);
    // A second thread, given the same arena, takes no space of its own.
    const std::size_t before = mallinfo2().uordblks;
    std::thread([] { adviseThreadHeap(); }).join();
    std::exit(mallinfo2().uordblks - before < (std::size_t(64) << 10) ? 0 : 6);
}

TEST(LargeHeap, ASmallBuildLeavesTheHeapAsItWas) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(smallBuild(), testing::ExitedWithCode(0), "") << "a 4 MiB block came from the heap";
}

TEST(LargeHeap, ALargeBuildKeepsItsMemoryOnHugePages) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Exit 1: a large block was mapped on its own; 2: the heap was trimmed; 3 and 4: no huge
    // pages for the main heap's top or for a thread's heap; 5: a thread's first block shares
    // the huge page of its arena's header; 6: a thread given a used arena took space.
    EXPECT_EXIT(largeBuild(hugePagesOnRequest()), testing::ExitedWithCode(0), "");
}

#endif

} // namespace
} // namespace norvane
