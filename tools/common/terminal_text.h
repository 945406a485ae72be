// File names on lines written for a person. A name is the user's own bytes and is shown as it
// came, unless a terminal would act on it or could not show it: then the whole name is shown
// quoted, so that one line stays one line and no escape sequence reaches the terminal.
#pragma once

#include <string>
#include <string_view>

namespace norvane {

// The name as it is, or, when it holds a control byte (below 0x20, or 0x7F), a double quote,
// or (outside Windows, whose names come in the ANSI code page) a byte that is not part of a
// UTF-8 character or a C1 control (U+0080 to U+009F), the name in double quotes with '"' and
// '\' escaped by a backslash and each such byte as \xHH.
std::string shownFileName(std::string_view bytes);

} // namespace norvane
