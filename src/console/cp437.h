// Code page 437, the character set of the program's console texts, and its spellings in
// Unicode for the terminals and consoles that do not show it directly.
#pragma once

#include <string>
#include <string_view>

namespace norvane {

// The Unicode character a code page 437 byte shows. The bytes below 0x80 are ASCII and map to
// themselves, control characters included: the console texts use "\r", "\n" and "\b" as such.
char16_t cp437ToUnicode(unsigned char byte);

// Appends the UTF-8 spelling of code page 437 text to `out`.
void appendCp437AsUtf8(std::string& out, std::string_view cp437);

} // namespace norvane
