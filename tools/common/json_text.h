// Spelling values as JSON for the tools' outputs. Floats print so that they parse back to the
// same 32-bit float; NaN and the infinities print as the strings "nan", "inf" and "-inf".
#pragma once

#include <string>

#include <norvane/geometry.h>

namespace norvane {

void appendJsonFloat(std::string& out, float value);
void appendJsonString(std::string& out, const std::string& bytes);   // bytes read as Latin-1
void appendJsonFloats(std::string& out, const float* values, int n); // [a, b, ...]
void appendJsonPoint(std::string& out, const Point3& p);             // [x, y, z]

} // namespace norvane
