#include "driver/console_setup.h"

#include <clocale>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#include <unistd.h>
#endif

namespace norvane {

ConsoleSetup::ConsoleSetup() {
#ifdef _WIN32
    // A real console shows the bytes in its output code page: switch it to 437 for the run.
    DWORD mode;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
        savedCodePage_ = GetConsoleOutputCP();
        if (savedCodePage_ != 437) SetConsoleOutputCP(437);
        else savedCodePage_ = 0;
    }
#else
    if (isatty(fileno(stdout))) {
        const char* previous = std::setlocale(LC_CTYPE, "");
        const char* codeset = nl_langinfo(CODESET);
        utf8Boxes_ = codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
        (void)previous;
        std::setlocale(LC_CTYPE, "C");
    }
#endif
}

ConsoleSetup::~ConsoleSetup() {
#ifdef _WIN32
    if (savedCodePage_ != 0) {
        std::fflush(stdout);
        SetConsoleOutputCP(savedCodePage_);
    }
#endif
}

} // namespace norvane
