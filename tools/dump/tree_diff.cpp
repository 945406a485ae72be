// norvane-dump diff: placeholder until the comparison lands.
#include "dump_commands.h"

namespace norvane::dump {

int diffTrees(const std::vector<std::string>& args, std::FILE*) { return args.size() == 2 ? 1 : 2; }

} // namespace norvane::dump
