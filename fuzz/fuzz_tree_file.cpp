// Any bytes as a tree file: parsed and checked, or refused with an offset.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <norvane/tree_file.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    norvane::TreeFile file;
    norvane::TreeFileError error;
    if (norvane::readTreeFile(bytes, file, error)) norvane::checkTreeFile(file, error);
    return 0;
}
