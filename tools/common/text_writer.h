// Text handed on piece by piece, in order, for outputs too large to hold whole: a picture or a
// JSON view of a large tree goes to its file or stream as it is made.
#pragma once

#include <cstdio>
#include <functional>
#include <string_view>

namespace norvane {

using TextWriter = std::function<void(std::string_view)>;

// A writer to an open stream.
inline TextWriter writerTo(std::FILE* file) {
    return [file](std::string_view piece) { std::fwrite(piece.data(), 1, piece.size(), file); };
}

} // namespace norvane
