// Loading a 3DS file into a Scene: the public loading functions, and reading a whole file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "norvane/scene.h"

namespace norvane {

// Reads a whole file into memory; false when it cannot be opened or read (a folder included).
bool readWholeFile(const std::string& fileName, std::vector<std::uint8_t>& bytes);

} // namespace norvane
