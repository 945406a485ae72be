#include "fuzz_input.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace norvane::fuzz {

TreeInput splitTreeInput(const std::uint8_t* data, std::size_t size) {
    TreeInput in;
    const std::size_t options = std::min(size, in.options.size());
    std::copy(data, data + options, in.options.begin());
    in.tree = std::span<const std::uint8_t>(data + options, size - options);
    return in;
}

bool readCheckedTree(std::span<const std::uint8_t> bytes, TreeFile& file) {
    TreeFileError error;
    return readTreeFile(bytes, file, error) && checkTreeFile(file, error);
}

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz target: %s\n", what);
    std::abort();
}

} // namespace norvane::fuzz
