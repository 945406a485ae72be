// norvane-build's command line: the scenes and the options, or why the line is wrong.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <norvane/compile.h>

namespace norvane::batch {

struct BatchOptions {
    std::vector<std::string> scenes; // as typed; each is opened under this name
    std::string outputDir;           // -o DIR: the trees go there, named after the scenes
    std::string outputFile;          // --output FILE: the tree of the one scene
    unsigned jobs = 0;               // -j N: scenes compiled at once; 0 for the machine's cores
    bool quiet = false;              // errors only
    bool verbose = false;            // each scene's compiler console, one scene at a time
    bool json = false;               // one JSON object per scene on standard output
    bool failFast = false;           // start no scene after the first failure
    bool allowEmpty = false;         // an empty scene may replace an existing tree
    TreeFormatChoice format = TreeFormatChoice::Version50; // --format 50|51|auto
    std::int64_t giveUpScore = 65535;                      // --give-up-score N|none
    bool gltf = false;               // each tree's .glb beside it
};

enum class CommandLineAction {
    Run,        // compile `options`
    ShowText,   // print `text` (the help or the version) on standard output; exit 0
    WrongUsage, // `text` is the one-line reason; exit 2
};

struct CommandLine {
    CommandLineAction action = CommandLineAction::WrongUsage;
    BatchOptions options;
    std::string text;
};

// `args` without the program's name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

} // namespace norvane::batch
