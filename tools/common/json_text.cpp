#include "common/json_text.h"

#include <cmath>
#include <cstdio>

namespace norvane {

void appendJsonFloat(std::string& out, float value) {
    if (std::isnan(value)) {
        out += "\"nan\"";
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? "\"inf\"" : "\"-inf\"";
        return;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(value));
    out += buf;
}

void appendJsonPoint(std::string& out, const Point3& p) {
    const float xyz[3] = {p.x, p.y, p.z};
    appendJsonFloats(out, xyz, 3);
}

void appendJsonString(std::string& out, const std::string& bytes) {
    out += '"';
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else { // a Latin-1 byte as the UTF-8 of its code point
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out += '"';
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
