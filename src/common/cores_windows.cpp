#include "common/cores.h"

#include <bit>
#include <cstdint>
#include <thread>

#include <windows.h>

namespace norvane {

unsigned availableCores() {
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0)
        return static_cast<unsigned>(std::popcount(static_cast<std::uint64_t>(process)));
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? cores : 1;
}

} // namespace norvane
