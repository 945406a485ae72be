// The console spinner: shows that a long stage is working by drawing the next of "/|\-" over
// the last character of the current progress line, once every `spinnerPeriod` calls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/console.h"

namespace norvane {

// The spinner draws on the 52nd call and on every 52nd call after it.
inline constexpr std::int32_t spinnerPeriod = 52;

// Its state lives for the whole run: the calls since the last picture and the picture shown.
class Spinner {
public:
    void tick(Console& console);
    // The same as n calls of tick, without walking the calls that draw nothing.
    void ticks(Console& console, std::size_t n);

private:
    std::int32_t calls_ = 0; // calls since the last picture, 0 to spinnerPeriod - 1
    std::int32_t index_ = 0;
};

} // namespace norvane
