// Checks that a text is well-formed JSON or XML, for the tests and fuzz targets that hold the
// tools' outputs to their formats whatever the tree they were made from. Each returns the
// empty string, or what is wrong and where.
#pragma once

#include <string>
#include <string_view>

namespace norvane::test {

// RFC 8259: one value and nothing but white space around it; strings valid UTF-8 without raw
// control bytes. Nesting beyond 1000 levels counts as wrong (no output of ours nests so deep).
std::string jsonProblem(std::string_view text);

// The XML the SVG writer uses: a declaration, elements with double-quoted attributes, text and
// entity references (&amp; &lt; &gt; &quot; &#N;), every element closed in order, valid UTF-8,
// no raw control bytes but tab and line ends.
std::string xmlProblem(std::string_view text);

} // namespace norvane::test
