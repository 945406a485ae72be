// The loaded scene as JSON: everything the loader read, for users who want to see what the
// compiler saw. Floats print so that they parse back to the same 32-bit float; NaN and the
// infinities print as the strings "nan", "inf" and "-inf".
#pragma once

#include <string>

#include "scene/scene.h"

namespace norvane {

std::string sceneToJson(const Scene& scene);

// Shared spelling helpers (also used by the tree dump).
void appendJsonFloat(std::string& out, float value);
void appendJsonString(std::string& out, const std::string& bytes); // bytes read as Latin-1
void appendJsonFloats(std::string& out, const float* values, int n);  // [a, b, ...]

} // namespace norvane
