// norvane-dump: shows what the compiler read from a scene and what a tree file holds.
#include <cstdio>
#include <string>
#include <vector>

#include "dump_commands.h"

namespace {

constexpr const char* usage =
    "usage: norvane-dump scene FILE.3ds | tree FILE.bsp [--json | --check | --svg OUT.svg] | diff A.bsp B.bsp\n";

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty()) {
        std::fputs(usage, stderr);
        return 2;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    int status = 2;
    if (command == "scene") status = norvane::dump::dumpScene(args, stdout);
    else if (command == "tree") status = norvane::dump::dumpTree(args, stdout);
    else if (command == "diff") status = norvane::dump::diffTrees(args, stdout);
    if (status == 2) std::fputs(usage, stderr);
    return status;
}
