// Base64 (RFC 4648, with padding), to carry a tree file's bytes inside a page.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace norvane::view {

std::string encodeBase64(std::span<const std::uint8_t> bytes);

} // namespace norvane::view
