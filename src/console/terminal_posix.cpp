// The terminal on POSIX systems: a UTF-8 terminal gets the boxes as UTF-8, and the key wait
// reads one key in non-canonical mode.
#include "console/terminal.h"

#include <cassert>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iterator>

#include <langinfo.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace norvane {
namespace {

bool localeIsUtf8() {
    // Only the character type is taken from the environment, and only for this question.
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    const bool utf8 = codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
    std::setlocale(LC_CTYPE, "C");
    return utf8;
}

// The terminal's settings from before the key wait, for the signal handler to put back.
int waitingFd = -1;
termios savedMode;
constexpr int interruptions[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
struct sigaction previousActions[std::size(interruptions)];
bool handled[std::size(interruptions)];

void restoreAndResignal(int signal) {
    // Only async-signal-safe calls: the settings go back, then the signal is raised again for
    // the disposition the process had before, which acts as soon as this handler returns.
    tcsetattr(waitingFd, TCSANOW, &savedMode);
    for (std::size_t i = 0; i < std::size(interruptions); ++i)
        if (interruptions[i] == signal) sigaction(signal, &previousActions[i], nullptr);
    raise(signal);
}

void catchInterruptions() {
    struct sigaction action = {};
    action.sa_handler = restoreAndResignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(interruptions); ++i) {
        sigaction(interruptions[i], nullptr, &previousActions[i]);
        // A signal the process ignores (nohup) stays ignored.
        handled[i] = previousActions[i].sa_handler != SIG_IGN;
        if (handled[i]) sigaction(interruptions[i], &action, nullptr);
    }
}

void releaseInterruptions() {
    for (std::size_t i = 0; i < std::size(interruptions); ++i)
        if (handled[i]) sigaction(interruptions[i], &previousActions[i], nullptr);
}

// One byte, waiting at most `timeoutMs` for it (forever when negative).
bool readByte(int fd, unsigned char& byte, int timeoutMs) {
    for (;;) {
        if (timeoutMs >= 0) {
            pollfd p = {fd, POLLIN, 0};
            const int ready = poll(&p, 1, timeoutMs);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) return false;
        }
        const ssize_t got = read(fd, &byte, 1);
        if (got == 1) return true;
        if (got < 0 && errno == EINTR) continue;
        return false; // end of input or a hung-up terminal
    }
}

// A key can send several bytes: an escape sequence (arrows, function keys, Alt with a key) or
// a UTF-8 character. They arrive together, so the rest is read with a short wait, and none of
// it is left for the shell to take as typed text.
void readRestOfKey(int fd, unsigned char first) {
    constexpr int followMs = 30;
    unsigned char byte;
    if (first == 0x1B) {
        if (!readByte(fd, byte, followMs)) return;
        if (byte == 'O') {
            readByte(fd, byte, followMs);
        } else if (byte == '[') {
            // Parameters and intermediates up to the final byte, 0x40 to 0x7E.
            for (int i = 0; i < 32; ++i)
                if (!readByte(fd, byte, followMs) || (byte >= 0x40 && byte <= 0x7E)) return;
        }
        return;
    }
    int continuation = first >= 0xF0 ? 3 : first >= 0xE0 ? 2 : first >= 0xC0 ? 1 : 0;
    while (continuation-- > 0 && readByte(fd, byte, followMs)) {
    }
}

} // namespace

std::unique_ptr<Console> openStandardConsole() {
    const bool terminal = isatty(fileno(stdout));
    if (!terminal) bufferStandardOutput();
    return std::make_unique<StreamConsole>(stdout, terminal && localeIsUtf8(), terminal);
}

void waitForKey(std::FILE* input) {
    assert(input);
    const int fd = fileno(input);
    termios mode;
    if (fd < 0 || !isatty(fd) || tcgetattr(fd, &mode) != 0) {
        std::fgetc(input);
        return;
    }
    if (!isatty(fileno(stdout))) {
        std::fputs("norvane: waiting for a key press to end the run\n", stderr);
        std::fflush(stderr);
    }
    waitingFd = fd;
    savedMode = mode;
    catchInterruptions(); // before the change, so that no interruption finds it unguarded
    // One byte at a time, as it is typed, without echo. Signal keys (Ctrl-C) keep working,
    // and what was typed ahead is kept: TCSANOW, not TCSAFLUSH.
    termios raw = mode;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &raw) == 0) {
        unsigned char first;
        if (readByte(fd, first, -1)) readRestOfKey(fd, first);
        tcsetattr(fd, TCSANOW, &savedMode);
    } else {
        std::fgetc(input);
    }
    releaseInterruptions();
}

} // namespace norvane
