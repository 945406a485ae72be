#include "common/command_line.h"

#include <cstdio>

#include <CLI/CLI.hpp>

#include <norvane/version.h>

namespace norvane::tools {
namespace {

ParsedLine shown(std::string text) { return {LineOutcome::ShowText, std::move(text)}; }

} // namespace

std::string versionLine(const char* program) { return std::string(program) + " " + version(); }

void setUpCommandLine(CLI::App& app, const char* program) {
    app.name(program);
    app.set_version_flag("--version", versionLine(program));
    app.allow_windows_style_options(false);
}

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

ParsedLine parseCommandLine(CLI::App& app, const std::vector<std::string>& args, const LineChecks& checks,
                            const HelpText& help) {
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
        if (checks) checks();
    } catch (const CLI::CallForHelp&) {
        return shown(help ? help() : app.help());
    } catch (const CLI::CallForAllHelp&) {
        return shown(help ? help() : app.help());
    } catch (const CLI::CallForVersion&) {
        return shown(versionLine(app.get_name().c_str()) + "\n");
    } catch (const CLI::ParseError& e) {
        return {LineOutcome::WrongUsage, oneLine(e.what())};
    }
    return {LineOutcome::Run, {}};
}

std::vector<std::string> argumentsOf(int argc, const char* const* argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

int usageError(const char* program, const std::string& reason, const std::string& hint) {
    std::fprintf(stderr, "%s: %s (%s)\n", program, reason.c_str(), hint.c_str());
    return 2;
}

int outOfMemory(const char* program) {
    // fputs needs no memory of its own for an unbuffered stream.
    std::fputs(program, stderr);
    std::fputs(": out of memory\n", stderr);
    return 1;
}

int endCommandLine(const char* program, const ParsedLine& line, const std::string& hint) {
    if (line.outcome == LineOutcome::WrongUsage) return usageError(program, line.text, hint);
    std::fputs(line.text.c_str(), stdout);
    return 0;
}

} // namespace norvane::tools
