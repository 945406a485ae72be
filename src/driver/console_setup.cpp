#include "driver/console_setup.h"

#include <clocale>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <langinfo.h>
#include <unistd.h>
#endif

namespace norvane {

#ifdef _WIN32
namespace {

// The code page to give back when the user interrupts the run (0: nothing to restore).
UINT codePageToRestore = 0;

BOOL WINAPI restoreOnInterrupt(DWORD) {
    if (codePageToRestore != 0) SetConsoleOutputCP(codePageToRestore);
    return FALSE; // go on with the default handling: the process ends
}

} // namespace
#endif

ConsoleSetup::ConsoleSetup() {
#ifdef _WIN32
    // A real console shows the bytes in its output code page: switch it to 437 for the run and
    // back afterwards, also when the user interrupts. Pipes and files get the bytes untouched.
    DWORD mode;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
        savedCodePage_ = GetConsoleOutputCP();
        if (savedCodePage_ != 437) {
            codePageToRestore = savedCodePage_;
            SetConsoleCtrlHandler(restoreOnInterrupt, TRUE);
            SetConsoleOutputCP(437);
        } else {
            savedCodePage_ = 0;
        }
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
        SetConsoleCtrlHandler(restoreOnInterrupt, FALSE);
        codePageToRestore = 0;
    }
#endif
}

} // namespace norvane
