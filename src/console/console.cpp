#include "console/console.h"

#include <cstdarg>
#include <vector>

#include "console/cp437.h"

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
    switch (cp437) {
    case boxDownRightDouble: return "\xE2\x95\x94";  // ╔
    case boxDownLeftDouble: return "\xE2\x95\x97";   // ╗
    case boxUpRightDouble: return "\xE2\x95\x9A";    // ╚
    case boxUpLeftDouble: return "\xE2\x95\x9D";     // ╝
    case boxHorizontalDouble: return "\xE2\x95\x90"; // ═
    case boxVerticalDouble: return "\xE2\x95\x91";   // ║
    case boxVerticalRight: return "\xE2\x95\xA0";    // ╠
    default: return {};
    }
}

void StreamConsole::write(std::string_view bytes) {
    if (!utf8Boxes_) {
        std::fwrite(bytes.data(), 1, bytes.size(), stream_);
    } else {
        std::string out;
        out.reserve(bytes.size() + 16);
        appendCp437AsUtf8(out, bytes);
        std::fwrite(out.data(), 1, out.size(), stream_);
    }
    keepLive();
}

void StreamConsole::writeUserText(std::string_view bytes) {
    // The user's bytes are in the encoding the name came in, which the terminal already shows.
    std::fwrite(bytes.data(), 1, bytes.size(), stream_);
    keepLive();
}

void StreamConsole::keepLive() {
    if (!live_) return;
    // A flush per progress line would cost more than a large build's search; one every 40 ms
    // is smooth to the eye.
    const auto now = std::chrono::steady_clock::now();
    if (now - lastFlush_ < std::chrono::milliseconds(40)) return;
    std::fflush(stream_);
    lastFlush_ = now;
}

void printError(Console& console, const char* message) {
    console.print("\r   # ERROR : %s \n", message);
}

} // namespace norvane
