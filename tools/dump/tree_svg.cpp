// norvane-dump tree --svg: placeholder until the drawing lands.
#include "dump_commands.h"

namespace norvane::dump {

bool writeTreeSvg(const TreeFile&, const std::string&, std::string& error) {
    error = "drawing is not available yet";
    return false;
}

} // namespace norvane::dump
