// A tree written as norvane-dump tree --json writes it: well-formed JSON whatever the tree holds
// (NaN and the infinities as strings, names escaped). The options are not used.
#include <cstddef>
#include <cstdint>
#include <string>

#include "dump/tree_json.h"
#include "fuzz_input.h"
#include "support/well_formed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const norvane::fuzz::TreeInput in = norvane::fuzz::splitTreeInput(data, size);
    norvane::TreeFile file;
    norvane::TreeFileError error;
    if (!norvane::readTreeFile(in.tree, file, error)) return 0; // --json needs no check
    std::string json;
    norvane::dump::writeTreeJson(file, [&json](std::string_view piece) { json += piece; });
    const std::string problem = norvane::test::jsonProblem(json);
    norvane::fuzz::require(problem.empty(), problem.c_str());
    return 0;
}
