// The material-name chunk: a material is known by its name and its place in the scene's
// array, nothing else of a material block is kept.
#include "scene/loader.h"

namespace norvane {

// A NUL-terminated name; the end of the file inside it fails the load.
int readMaterialName(LoadContext& ctx, std::int64_t) {
    if (readChunkName(ctx, ctx.currentObjectName) != 0) return -1;
    if (ctx.countingPass) {
        ++ctx.materialCount;
        return 0;
    }
    if (ctx.materialCursor >= static_cast<std::int32_t>(ctx.scene->materials.size())) return -1;
    Material& material = ctx.scene->materials[static_cast<std::size_t>(ctx.materialCursor++)];
    ctx.currentMaterial = &material;
    material.name = ctx.currentObjectName;
    return 0;
}

} // namespace norvane
