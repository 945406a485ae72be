#include "common/terminal_text.h"

#include <cstdio>
#include <vector>

namespace norvane {
namespace {

#ifdef _WIN32
constexpr bool namesAreUtf8 = false; // the ANSI code page, where every byte from 0x80 is a character
#else
constexpr bool namesAreUtf8 = true;
#endif

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// How many bytes the UTF-8 character that starts with `c` has; 0 for a byte no character
// starts with.
std::size_t utf8Length(unsigned char c) {
    if (c >= 0xC2 && c <= 0xDF) return 2;
    if (c >= 0xE0 && c <= 0xEF) return 3;
    if (c >= 0xF0 && c <= 0xF4) return 4;
    return 0;
}

// The length of the whole, shown UTF-8 character at `i`, or 0: a byte that starts none, a
// character cut short, spelled too long, a surrogate, beyond U+10FFFF, or a C1 control.
std::size_t characterAt(std::string_view bytes, std::size_t i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = utf8Length(c);
    if (length == 0 || i + length > bytes.size()) return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return 0;
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    if ((c == 0xE0 && second < 0xA0) || (c == 0xF0 && second < 0x90)) return 0;   // too long
    if ((c == 0xED && second >= 0xA0) || (c == 0xF4 && second >= 0x90)) return 0; // surrogate, too large
    if (c == 0xC2 && second < 0xA0) return 0;                                     // C1 control
    return length;
}

// For each byte, whether it is shown as it is.
std::vector<bool> plainBytes(std::string_view bytes) {
    std::vector<bool> plain(bytes.size(), false);
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80 || !namesAreUtf8) {
            plain[i++] = !isControl(c) && c != '"';
            continue;
        }
        const std::size_t length = characterAt(bytes, i);
        for (std::size_t k = 0; k < length; ++k) plain[i + k] = true;
        i += length == 0 ? 1 : length;
    }
    return plain;
}

} // namespace

std::string shownFileName(std::string_view bytes) {
    const std::vector<bool> plain = plainBytes(bytes);
    bool asIs = true;
    for (const bool p : plain) asIs = asIs && p;
    if (asIs) return std::string(bytes);
    std::string out = "\"";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (plain[i]) {
            out += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
            out += escape;
        }
    }
    return out + "\"";
}

} // namespace norvane
