// The two names derived from the command-line argument.
#pragma once

#include <string>

namespace norvane {

// The short name shown on the loading line: the text from the last backslash on (or the whole
// name); longer than 11 characters it is cut to 7 characters plus "~1.3ds" when it ends in
// ".3ds" (any case), otherwise to 9 characters plus "~1". A forward slash is no separator.
std::string makeDisplayName(const std::string& argument);

// The tree file's name: everything from the last '.' anywhere in the argument is replaced by
// ".bsp"; without a dot ".bsp" is appended.
std::string makeOutputName(const std::string& argument);

} // namespace norvane
