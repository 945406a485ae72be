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

inline float bitsToFloat(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// The length of (x, y, z) as the loader and the builder take it: squares summed in double in
// the order x, y, z, the square root in double, the result rounded to float.
inline float vectorLength(float x, float y, float z) {
    const double dx = x, dy = y, dz = z;
    return toF32(std::sqrt((dx * dx + dy * dy) + dz * dz));
}

} // namespace norvane
