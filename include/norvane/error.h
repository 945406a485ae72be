// The one shape of every failure the library reports: a code from the failing function's own
// enumeration, the byte offset in the input where it applies (0 where none does), and a
// one-line message without the offset. A default-constructed error is no error.
#pragma once

#include <cstdint>
#include <string>

namespace norvane {

template <class Code> struct Error {
    Code code = Code::None;
    std::uint64_t offset = 0;
    std::string message;

    explicit operator bool() const { return code != Code::None; }
};

} // namespace norvane
