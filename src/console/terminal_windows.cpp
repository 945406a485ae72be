// The terminal on Windows: a console gets all text as UTF-16 through the console itself, and
// the key wait reads one key press from the console's input records.
#include "console/terminal.h"

#include <cassert>
#include <io.h>
#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "console/cp437.h"

namespace norvane {
namespace {

bool isConsole(HANDLE handle) {
    DWORD mode;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

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

// Keys that only change what another key means end no wait.
bool isModifier(WORD key) {
    switch (key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL: return true;
    default: return false;
    }
}

} // namespace

std::unique_ptr<Console> openStandardConsole() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (isConsole(out)) return std::make_unique<WindowsConsole>(out);
    bufferStandardOutput();
    return std::make_unique<StreamConsole>(stdout, false);
}

void waitForKey(std::FILE* input) {
    assert(input);
    // A stream without a descriptor (a process started without standard input) has none to ask.
    const int fd = _fileno(input);
    const HANDLE in = fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (!isConsole(in)) {
        std::fgetc(input);
        return;
    }
    if (!isConsole(GetStdHandle(STD_OUTPUT_HANDLE))) {
        std::fputs("norvane: waiting for a key press to end the run\n", stderr);
        std::fflush(stderr);
    }
    // Input records arrive whole and unechoed whatever the console's input mode, so the mode
    // is left as the user set it: nothing needs putting back, also when Ctrl+C ends the
    // process during the wait. A key press is a key-down record of anything but a modifier.
    for (;;) {
        INPUT_RECORD record;
        DWORD got = 0;
        if (!ReadConsoleInputW(in, &record, 1, &got) || got == 0) return;
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
            !isModifier(record.Event.KeyEvent.wVirtualKeyCode))
            return;
    }
}

} // namespace norvane
