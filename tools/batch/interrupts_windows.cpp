#include "batch/interrupts.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace norvane::batch {
namespace {

std::atomic<bool> interrupted{false};

// Runs on a thread of its own that the system starts for the key.
BOOL WINAPI note(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    interrupted.store(true);
    return TRUE;
}

} // namespace

const std::atomic<bool>& catchInterrupts() {
    SetConsoleCtrlHandler(note, TRUE);
    return interrupted;
}

void endAsInterrupted() { ExitProcess(STATUS_CONTROL_C_EXIT); }

} // namespace norvane::batch
