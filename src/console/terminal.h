// The process's terminal: the one home of the platform's console handling. It picks the sink
// for standard output so that the box characters show as boxes wherever a person looks, and
// never changes the settings of the user's console.
#pragma once

#include <memory>

#include "console/console.h"

namespace norvane {

// The sink for standard output:
// - a POSIX terminal whose locale is UTF-8 gets the program's text as UTF-8, the user's bytes
//   unchanged;
// - a Windows console gets all text as UTF-16 through the console itself, the program's text
//   by the code page 437 table and the user's bytes from the ANSI code page they came in, so
//   the boxes are right whatever the console's code page and whatever the C runtime does;
// - a pipe or a file gets the exact code page 437 bytes (Windows text mode writes "\r\n").
std::unique_ptr<Console> openStandardConsole();

} // namespace norvane
