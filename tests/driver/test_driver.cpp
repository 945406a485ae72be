// The names derived from the argument, the logo's shape, the error line and the console sinks.
#include <gtest/gtest.h>

#include <cstdio>

#include "console/console.h"
#include "driver/logo.h"
#include "driver/names.h"

namespace norvane {
namespace {

TEST(Names, DisplayAndOutputNamesFollowTheArgument) {
    struct Row {
        const char* argument;
        const char* display;
        const char* output;
    };
    const Row rows[] = {
        {"scene.3ds", "scene.3ds", "scene.bsp"},
        {"C:\\models\\scene.3ds", "\\scene.3ds", "C:\\models\\scene.bsp"},
        {"landscape.3ds", "landsca~1.3ds", "landscape.bsp"},
        {"C:\\models\\landscape.3ds", "\\landsc~1.3ds", "C:\\models\\landscape.bsp"},
        {"abcdefgh.3DS", "abcdefg~1.3ds", "abcdefgh.bsp"},
        {"abcdefg.3DS", "abcdefg.3DS", "abcdefg.bsp"},
        {"longername.max", "longernam~1", "longername.bsp"},
        {"scene", "scene", "scene.bsp"},
        {"my.dir\\scene", "\\scene", "my.bsp"},
        {"scene.old.3ds", "scene.o~1.3ds", "scene.old.bsp"},
        {"dir/sub/level.3ds", "dir/sub~1.3ds", "dir/sub/level.bsp"}, // a slash is no separator
        {"", "", ".bsp"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(makeDisplayName(r.argument), r.display) << r.argument;
        EXPECT_EQ(makeOutputName(r.argument), r.output) << r.argument;
    }
    // No length limit: a 300-character name keeps its whole output name.
    const std::string longName(300, 'a');
    EXPECT_EQ(makeOutputName(longName + ".3ds"), longName + ".bsp");
    EXPECT_EQ(makeDisplayName(longName + ".3ds"), "aaaaaaa~1.3ds");
}

TEST(Console, LogoIsEightArtLinesOf47CharactersAndTheTitle) {
    CaptureConsole console;
    printLogo(console);
    const std::string& text = console.text;
    ASSERT_EQ(text.substr(0, 1), "\n");
    std::size_t pos = 1;
    for (int line = 0; line < 8; ++line) {
        const std::size_t end = text.find('\n', pos);
        ASSERT_NE(end, std::string::npos);
        const std::string art = text.substr(pos, end - pos);
        EXPECT_EQ(art.size(), 47u) << line;
        EXPECT_TRUE(art.rfind("      ", 0) == 0) << "six or seven blanks first";
        for (char c : art) EXPECT_TRUE(c == ' ' || !boxCharUtf8(c).empty()) << "only blanks and box characters";
        pos = end + 1;
    }
    const std::string rest = text.substr(pos);
    EXPECT_EQ(rest.substr(0, 4), "\n   ");
    EXPECT_NE(rest.find("v5.0"), std::string::npos);
    EXPECT_EQ(rest.substr(rest.size() - 2), "\n\n");
}

TEST(Console, ErrorLineAndUtf8Boxes) {
    CaptureConsole console;
    printError(console, "Tree too large for the BSP file format !");
    EXPECT_EQ(console.text, "\r   # ERROR : Tree too large for the BSP file format ! \n");

    std::FILE* f = std::tmpfile();
    StreamConsole utf8(f, true);
    utf8.write("    \xCC\xCD Done \xC9\xBB\xC8\xBC\xBA");
    utf8.flush();
    std::rewind(f);
    char buf[64] = {};
    const std::size_t n = std::fread(buf, 1, sizeof buf, f);
    std::fclose(f);
    EXPECT_EQ(std::string(buf, n), "    \xE2\x95\xA0\xE2\x95\x90 Done \xE2\x95\x94\xE2\x95\x97\xE2\x95\x9A\xE2\x95\x9D\xE2\x95\x91");
}

} // namespace
} // namespace norvane
