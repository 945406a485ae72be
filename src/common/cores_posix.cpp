#include "common/cores.h"

#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace norvane {

unsigned availableCores() {
#if defined(__linux__)
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0) return static_cast<unsigned>(count);
    }
#endif
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? cores : 1;
}

} // namespace norvane
