// The cores a build may use follow the process's affinity, so a build confined to one core by
// the system (taskset, a job's CPU set) runs single-threaded instead of crowding it.
#include <gtest/gtest.h>

#include <thread>

#include "common/cores.h"

#if defined(__linux__)
#include <sched.h>
#endif

namespace norvane {
namespace {

TEST(AvailableCores, AtLeastOneAndNoMoreThanTheMachineHas) {
    const unsigned cores = availableCores();
    EXPECT_GE(cores, 1u);
    if (std::thread::hardware_concurrency() > 0) {
        EXPECT_LE(cores, std::thread::hardware_concurrency());
    }
}

#if defined(__linux__)
TEST(AvailableCores, FollowTheAffinityMask) {
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    int first = 0;
    while (first < CPU_SETSIZE && !CPU_ISSET(first, &all)) ++first;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(availableCores(), 1u);
    ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(availableCores(), static_cast<unsigned>(CPU_COUNT(&all)));
}
#endif

} // namespace
} // namespace norvane
