// The tools' shelf: the two spellings of a name in JSON, the numbers' spellings, and the
// command lines every companion program shares (--version, one-line usage errors).
#include <gtest/gtest.h>

#include <cmath>

#include <CLI/CLI.hpp>

#include <norvane/version.h>

#include "common/command_line.h"
#include "common/json_text.h"
#include "common/number_text.h"
#include "common/terminal_text.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

TEST(ToolsJsonText, NamesAsUtf8ForOutputsAndAsAsciiForPages) {
    const std::string name = "R\xE9 \"q\"\\<\x01\x7F";
    // The outputs: Latin-1 bytes as UTF-8, only quotes, backslashes and control bytes escaped.
    EXPECT_EQ(jsonString(name), "\"R\xC3\xA9 \\\"q\\\"\\\\<\\u0001\x7F\"");
    // Inside a script element: ASCII only, and never a '<' that could close the element.
    EXPECT_EQ(jsonString(name, JsonBytes::Ascii), "\"R\\u00e9 \\\"q\\\"\\\\\\u003c\\u0001\\u007f\"");
}

TEST(ToolsTerminalText, FileNamesStayAsTypedUnlessATerminalWouldActOnThem) {
    for (const char* plain : {"levels/arena.3ds", "C:\\levels\\e1m1.3ds", "caf\xC3\xA9 \xE2\x82\xAC.3ds", "a'b.3ds"})
        EXPECT_EQ(shownFileName(plain), plain);
    EXPECT_EQ(shownFileName("two\nlines"), "\"two\\x0Alines\"");
    EXPECT_EQ(shownFileName("\x1b[2J\"q\"\\"), "\"\\x1B[2J\\\"q\\\"\\\\\"");
    EXPECT_EQ(shownFileName("bad\xE9"), "\"bad\\xE9\"");            // not UTF-8 (Latin-1)
    EXPECT_EQ(shownFileName("c1\xC2\x9B"), "\"c1\\xC2\\x9B\"");     // CSI as a C1 control
    EXPECT_EQ(shownFileName("long\xC0\xAF"), "\"long\\xC0\\xAF\""); // '/' spelled too long
    EXPECT_EQ(shownFileName("cut\xE2\x82"), "\"cut\\xE2\\x82\"");
}

TEST(ToolsNumberText, FloatsReadBackAndFixedDecimals) {
    EXPECT_EQ(floatText(0.1f), "0.100000001");
    EXPECT_EQ(floatText(-0.0), "-0");
    EXPECT_EQ(doubleText(0.1), "0.10000000000000001");
    EXPECT_EQ(fixedText(2.0 / 3.0, 3), "0.667");
    // The largest double has 309 digits before the point.
    EXPECT_EQ(fixedText(1.7976931348623157e308, 2).size(), 309u + 3u);
}

// The line of a program with one file and a flag, parsed with the shared set-up.
tools::ParsedLine parse(const std::vector<std::string>& args, const tools::LineChecks& checks = {}) {
    CLI::App app{"test"};
    tools::setUpCommandLine(app, "norvane-test");
    std::string file;
    bool flag = false;
    app.add_option("FILE", file)->required();
    app.add_flag("--flag", flag);
    return tools::parseCommandLine(app, args, checks);
}

TEST(ToolsCommandLine, VersionHelpAndOneLineErrors) {
    EXPECT_EQ(parse({"a", "--flag"}).outcome, tools::LineOutcome::Run);
    const tools::ParsedLine version = parse({"a", "--version"});
    EXPECT_EQ(version.outcome, tools::LineOutcome::ShowText);
    EXPECT_EQ(version.text, "norvane-test " NORVANE_VERSION_STRING "\n");
    const tools::ParsedLine help = parse({"--help"});
    EXPECT_EQ(help.outcome, tools::LineOutcome::ShowText);
    EXPECT_NE(help.text.find("--version"), std::string::npos);
    // A word beginning with / is a file on every platform, not a Windows-style option.
    EXPECT_EQ(parse({"/flag"}).outcome, tools::LineOutcome::Run);
    const tools::ParsedLine wrong = parse({"a", "b"});
    EXPECT_EQ(wrong.outcome, tools::LineOutcome::WrongUsage);
    EXPECT_EQ(wrong.text.find('\n'), std::string::npos);
    const tools::ParsedLine refused =
        parse({"a"}, [] { throw CLI::ValidationError("--size", "expects WxH\nin range"); });
    EXPECT_EQ(refused.outcome, tools::LineOutcome::WrongUsage);
    EXPECT_EQ(refused.text, "--size: expects WxH in range");
}

// Every program prints its name and version for --version, with exit status 0.
TEST(ToolsCommandLine, EveryProgramPrintsItsVersion) {
    const std::pair<const char*, const char*> programs[] = {{NORVANE_DUMP_EXE, "norvane-dump"},
                                                            {NORVANE_SCENE_EXE, "norvane-scene"},
                                                            {NORVANE_VIEW_EXE, "norvane-view"},
                                                            {NORVANE_BUILD_EXE, "norvane-build"}};
    for (const auto& [exe, name] : programs) {
        const ToolRun run = runTool(quoted(exe) + " --version");
        EXPECT_EQ(run.status, 0) << name;
        EXPECT_EQ(run.out, std::string(name) + " " NORVANE_VERSION_STRING "\n");
        EXPECT_EQ(run.err, "");
    }
}

} // namespace
} // namespace norvane::test
