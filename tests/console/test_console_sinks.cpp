// The console sinks: the program's code page 437 text against the user's bytes, on a terminal
// that expects UTF-8 and in a capture; and the code page table against the system's own.
#include <gtest/gtest.h>

#include <cstdio>
#include <iconv.h>
#include <string>
#include <thread>

#include "console/console.h"
#include "console/cp437.h"

namespace norvane {
namespace {

std::string throughStream(bool utf8Boxes, void (*writeAll)(Console&)) {
    std::FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    if (!f) return {};
    StreamConsole console(f, utf8Boxes);
    writeAll(console);
    console.flush();
    std::rewind(f);
    std::string out;
    char buf[256];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

// A loading line whose name holds the very bytes that code page 437 draws as ║ ╝ ╔, between
// boxes of the program's own.
void loadingLine(Console& console) {
    console.write("\xC9\xCD\xBB Loading file ");
    console.writeUserText("\xBA\xBC\xC9.3ds");
    console.print(" .. %s\n", "\xCC\xCD");
}

TEST(ConsoleSinks, UserBytesPassUnchangedWhileTheBoxesBecomeUtf8) {
    EXPECT_EQ(throughStream(true, loadingLine),
              "\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97 Loading file \xBA\xBC\xC9.3ds .. \xE2\x95\xA0\xE2\x95\x90\n");
}

TEST(ConsoleSinks, PipesAndCapturesKeepEveryByte) {
    const std::string exact = "\xC9\xCD\xBB Loading file \xBA\xBC\xC9.3ds .. \xCC\xCD\n";
    EXPECT_EQ(throughStream(false, loadingLine), exact);
    CaptureConsole capture;
    loadingLine(capture);
    EXPECT_EQ(capture.text, exact);
}

// What another reader of the file sees while the sink still holds it open.
std::string seenBy(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::string out;
    char buf[256];
    std::size_t n;
    while (f && (n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    if (f) std::fclose(f);
    return out;
}

TEST(ConsoleSinks, ALiveSinkShowsProgressLinesWithoutWaitingForItsBuffer) {
    // Progress lines end in "\r", never "\n": a terminal's line buffer would hold them back.
    const std::string path = ::testing::TempDir() + "live-console.txt";
    for (const bool live : {false, true}) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
        StreamConsole console(f, false, live);
        console.write("\r first");
        console.write("\r second"); // within the same few hundredths: may wait
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        console.write("\r third");
        EXPECT_EQ(seenBy(path), live ? "\r first\r second\r third" : "") << "live " << live;
        std::fclose(f);
    }
    std::remove(path.c_str());
}

TEST(CodePage437, EveryByteMatchesTheSystemsTable) {
    iconv_t cd = iconv_open("UTF-16LE", "IBM437");
    if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "no IBM437 converter on this system";
    for (int b = 1; b < 256; ++b) {
        char in[1] = {static_cast<char>(b)};
        char out[8] = {};
        char* inPtr = in;
        char* outPtr = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        ASSERT_NE(iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1)) << b;
        ASSERT_EQ(sizeof out - outLeft, 2u) << b;
        const char16_t expected =
            static_cast<char16_t>(static_cast<unsigned char>(out[0]) | (static_cast<unsigned char>(out[1]) << 8));
        EXPECT_EQ(cp437ToUnicode(static_cast<unsigned char>(b)), expected) << "byte " << b;
    }
    iconv_close(cd);
}

TEST(CodePage437, Utf8SpellingHasOneTwoOrThreeBytes) {
    std::string out;
    appendCp437AsUtf8(out, "a\x81\xC9\xFF\x9E");
    EXPECT_EQ(out, "a\xC3\xBC\xE2\x95\x94\xC2\xA0\xE2\x82\xA7"); // a ü ╔ nbsp ₧
}

} // namespace
} // namespace norvane
