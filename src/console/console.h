// The one console sink. Every console text of the compiler goes through a Console, so tests
// can capture the exact bytes. The program's own texts are code page 437 bytes; text made of
// the user's bytes (the display name) goes through its own call, so that a sink that shows
// code page 437 in another encoding never takes the user's bytes for box characters.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace norvane {

// Code page 437 bytes of the box-drawing characters the console texts use.
inline constexpr char boxDownRightDouble = '\xC9';  // ╔
inline constexpr char boxDownLeftDouble = '\xBB';   // ╗
inline constexpr char boxUpRightDouble = '\xC8';    // ╚
inline constexpr char boxUpLeftDouble = '\xBC';     // ╝
inline constexpr char boxHorizontalDouble = '\xCD'; // ═
inline constexpr char boxVerticalDouble = '\xBA';   // ║
inline constexpr char boxVerticalRight = '\xCC';    // ╠

// The two stems that begin the progress lines under a heading: "╠═" for a line with more to
// follow, "╚═" for the last one. Printed through "%s".
inline constexpr char branchStem[] = {boxVerticalRight, boxHorizontalDouble, '\0'};
inline constexpr char lastStem[] = {boxUpRightDouble, boxHorizontalDouble, '\0'};

class Console {
public:
    virtual ~Console() = default;
    // The program's own text, code page 437 bytes.
    virtual void write(std::string_view bytes) = 0;
    // The user's bytes (a name as typed), shown as they came: never translated as code page 437.
    virtual void writeUserText(std::string_view bytes) = 0;
    virtual void flush() {}
#if defined(__GNUC__) && !defined(_WIN32)
    __attribute__((format(printf, 2, 3)))
#endif
    void print(const char* format, ...);
};

// Keeps everything written, both kinds of text as their exact bytes, for tests and tools.
class CaptureConsole : public Console {
public:
    void write(std::string_view bytes) override { text.append(bytes); }
    void writeUserText(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

// Writes to a C stream. When `utf8Boxes` is set, the program's code page 437 text is written
// as UTF-8 (for a terminal that expects it); the user's bytes are always written unchanged.
// When `live` is set (a person watches a terminal), what was written is flushed at least every
// few hundredths of a second: progress lines end in "\r", not "\n", and would otherwise wait in
// the stream's buffer.
class StreamConsole : public Console {
public:
    StreamConsole(std::FILE* stream, bool utf8Boxes, bool live = false)
        : stream_(stream), utf8Boxes_(utf8Boxes), live_(live) {}
    void write(std::string_view bytes) override;
    void writeUserText(std::string_view bytes) override;
    void flush() override { std::fflush(stream_); }

private:
    void keepLive();
    std::FILE* stream_;
    bool utf8Boxes_;
    bool live_;
    std::chrono::steady_clock::time_point lastFlush_{};
};

// UTF-8 spelling of a code page 437 box byte, or empty for any other byte.
std::string_view boxCharUtf8(char cp437);

// Prints "\r   # ERROR : <message> \n": the carriage return puts the error over an unfinished
// progress line.
void printError(Console& console, const char* message);

} // namespace norvane
