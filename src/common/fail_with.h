// Filling in an error of any code, for the functions that report failure as false.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "norvane/error.h"

namespace norvane {

template <class Code>
bool failWith(Error<Code>& error, Code code, std::uint64_t offset, std::string message) {
    error.code = code;
    error.offset = offset;
    error.message = std::move(message);
    return false;
}

} // namespace norvane
