// A console that keeps what a compile printed, the program's text apart from the user's bytes,
// so that it can be shown later exactly as the compiler would have shown it.
#pragma once

#include <string>
#include <vector>

#include "console/console.h"

namespace norvane::batch {

class RecordingConsole : public Console {
public:
    void write(std::string_view bytes) override { append(false, bytes); }
    void writeUserText(std::string_view bytes) override { append(true, bytes); }

    // Writes everything kept to `to`, each piece through the call it came by.
    void replay(Console& to) const;
    bool empty() const { return pieces_.empty(); }
    // Whether the last thing printed ends a line.
    bool endsLine() const;

private:
    struct Piece {
        bool user;
        std::string bytes;
    };
    void append(bool user, std::string_view bytes);
    std::vector<Piece> pieces_;
};

// Forgets everything: a compile whose console nobody will see.
class DiscardingConsole : public Console {
public:
    void write(std::string_view) override {}
    void writeUserText(std::string_view) override {}
};

} // namespace norvane::batch
