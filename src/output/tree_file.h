// The tree file reader under the names the compiler's own tests and tools first used; the
// contract is the public header.
#pragma once

#include <cstdint>
#include <vector>

#include "norvane/tree_file.h"

namespace norvane {

using TreeFileProblem = TreeFileError;

inline bool parseTreeFile(const std::vector<std::uint8_t>& bytes, TreeFile& file, TreeFileProblem& problem) {
    return readTreeFile(std::span<const std::uint8_t>(bytes), file, problem);
}

} // namespace norvane
