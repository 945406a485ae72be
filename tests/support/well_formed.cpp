#include "support/well_formed.h"

#include <cctype>
#include <vector>

namespace norvane::test {
namespace {

// The length of the valid UTF-8 character at `i`, or 0.
std::size_t utf8At(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80                 ? 1
                          : c >= 0xC2 && c <= 0xDF ? 2
                          : c >= 0xE0 && c <= 0xEF ? 3
                          : c >= 0xF0 && c <= 0xF4 ? 4
                                                   : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

struct JsonReader {
    std::string_view s;
    std::size_t at = 0;
    std::string problem;

    bool fail(const std::string& what) {
        if (problem.empty()) problem = what + " at byte " + std::to_string(at);
        return false;
    }
    void space() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '\r' || s[at] == '\t')) ++at;
    }
    bool literal(std::string_view word) {
        if (s.substr(at, word.size()) != word) return fail("a bad literal");
        at += word.size();
        return true;
    }
    bool string() {
        ++at; // the opening quote
        while (at < s.size() && s[at] != '"') {
            const auto c = static_cast<unsigned char>(s[at]);
            if (c < 0x20) return fail("a raw control byte in a string");
            if (c == '\\') {
                if (++at >= s.size()) return fail("a string cut short");
                if (s[at] == 'u') {
                    for (int k = 1; k <= 4; ++k)
                        if (at + k >= s.size() || !std::isxdigit(static_cast<unsigned char>(s[at + k])))
                            return fail("a bad \\u escape");
                    at += 5;
                } else if (std::string_view("\"\\/bfnrt").find(s[at]) != std::string_view::npos) {
                    ++at;
                } else {
                    return fail("a bad escape");
                }
                continue;
            }
            const std::size_t n = utf8At(s, at);
            if (n == 0) return fail("a byte that is not UTF-8");
            at += n;
        }
        if (at >= s.size()) return fail("a string cut short");
        ++at;
        return true;
    }
    bool number() {
        const std::size_t start = at;
        if (s[at] == '-') ++at;
        if (at >= s.size() || !std::isdigit(static_cast<unsigned char>(s[at]))) return fail("a bad number");
        if (s[at] == '0')
            ++at;
        else
            while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) ++at;
        if (at < s.size() && s[at] == '.') {
            if (++at >= s.size() || !std::isdigit(static_cast<unsigned char>(s[at]))) return fail("a bad fraction");
            while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) ++at;
        }
        if (at < s.size() && (s[at] == 'e' || s[at] == 'E')) {
            ++at;
            if (at < s.size() && (s[at] == '+' || s[at] == '-')) ++at;
            if (at >= s.size() || !std::isdigit(static_cast<unsigned char>(s[at]))) return fail("a bad exponent");
            while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) ++at;
        }
        return at > start;
    }
    bool members(char close, bool keys, int depth) {
        ++at;
        space();
        if (at < s.size() && s[at] == close) return ++at, true;
        for (;;) {
            if (keys) {
                if (at >= s.size() || s[at] != '"' || !string()) return fail("a missing key");
                space();
                if (at >= s.size() || s[at++] != ':') return fail("a missing colon");
            }
            if (!value(depth + 1)) return false;
            space();
            if (at < s.size() && s[at] == ',') {
                ++at;
                space();
                continue;
            }
            if (at < s.size() && s[at] == close) return ++at, true;
            return fail("a missing comma or close");
        }
    }
    bool value(int depth) {
        if (depth > 1000) return fail("nesting too deep");
        space();
        if (at >= s.size()) return fail("a missing value");
        switch (s[at]) {
        case '{':
            return members('}', true, depth);
        case '[':
            return members(']', false, depth);
        case '"':
            return string();
        case 't':
            return literal("true");
        case 'f':
            return literal("false");
        case 'n':
            return literal("null");
        default:
            return number();
        }
    }
};

