#include "common/input_file.h"

namespace norvane {

ReadStatus readInput(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes, std::uint64_t maxSize,
                     const std::atomic<bool>* stop) {
    bytes.clear();
    InputFile in;
    if (const ReadStatus opened = in.open(path, stop); opened != ReadStatus::Ok) return opened;
    if (in.regularSize() && *in.regularSize() > maxSize) return ReadStatus::TooLarge;
    // One byte past the limit tells a stream that holds too much from one that ends there.
    const ReadStatus status = in.readUpTo(bytes, maxSize + 1);
    if (status != ReadStatus::Ok) return status;
    return bytes.size() > maxSize ? ReadStatus::TooLarge : ReadStatus::Ok;
}

} // namespace norvane
