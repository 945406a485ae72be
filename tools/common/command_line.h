// The companion programs' command lines, set up and read alike: GNU-style options before or
// after the files on every platform, --help and --version on standard output with exit status
// 0, and wrong usage as one line on standard error with exit status 2.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace norvane::tools {

// What --version prints, without the line end: "norvane-dump 5.0".
std::string versionLine(const char* program);

// Names the app, gives it --version, and takes options GNU style on every platform (a word
// that begins with / is a path, not /option).
void setUpCommandLine(CLI::App& app, const char* program);

// CLI11's message on one line.
std::string oneLine(std::string text);

enum class LineOutcome {
    Run,        // the options are in place
    ShowText,   // print `text` (the help or the version, ending in a line end) on standard output; exit 0
    WrongUsage, // `text` is the one-line reason; exit 2
};

struct ParsedLine {
    LineOutcome outcome = LineOutcome::WrongUsage;
    std::string text;
};

// Checks of the whole line once CLI11 has read it; they throw CLI::ParseError (or one of its
// kinds) to refuse it.
using LineChecks = std::function<void()>;
// The help text; app.help() when none is given.
using HelpText = std::function<std::string()>;

// Reads `args` (without the program's name) into the app's options.
ParsedLine parseCommandLine(CLI::App& app, const std::vector<std::string>& args, const LineChecks& checks = {},
                            const HelpText& help = {});

// The arguments after the program's name.
std::vector<std::string> argumentsOf(int argc, const char* const* argv);

// "PROGRAM: REASON (HINT)" on standard error; returns 2.
int usageError(const char* program, const std::string& reason, const std::string& hint);

// "PROGRAM: out of memory" on standard error, for a program's last resort; returns 1.
int outOfMemory(const char* program);

// What a parse that did not end in Run prints, and the exit status: the text on standard
// output and 0, or the usage error and 2.
int endCommandLine(const char* program, const ParsedLine& line, const std::string& hint);

} // namespace norvane::tools
