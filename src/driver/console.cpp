#include "driver/console.h"

#include <cstdarg>
#include <vector>

namespace norvane {

void Console::print(const char* format, ...) {
    char small[512];
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        return;
    }
    if (static_cast<std::size_t>(n) < sizeof small) {
        va_end(again);
        write(std::string_view(small, static_cast<std::size_t>(n)));
        return;
    }
    std::vector<char> big(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), format, again);
    va_end(again);
    write(std::string_view(big.data(), static_cast<std::size_t>(n)));
}

std::string_view boxCharUtf8(char cp437) {
    switch (static_cast<unsigned char>(cp437)) {
    case 0xC9: return "\xE2\x95\x94"; // ╔ U+2554
    case 0xBB: return "\xE2\x95\x97"; // ╗ U+2557
    case 0xC8: return "\xE2\x95\x9A"; // ╚ U+255A
    case 0xBC: return "\xE2\x95\x9D"; // ╝ U+255D
    case 0xCD: return "\xE2\x95\x90"; // ═ U+2550
    case 0xBA: return "\xE2\x95\x91"; // ║ U+2551
    case 0xCC: return "\xE2\x95\xA0"; // ╠ U+2560
    default: return {};
    }
}

void StreamConsole::write(std::string_view bytes) {
    if (!utf8Boxes_) {
        std::fwrite(bytes.data(), 1, bytes.size(), stream_);
        return;
    }
    std::string out;
    out.reserve(bytes.size() + 16);
    for (char c : bytes) {
        const std::string_view utf8 = boxCharUtf8(c);
        if (utf8.empty())
            out += c;
        else
            out += utf8;
    }
    std::fwrite(out.data(), 1, out.size(), stream_);
}

void printError(Console& console, const char* message) {
    console.print("\r   # ERROR : %s \n", message);
}

} // namespace norvane
