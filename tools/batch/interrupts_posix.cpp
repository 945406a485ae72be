#include <csignal>
#include <cstdlib>

#include <signal.h>
#include <unistd.h>

#include "batch/interrupts.h"

namespace norvane::batch {
namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");
std::atomic<bool> interrupted{false};
volatile std::sig_atomic_t caught = SIGINT;
constexpr int interruptions[] = {SIGINT, SIGTERM, SIGHUP};

void note(int signal) {
    caught = signal;
    interrupted.store(true);
}

} // namespace

const std::atomic<bool>& catchInterrupts() {
    struct sigaction action = {};
    action.sa_handler = note;
    sigemptyset(&action.sa_mask);
    for (int signal : interruptions) {
        struct sigaction previous = {};
        sigaction(signal, nullptr, &previous);
        // A signal the process was started to ignore (nohup) stays ignored.
        if (previous.sa_handler != SIG_IGN) sigaction(signal, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    return interrupted;
}

void endAsInterrupted() {
    const int signal = caught;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal);
    _exit(128 + signal); // not reached: the signal ends the process
}

} // namespace norvane::batch
