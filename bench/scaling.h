// norvane-bench --scaling: how the fast build's time and memory grow with the scene, from
// 60,000 to 1,000,000 faces, on one and two threads.
#pragma once

#include <string>

// Prints one row per scene and thread count, with the growth exponent k (time proportional to
// faces^k) between consecutive sizes of a kind. Scenes whose name does not hold `only` are left
// out. Returns the exit status.
int runScaling(const std::string& only);
