#include "console/terminal.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "console/cp437.h"
#else
#include <langinfo.h>
#include <unistd.h>
#endif

namespace norvane {
namespace {

#ifdef _WIN32

// A Windows console, written in UTF-16. Narrow text through the C runtime would pass through
// the runtime's locale before the console sees it, which turns ╔ into É under some runtimes.
class WindowsConsole : public Console {
public:
    explicit WindowsConsole(HANDLE out) : out_(out) {}

    void write(std::string_view bytes) override {
        std::wstring text;
        text.reserve(bytes.size());
        for (char c : bytes) text += static_cast<wchar_t>(cp437ToUnicode(static_cast<unsigned char>(c)));
        writeWide(text);
    }

    void writeUserText(std::string_view bytes) override {
        // The runtime handed over the command line in the ANSI code page.
        if (bytes.empty()) return;
        const int size = static_cast<int>(bytes.size());
        const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
        if (n <= 0) return;
        std::wstring text(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, text.data(), n);
        writeWide(text);
    }

private:
    void writeWide(const std::wstring& text) {
        // Older consoles refuse very long writes: hand the text over in pieces.
        const wchar_t* p = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            const DWORD piece = static_cast<DWORD>(left < 8192 ? left : 8192);
            DWORD written = 0;
            if (!WriteConsoleW(out_, p, piece, &written, nullptr) || written == 0) return;
            p += written;
            left -= written;
        }
    }

    HANDLE out_;
};

#else

bool localeIsUtf8() {
    // Only the character type is taken from the environment, and only for this question.
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    const bool utf8 = codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
    std::setlocale(LC_CTYPE, "C");
    return utf8;
}

#endif

} // namespace

std::unique_ptr<Console> openStandardConsole() {
#ifdef _WIN32
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode;
    if (out != INVALID_HANDLE_VALUE && out != nullptr && GetConsoleMode(out, &mode))
        return std::make_unique<WindowsConsole>(out);
    return std::make_unique<StreamConsole>(stdout, false);
#else
    return std::make_unique<StreamConsole>(stdout, isatty(fileno(stdout)) && localeIsUtf8());
#endif
}

} // namespace norvane
