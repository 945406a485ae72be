// Text pieces the exporters share: JSON strings and numbers, and base64.
#pragma once

#include <string>
#include <string_view>

namespace norvane::exporting {

// A name of the tree file (Latin-1 bytes) as a quoted JSON string in UTF-8.
void appendJsonString(std::string& out, std::string_view latin1);

// A 32-bit float as the shortest decimal that reads back as the same value in double, so a
// reader sees the float exactly; NaN and the infinities, which JSON lacks, as null.
void appendJsonNumber(std::string& out, float value);

// The float's shortest decimal that reads back as the same float ("nan", "inf" as C prints them).
std::string floatText(float value);

// The Latin-1 bytes as UTF-8.
std::string utf8OfLatin1(std::string_view latin1);

std::string base64(std::string_view bytes);

} // namespace norvane::exporting
