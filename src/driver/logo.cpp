#include "driver/logo.h"

#include <string>

namespace norvane {
namespace {

// The art in placeholders, one per box character: ( ╔  ) ╗  [ ╚  ] ╝  - ═  | ║.
// Each line is 47 characters: six blanks, then B, S and P, eleven columns each, four apart.
constexpr const char* logoArt[8] = {
    "      (---------)    (---------)    (---------)",
    "      |  (---)  |    |  (------]    |  (---)  |",
    "      |  [---] (]    |  |           |  |   |  |",
    "      |  (---) [)    |  [------)    |  [---]  |",
    "      |  |   |  |    [------)  |    |  (------]",
    "      |  |   |  |           |  |    |  |       ",
    "      |  [---]  |    (------]  |    |  |       ",
    "      [---------]    [---------]    [--]       ",
};

char toCodePage437(char placeholder) {
    switch (placeholder) {
    case '(': return boxDownRightDouble;
    case ')': return boxDownLeftDouble;
    case '[': return boxUpRightDouble;
    case ']': return boxUpLeftDouble;
    case '-': return boxHorizontalDouble;
    case '|': return boxVerticalDouble;
    default: return placeholder;
    }
}

} // namespace

void printLogo(Console& console) {
    std::string text = "\n";
    for (const char* line : logoArt) {
        for (const char* p = line; *p; ++p) text += toCodePage437(*p);
        text += '\n';
    }
    text += "\n   Norvane BSP scene compiler v5.0\n\n";
    console.write(text);
}

} // namespace norvane
