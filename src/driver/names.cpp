#include "driver/names.h"

#include <cctype>

namespace norvane {

std::string makeDisplayName(const std::string& argument) {
    const std::size_t slash = argument.rfind('\\');
    std::string t = (slash == std::string::npos) ? argument : argument.substr(slash);
    if (t.size() <= 11) return t;
    bool ends3ds = false;
    if (t.size() >= 4) {
        std::string tail = t.substr(t.size() - 4);
        for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        ends3ds = (tail == ".3ds");
    }
    return ends3ds ? t.substr(0, 7) + "~1.3ds" : t.substr(0, 9) + "~1";
}

std::string makeOutputName(const std::string& argument) {
    const std::size_t dot = argument.rfind('.');
    if (dot == std::string::npos) return argument + ".bsp";
    return argument.substr(0, dot) + ".bsp";
}

} // namespace norvane
