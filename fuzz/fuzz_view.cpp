// A tree drawn as norvane-view draws it, at small sizes: the painter's picture, the depth
// buffer's, the comparison of the two, the leaves' order within a budget, and a pick. Options:
// width, height, orbit, elevation, field of view, cull, then which of --zbuffer and the pick.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "view/agreement.h"
#include "view/render.h"

namespace {

using namespace norvane;
using namespace norvane::view;

RenderSettings settingsOf(const fuzz::TreeInput& in, const Bounds& bounds) {
    const auto& o = in.options;
    RenderSettings settings;
    settings.size = {1 + o[0] % 48, 1 + o[1] % 32};
    settings.cull = static_cast<Cull>(o[5] % 4);
    settings.view =
        orbitView(bounds, o[2] * (360.0 / 256) - 180, o[3] * (180.0 / 256) - 90, 1 + o[4] % 170, settings.size);
    return settings;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::TreeInput in = fuzz::splitTreeInput(data, size);
    TreeFile file;
    if (!fuzz::readCheckedTree(in.tree, file)) return 0;
    const Bounds bounds = treeBounds(file);
    fuzz::require(bounds.empty || (isFinite(bounds.lo) && isFinite(bounds.hi)), "the box of the drawn faces is finite");
    const RenderSettings settings = settingsOf(in, bounds);
    if (pictureSteps(file, settings) > (1u << 20)) return 0; // a limit as norvane-view's, smaller
    StepBudget budget{1u << 20};
    PreparedTree tree;
    if (!prepareTree(file, budget, tree)) return 0;
    const Frame painter = render(tree, settings, (in.options[6] & 1) ? Method::DepthBuffer : Method::Painter);
    const Frame depth = render(tree, settings, Method::DepthBuffer);
    const Agreement a = compareFrames(tree, settings, painter, depth);
    fuzz::require(a.covered >= a.same + a.wrong, "the comparison counts only covered pixels");
    for (std::size_t k = 0; k < painter.face.size(); ++k)
        if (painter.face[k] >= 0) (void)faceOfNumber(tree.numbering, painter.face[k]);
    return 0;
}
