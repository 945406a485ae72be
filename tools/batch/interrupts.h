// Ctrl+C asks a batch to stop rather than ending the process at once: the scenes in flight stop
// at their next stage or node and write nothing, a tree being written is finished and renamed
// (so no temporary stays behind), and the run then ends as the interrupt would have ended it.
#pragma once

#include <atomic>

namespace norvane::batch {

// From now on Ctrl+C (on POSIX also SIGTERM and SIGHUP) only sets the returned flag. A closed
// pipe on standard output no longer ends the process in the middle of a write (SIGPIPE).
const std::atomic<bool>& catchInterrupts();

// Ends the process as the caught interrupt ends it: by the same signal on POSIX, with
// STATUS_CONTROL_C_EXIT on Windows.
[[noreturn]] void endAsInterrupted();

} // namespace norvane::batch
