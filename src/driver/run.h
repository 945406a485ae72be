// One run of the compiler: logo, argument check, load, build, write, key wait.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "console/console.h"

namespace norvane {

// Runs the compiler on args (args[0] is the program name). Everything printed goes to
// `console`; the closing key is awaited on `keyInput` (one key press from a terminal, one
// character from a pipe or a file). Returns the exit status: 0 when the tree file was written,
// 1 on every failure.
int runCompiler(const std::vector<std::string>& args, Console& console, std::FILE* keyInput);

} // namespace norvane
