// Reading a file or a stream whole, within a limit and interruptibly. A regular file tells its
// size before anything is read; a pipe, a FIFO or a device (/dev/zero) does not, so reads go in
// blocks, each checked against the limit, and a stream that gives nothing (a FIFO without a
// writer) is waited on in short slices that look at the stop flag.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace norvane {

enum class ReadStatus {
    Ok,         // read as far as asked, or to the end
    CannotRead, // cannot be opened, is a folder, or a read failed
    TooLarge,   // holds more bytes than allowed
    Stopped,    // the stop flag was set while waiting or reading
};

class InputFile {
  public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens for reading without waiting for a FIFO's writer.
    ReadStatus open(const std::filesystem::path& path, const std::atomic<bool>* stop);
    // The size of a regular file; empty for a stream.
    std::optional<std::uint64_t> regularSize() const { return regularSize_; }
    // Appends bytes until `bytes` holds `total` or the input ends.
    ReadStatus readUpTo(std::vector<std::uint8_t>& bytes, std::uint64_t total);
    bool atEnd() const { return atEnd_; }

  private:
    std::intptr_t handle_ = -1;
    std::optional<std::uint64_t> regularSize_;
    bool atEnd_ = false;
    const std::atomic<bool>* stop_ = nullptr;
};

// The whole input, at most `maxSize` bytes (TooLarge past them).
ReadStatus readInput(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes, std::uint64_t maxSize,
                     const std::atomic<bool>* stop = nullptr);

// The name as the system's narrow calls take it: the bytes as given on POSIX; on Windows the
// ANSI code page's spelling, which is how a name from the command line came.
std::string nativeNarrowName(const std::filesystem::path& path);

} // namespace norvane
