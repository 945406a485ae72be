#include "common/number_text.h"

#include <cstdio>

namespace norvane {
namespace {

// Large enough for any double in %g, and for %.*f of the largest double (309 digits).
constexpr int textSize = 400;

} // namespace

std::string floatText(double value) {
    char text[textSize];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string doubleText(double value) {
    char text[textSize];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string fixedText(double value, int decimals) {
    char text[textSize];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace norvane
