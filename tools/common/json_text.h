// Spelling values as JSON for the tools' outputs. Floats print so that they parse back to the
// same 32-bit float; NaN and the infinities print as the strings "nan", "inf" and "-inf".
#pragma once

#include <string>
#include <string_view>

#include <norvane/geometry.h>

namespace norvane {

// How the bytes of a name are spelled inside the quotes. Both read the bytes as Latin-1 and
// escape '"', '\' and bytes below 0x20 (as \u00XX); they differ where the text goes:
enum class JsonBytes {
    // Bytes from 0x80 as the UTF-8 of their character: the tools' JSON outputs and the names
    // their summaries quote, which people read.
    Utf8,
    // Bytes from 0x7F, and '<', as \u00XX too: text inside a page's script element, which must
    // never close the element and reads the same in any encoding the page is taken in.
    Ascii,
};

void appendJsonFloat(std::string& out, float value);
void appendJsonString(std::string& out, std::string_view bytes, JsonBytes spelling = JsonBytes::Utf8);
void appendJsonFloats(std::string& out, const float* values, int n); // [a, b, ...]
void appendJsonPoint(std::string& out, const Point3& p);             // [x, y, z]

// The bytes as a JSON string literal, quotes included.
std::string jsonString(std::string_view bytes, JsonBytes spelling = JsonBytes::Utf8);

} // namespace norvane
