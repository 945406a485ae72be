#pragma once

#include "console/console.h"

namespace norvane {

// Prints "\n", the eight art lines of B, S and P in hollow double-line outlines, "\n" and the
// title line.
void printLogo(Console& console);

} // namespace norvane
