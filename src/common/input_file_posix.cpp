// POSIX: a stream is opened without blocking (a FIFO's open would wait for a writer) and
// polled in slices of 100 ms, so the stop flag is seen even while nothing arrives.
#include "common/input_file.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norvane {
namespace {

constexpr std::size_t blockSize = 1 << 20;
constexpr int pollSliceMs = 100;

bool stopSet(const std::atomic<bool>* stop) { return stop && stop->load(std::memory_order_relaxed); }

} // namespace

InputFile::~InputFile() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

ReadStatus InputFile::open(const std::filesystem::path& path, const std::atomic<bool>* stop) {
    stop_ = stop;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return ReadStatus::CannotRead;
    handle_ = fd;
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) return ReadStatus::CannotRead;
    if (S_ISREG(st.st_mode)) {
        regularSize_ = static_cast<std::uint64_t>(st.st_size);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    return ReadStatus::Ok;
}

ReadStatus InputFile::readUpTo(std::vector<std::uint8_t>& bytes, std::uint64_t total) {
    const int fd = static_cast<int>(handle_);
    while (!atEnd_ && bytes.size() < total) {
        if (stopSet(stop_)) return ReadStatus::Stopped;
        if (!regularSize_) {
            pollfd p{fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, pollSliceMs);
            if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
            if (ready < 0) return ReadStatus::CannotRead;
        }
        // A regular file in one piece of its size and a byte more, which tells whether it grew
        // meanwhile: growing a buffer block by block zeroed and copied it over and over.
        std::uint64_t piece = blockSize;
        if (regularSize_ && *regularSize_ >= bytes.size()) piece = *regularSize_ - bytes.size() + 1;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(piece, total - bytes.size()));
        const std::size_t had = bytes.size();
        bytes.resize(had + want);
        const ssize_t got = ::read(fd, bytes.data() + had, want);
        bytes.resize(had + (got > 0 ? static_cast<std::size_t>(got) : 0));
        if (got == 0) atEnd_ = true;
        if (got < 0 && errno != EINTR && errno != EAGAIN) return ReadStatus::CannotRead;
    }
    return ReadStatus::Ok;
}

std::string nativeNarrowName(const std::filesystem::path& path) { return path.native(); }

} // namespace norvane
