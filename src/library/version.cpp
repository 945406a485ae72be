#include "norvane/version.h"

namespace norvane {

const char* version() { return NORVANE_VERSION_STRING; }

} // namespace norvane
