// The process's terminal: the one home of the platform's console handling. It picks the sink
// for standard output so that the box characters show as boxes wherever a person looks, and
// reads the key that ends every run. The user's terminal is left as it was found.
#pragma once

#include <cstdio>
#include <memory>

#include "console/console.h"

namespace norvane {

// The sink for standard output:
// - a POSIX terminal whose locale is UTF-8 gets the program's text as UTF-8, the user's bytes
//   unchanged;
// - a Windows console gets all text as UTF-16 through the console itself, the program's text
//   by the code page 437 table and the user's bytes from the ANSI code page they came in, so
//   the boxes are right whatever the console's code page and whatever the C runtime does;
// - a pipe or a file gets the exact code page 437 bytes (Windows text mode writes "\r\n"),
//   through bufferStandardOutput's buffer.
// Call it before anything is written to standard output.
std::unique_ptr<Console> openStandardConsole();

// Gives standard output, going into a file or a pipe, a buffer of 64 KB: a large tree prints
// megabytes of progress lines, which then go out in large writes rather than one call per 4 KB.
// The buffer is the program's own: the C library ignores the size unless given the buffer.
inline void bufferStandardOutput() {
    static char buffer[std::size_t{1} << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

// The key wait that ends every run. From a terminal (a POSIX tty or a Windows console) one key
// press ends it, without Enter and without echo: the whole key is read, so that no part of an
// arrow's escape sequence is left for the shell, and a POSIX terminal's settings are put back
// afterwards, also when SIGINT, SIGTERM, SIGHUP or SIGQUIT ends the process during the wait.
// When standard output is not a terminal, a line on standard error says that the run waits.
// From a pipe or a file it reads one character.
void waitForKey(std::FILE* input);

} // namespace norvane
