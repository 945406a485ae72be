// How many cores this process may run on: those of its affinity mask (so `taskset -c 0` or a
// job object limiting it to one core makes a build single-threaded), at least one.
#pragma once

namespace norvane {

unsigned availableCores();

} // namespace norvane
