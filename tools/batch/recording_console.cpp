#include "batch/recording_console.h"

namespace norvane::batch {

void RecordingConsole::append(bool user, std::string_view bytes) {
    if (bytes.empty()) return;
    if (!pieces_.empty() && pieces_.back().user == user)
        pieces_.back().bytes.append(bytes);
    else
        pieces_.push_back(Piece{user, std::string(bytes)});
}

void RecordingConsole::replay(Console& to) const {
    for (const Piece& piece : pieces_) {
        if (piece.user)
            to.writeUserText(piece.bytes);
        else
            to.write(piece.bytes);
    }
}

bool RecordingConsole::endsLine() const { return !pieces_.empty() && pieces_.back().bytes.back() == '\n'; }

} // namespace norvane::batch
