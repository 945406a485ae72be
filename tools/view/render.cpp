#include "view/render.h"

#include <cassert>

#include <norvane/tree_traversal.h>

#include "view/shading.h"

namespace norvane::view {
namespace {

const TreeFileFace& faceOf(const TreeFile& file, FaceRef ref) {
    return file.nodes[static_cast<std::size_t>(ref.node)].faces[static_cast<std::size_t>(ref.face)];
}

void drawFace(Frame& frame, const PreparedTree& tree, const Projector& projector, const Point3& eye, Cull cull,
              FaceRef ref, bool depthTest) {
    const TreeFileFace& face = faceOf(*tree.file, ref);
    const bool eyeInFront = isInFront(face.plane, eye);
    if (isCulled(cull, eyeInFront)) return;
    const std::int32_t number = tree.numbering.first[static_cast<std::size_t>(ref.node)] + ref.face;
    drawTriangle(frame, projector, faceCorners(*tree.file, face), number,
                 shadedColour(materialColour(face.material, noMaterialOf(*tree.file)), face.plane, eyeInFront),
                 depthTest);
}

Frame paintWith(const PreparedTree& tree, const RenderSettings& settings, Cull cull,
                const std::vector<FaceRef>& order) {
    assert(tree.file && cull != Cull::Auto);
    Frame frame = makeFrame(settings.size, backgroundColour);
    const Projector projector = makeProjector(settings.view, settings.size);
    const Point3 eye = walkEye(settings.view);
    for (const FaceRef ref : order) drawFace(frame, tree, projector, eye, cull, ref, false);
    return frame;
}

Frame renderWith(const PreparedTree& tree, const RenderSettings& settings, Method method, Cull cull) {
    assert(tree.file && cull != Cull::Auto);
    if (method == Method::Painter)
        return paintWith(tree, settings, cull, paintersOrder(*tree.file, tree.kinds, settings.view));
    Frame frame = makeFrame(settings.size, backgroundColour);
    const Projector projector = makeProjector(settings.view, settings.size);
    const Point3 eye = walkEye(settings.view);
    for (std::size_t n = 0; n < tree.file->nodes.size(); ++n)
        for (std::size_t f = 0; f < tree.file->nodes[n].faces.size(); ++f) {
            const FaceRef ref{static_cast<std::int32_t>(n), static_cast<std::int32_t>(f)};
            if (isDrawable(*tree.file, faceOf(*tree.file, ref))) drawFace(frame, tree, projector, eye, cull, ref, true);
        }
    return frame;
}

} // namespace

PreparedTree prepareTree(const TreeFile& file) { return {&file, numberFaces(file), classifyNodes(file)}; }

bool prepareTree(const TreeFile& file, StepBudget& budget, PreparedTree& tree) {
    std::optional<std::vector<NodeKind>> kinds = classifyNodes(file, budget);
    if (!kinds) return false;
    tree = {&file, numberFaces(file), std::move(*kinds)};
    return true;
}

bool isCulled(Cull cull, bool eyeInFront) {
    assert(cull != Cull::Auto);
    return (cull == Cull::Back && !eyeInFront) || (cull == Cull::Front && eyeInFront);
}

Cull resolveCull(const PreparedTree& tree, const RenderSettings& settings) {
    if (settings.cull != Cull::Auto) return settings.cull;
    const Frame nearest = renderWith(tree, settings, Method::DepthBuffer, Cull::None);
    const Point3 eye = walkEye(settings.view);
    std::int64_t facing = 0, turnedAway = 0;
    for (const std::int32_t number : nearest.face) {
        if (number < 0) continue;
        const bool eyeInFront = isInFront(faceOf(*tree.file, faceOfNumber(tree.numbering, number)).plane, eye);
        ++(eyeInFront ? facing : turnedAway);
    }
    return facing >= turnedAway ? Cull::Back : Cull::Front;
}

Frame render(const PreparedTree& tree, const RenderSettings& settings, Method method) {
    return renderWith(tree, settings, method, resolveCull(tree, settings));
}

Frame paintInOrder(const PreparedTree& tree, const RenderSettings& settings, const std::vector<FaceRef>& order) {
    return paintWith(tree, settings, resolveCull(tree, settings), order);
}

std::uint64_t pictureSteps(const TreeFile& file, const RenderSettings& settings) {
    std::uint64_t steps = 0;
    const Projector projector = makeProjector(settings.view, settings.size);
    for (const TreeFileNode& node : file.nodes)
        for (const TreeFileFace& face : node.faces)
            if (isDrawable(file, face)) steps += triangleSteps(settings.size, projector, faceCorners(file, face));
    return steps;
}

} // namespace norvane::view
