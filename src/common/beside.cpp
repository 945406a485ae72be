#include "common/beside.h"

#include <exception>
#include <system_error>
#include <thread>

#include "common/cores.h"
#include "common/large_heap.h"

namespace norvane {

void runBeside(bool together, const std::function<void()>& aside, const std::function<void()>& here) {
    std::exception_ptr asideFailed;
    std::thread thread;
    if (together) {
        try {
            thread = std::thread([&] {
                adviseThreadHeap();
                try {
                    aside();
                } catch (...) {
                    asideFailed = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            // no thread to be had: the work is done one after the other below
        }
    }
    try {
        here();
    } catch (...) {
        if (thread.joinable()) thread.join(); // `aside` uses the caller's frame
        throw;
    }
    if (thread.joinable())
        thread.join();
    else
        aside();
    if (asideFailed) std::rethrow_exception(asideFailed);
}

bool mayRunBeside(unsigned threads, std::size_t items) {
    constexpr std::size_t fewestItems = 8192;
    return threads != 1 && items >= fewestItems && availableCores() > 1;
}

} // namespace norvane
