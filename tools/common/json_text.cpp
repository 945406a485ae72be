#include "common/json_text.h"

#include <cmath>
#include <cstdio>

#include "common/number_text.h"

namespace norvane {
namespace {

void appendEscape(std::string& out, unsigned char c) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", c);
    out += escape;
}

} // namespace

void appendJsonFloat(std::string& out, float value) {
    if (std::isnan(value)) {
        out += "\"nan\"";
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? "\"inf\"" : "\"-inf\"";
        return;
    }
    out += floatText(static_cast<double>(value));
}

void appendJsonPoint(std::string& out, const Point3& p) {
    const float xyz[3] = {p.x, p.y, p.z};
    appendJsonFloats(out, xyz, 3);
}

void appendJsonString(std::string& out, std::string_view bytes, JsonBytes spelling) {
    const bool ascii = spelling == JsonBytes::Ascii;
    out += '"';
    for (const unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || (ascii && (c >= 0x7F || c == '<'))) {
            appendEscape(out, c);
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else { // a Latin-1 byte as the UTF-8 of its code point
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out += '"';
}

std::string jsonString(std::string_view bytes, JsonBytes spelling) {
    std::string out;
    appendJsonString(out, bytes, spelling);
    return out;
}

void appendJsonFloats(std::string& out, const float* values, int n) {
    out += '[';
    for (int i = 0; i < n; ++i) {
        if (i) out += ", ";
        appendJsonFloat(out, values[i]);
    }
    out += ']';
}

} // namespace norvane
