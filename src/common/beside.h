// Two pieces of work at once, for the steps before and after a build that have no pool of
// workers to share: writing a file's bytes while the console reports it, matching vertices
// while nodes are copied.
#pragma once

#include <cstddef>
#include <functional>

namespace norvane {

// Runs `aside` on a thread of its own while the calling thread runs `here`, when `together`
// and a thread can be started; otherwise `here`, then `aside`. Returns once both are done. An
// exception thrown by either is rethrown on the calling thread once both are done (`here`'s
// when both throw); run one after the other, `aside` does not start after `here` threw.
void runBeside(bool together, const std::function<void()>& aside, const std::function<void()>& here);

// Whether a step that allows `threads` threads (0: the cores) may take a second one for
// `items` items of work: starting a thread costs about what some thousands of them do, so a
// small scene's steps stay on the calling thread.
bool mayRunBeside(unsigned threads, std::size_t items);

} // namespace norvane
