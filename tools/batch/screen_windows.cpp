#include "batch/screen.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace norvane::batch {

bool outputIsTerminal() {
    DWORD mode;
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return out != INVALID_HANDLE_VALUE && out != nullptr && GetConsoleMode(out, &mode);
}

std::size_t terminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) && info.srWindow.Right > info.srWindow.Left)
        return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
    return 80;
}

} // namespace norvane::batch
