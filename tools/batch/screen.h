// What the batch asks about the screen standard output goes to.
#pragma once

#include <cstddef>

namespace norvane::batch {

// Whether standard output is a terminal (a POSIX tty or a Windows console).
bool outputIsTerminal();

// Its width in characters; 80 when it cannot tell.
std::size_t terminalColumns();

} // namespace norvane::batch
