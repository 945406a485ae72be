// The checks the campaign and the fuzz targets hold the tools' outputs to: they take what the
// tools write and catch each way of breaking JSON or XML.
#include <gtest/gtest.h>

#include "dump/tree_json.h"
#include "dump/tree_svg.h"
#include "support/test_support.h"
#include "support/well_formed.h"

namespace norvane::test {
namespace {

TEST(WellFormed, TheToolsOutputsPass) {
    const Compiled c = compileBytes(boxScene());
    ASSERT_TRUE(c.tree);
    std::string json;
    dump::writeTreeJson(*c.tree, [&json](std::string_view piece) { json += piece; });
    EXPECT_EQ(jsonProblem(json), "");
    EXPECT_EQ(xmlProblem(dump::treeSvg(*c.tree, 0, 4)), "");
    EXPECT_EQ(jsonProblem("[1, -0.5e-3, \"\\u00e9\xC3\xA9\", {\"a\": [true, false, null]}, {}]"), "");
}

TEST(WellFormed, EachBreakageIsCaught) {
    for (const char* json : {"", "[1, 2", "[1 2]", "{\"a\" 1}", "{a: 1}", "[01]", "[1.]", "[\"\x01\"]", "[\"\xff\"]",
                             "[\"\\x41\"]", "[nul]", "[1] [2]", "[\"nan\"", "[1,]"})
        EXPECT_NE(jsonProblem(json), "") << json;
    for (const char* xml : {"", "<a>", "<a></b>", "<a></a><b/>", "<a x=\"1\" y=2/>", "<a>&</a>", "<a>&bogus;</a>",
                            "<a>1 < 2</a>", "<a x=\"<\"/>", "<a>\x01</a>", "<a>\xff</a>", "</a>"})
        EXPECT_NE(xmlProblem(xml), "") << xml;
    EXPECT_EQ(xmlProblem("<?xml version=\"1.0\"?>\n<a x=\"&quot;&#38;\"><b/>t&amp;&lt;</a>\n"), "");
}

} // namespace
} // namespace norvane::test
