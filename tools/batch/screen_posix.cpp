#include <cstdio>

#include <sys/ioctl.h>
#include <unistd.h>

#include "batch/screen.h"

namespace norvane::batch {

bool outputIsTerminal() { return isatty(fileno(stdout)) == 1; }

std::size_t terminalColumns() {
    winsize size = {};
    if (ioctl(fileno(stdout), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

} // namespace norvane::batch
