// The subcommands of norvane-dump. Each takes the arguments after its own name and returns the
// exit status: 0 done, 1 the input is broken or differs, 2 wrong usage.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace norvane::dump {

int dumpScene(const std::vector<std::string>& args, std::FILE* out);
int dumpTree(const std::vector<std::string>& args, std::FILE* out);

// Reads a whole file; false when it cannot be read.
bool readFile(const std::string& path, std::vector<unsigned char>& bytes);

} // namespace norvane::dump

namespace norvane {
struct TreeFile;
}

namespace norvane::dump {

// norvane-dump diff A.bsp B.bsp: 0 when identical, 1 with the first difference.
int diffTrees(const std::vector<std::string>& args, std::FILE* out);

// Draws a plan and a side view of every face of the tree file as SVG; false with a message.
bool writeTreeSvg(const TreeFile& file, const std::string& path, std::string& error);

} // namespace norvane::dump