// An entity reference at `at` (just after '&'); its length up to and with ';', or 0.
std::size_t entityLength(std::string_view s, std::size_t at) {
    for (std::string_view name : {"amp;", "lt;", "gt;", "quot;", "apos;"})
        if (s.substr(at, name.size()) == name) return name.size();
    std::size_t k = at;
    if (k < s.size() && s[k] == '#') {
        ++k;
        const std::size_t digits = k;
        while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
        if (k > digits && k < s.size() && s[k] == ';') return k - at + 1;
    }
    return 0;
}

// Text between tags, or an attribute's value: characters, and '&' only to start a reference.
std::string textProblem(std::string_view s, std::size_t from, std::size_t to, char stop) {
    for (std::size_t i = from; i < to;) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '<' || c == stop) return "a raw '" + std::string(1, char(c)) + "' at byte " + std::to_string(i);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return "a control byte at byte " + std::to_string(i);
        if (c == '&') {
            const std::size_t n = entityLength(s, i + 1);
            if (n == 0) return "a bare '&' at byte " + std::to_string(i);
            i += 1 + n;
            continue;
        }
        const std::size_t n = utf8At(s, i);
        if (n == 0) return "a byte that is not UTF-8 at byte " + std::to_string(i);
        i += n;
    }
    return {};
}

// One tag from `at` ('<'): its name, whether it closes or is empty, its attributes checked.
std::string tagProblem(std::string_view s, std::size_t& at, std::vector<std::string>& open) {
    const std::size_t end = s.find('>', at);
    if (end == std::string_view::npos) return "a tag cut short at byte " + std::to_string(at);
    const bool closing = s[at + 1] == '/', empty = s[end - 1] == '/';
    std::size_t i = at + (closing ? 2 : 1);
    const std::size_t nameStart = i;
    while (i < end && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '-' || s[i] == ':')) ++i;
    const std::string name(s.substr(nameStart, i - nameStart));
    if (name.empty()) return "a tag without a name at byte " + std::to_string(at);
    while (!closing && i < end) { // attributes: name="value"
        while (i < end && s[i] == ' ') ++i;
        if (i >= end || s[i] == '/') break;
        const std::size_t eq = s.find("=\"", i), close = eq == std::string_view::npos ? eq : s.find('"', eq + 2);
        if (eq == std::string_view::npos || close == std::string_view::npos || close > end)
            return "a bad attribute at byte " + std::to_string(i);
        if (std::string why = textProblem(s, eq + 2, close, '"'); !why.empty()) return why;
        i = close + 1;
    }
    at = end + 1;
    if (closing) {
        if (open.empty() || open.back() != name)
            return "</" + name + "> closes nothing open at byte " + std::to_string(end);
        open.pop_back();
    } else if (!empty) {
        open.push_back(name);
    }
    return {};
}

} // namespace

std::string jsonProblem(std::string_view text) {
    JsonReader in;
    in.s = text;
    if (in.value(0)) {
        in.space();
        if (in.at != text.size()) in.fail("more after the value");
    }
    return in.problem;
}

std::string xmlProblem(std::string_view text) {
    std::size_t at = 0;
    if (text.substr(0, 5) == "<?xml") {
        at = text.find("?>");
        if (at == std::string_view::npos) return "a declaration cut short";
        at += 2;
    }
    std::vector<std::string> open;
    bool root = false;
    while (at < text.size()) {
        const std::size_t tag = text.find('<', at);
        const std::size_t to = tag == std::string_view::npos ? text.size() : tag;
        if (std::string why = textProblem(text, at, to, '\0'); !why.empty()) return why;
        if (tag == std::string_view::npos) break;
        if (open.empty() && root && text[tag + 1] != '/') return "a second root element at byte " + std::to_string(tag);
        at = tag;
        if (std::string why = tagProblem(text, at, open); !why.empty()) return why;
        root = true;
    }
    if (!open.empty()) return "<" + open.back() + "> is never closed";
    return root ? std::string() : "no element";
}

} // namespace norvane::test
