// The material-name chunk: a material is known by its name and its place in the scene's
// array, nothing else of a material block is kept.
#include "scene/chunk_reader.h"

namespace norvane {

// A NUL-terminated name; the end of the file inside it fails the load.
LoadStatus readMaterialName(LoadContext& ctx, std::int64_t) {
    if (const LoadStatus status = readChunkName(ctx, ctx.currentObjectName); status != LoadStatus::None) return status;
    if (ctx.countingPass) {
        ++ctx.materialCount;
        return LoadStatus::None;
    }
    if (ctx.materialCursor >= static_cast<std::int32_t>(ctx.scene->materials.size())) return LoadStatus::PassesDisagree;
    Material& material = ctx.scene->materials[static_cast<std::size_t>(ctx.materialCursor++)];
    material.name = ctx.currentObjectName;
    return LoadStatus::None;
}

} // namespace norvane
