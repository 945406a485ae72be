// Float conventions shared by every stage: values are stored as 32-bit floats, expressions are
// evaluated in double and rounded to float when stored or compared.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace norvane {

inline float toF32(double v) { return static_cast<float>(v); }

inline std::uint32_t floatBits(float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// The length of (x, y, z) as the loader and the builder take it: squares summed in double in
// the order x, y, z, the square root in double, the result rounded to float.
inline float vectorLength(float x, float y, float z) {
    const double dx = x, dy = y, dz = z;
    return toF32(std::sqrt((dx * dx + dy * dy) + dz * dz));
}

// Divides (x, y, z) by its length, each quotient rounded to float. False, with the vector left
// as it was, when the length is 0 or not finite: the caller decides what such a vector becomes.
inline bool normalise(float& x, float& y, float& z) {
    const float len = vectorLength(x, y, z);
    if (len == 0.0f || !std::isfinite(len)) return false;
    x = toF32(double(x) / len);
    y = toF32(double(y) / len);
    z = toF32(double(z) / len);
    return true;
}

} // namespace norvane
