// Numbers as the tools spell them, always in the C locale's spelling.
#pragma once

#include <string>

namespace norvane {

// "%.9g": parses back to the same 32-bit float (a -0 keeps its sign; NaN and the infinities
// are "nan", "inf" and "-inf").
std::string floatText(double value);

// "%.17g": parses back to the same double.
std::string doubleText(double value);

// "%.*f": `decimals` digits after the point.
std::string fixedText(double value, int decimals);

} // namespace norvane
