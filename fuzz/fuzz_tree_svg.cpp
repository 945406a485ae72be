// A tree drawn as norvane-dump tree --svg draws it: the picture must be well-formed XML whatever
// the tree holds. Options: the levels whose planes are drawn, and the F/B path of the subtree.
#include <cstddef>
#include <cstdint>
#include <string>

#include "dump/tree_paths.h"
#include "dump/tree_svg.h"
#include "fuzz_input.h"
#include "support/well_formed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const norvane::fuzz::TreeInput in = norvane::fuzz::splitTreeInput(data, size);
    norvane::TreeFile file;
    if (!norvane::fuzz::readCheckedTree(in.tree, file)) return 0;
    std::string path;
    for (int step = 0; step < in.options[1] % 8; ++step) path += (in.options[2] >> step) & 1 ? 'B' : 'F';
    std::string why;
    const std::int32_t top = norvane::dump::nodeAtPath(file, path, why);
    if (top < 0) return 0;
    const std::string svg = norvane::dump::treeSvg(file, top, in.options[0] % 12);
    const std::string problem = norvane::test::xmlProblem(svg);
    norvane::fuzz::require(problem.empty(), problem.c_str());
    return 0;
}
