// Prepares the process's console so that the box characters show as boxes, and puts it back
// as it was when the run ends. Output to a pipe or a file is never touched: it gets the exact
// code page 437 bytes.
#pragma once

namespace norvane {

class ConsoleSetup {
public:
    ConsoleSetup();
    ~ConsoleSetup();
    ConsoleSetup(const ConsoleSetup&) = delete;
    ConsoleSetup& operator=(const ConsoleSetup&) = delete;

    // True when the console expects UTF-8 and the box bytes must be translated.
    bool utf8Boxes() const { return utf8Boxes_; }

private:
    bool utf8Boxes_ = false;
#ifdef _WIN32
    unsigned int savedCodePage_ = 0; // the console's code page before the run, 0 when unchanged
#endif
};

} // namespace norvane
