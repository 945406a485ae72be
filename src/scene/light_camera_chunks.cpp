// Handlers of the light and camera chunks. Light positions and spotlight targets are stored
// in scene axes (x, z, y); the camera chunk's values are stored in file order.
#include "scene/chunk_reader.h"

namespace norvane {
namespace {

Light* fillingLight(LoadContext& ctx) { return ctx.countingPass ? nullptr : ctx.currentLight; }

bool readFloats(LoadContext& ctx, float* out, int n) {
    for (int i = 0; i < n; ++i)
        if (!ctx.in.f32(out[i])) return false;
    return true;
}

} // namespace

// Three f32: the light's position.
LoadStatus readLight(LoadContext& ctx, std::int64_t) {
    float p[3];
    if (!readFloats(ctx, p, 3)) return LoadStatus::PastEndOfFile;
    if (ctx.countingPass) {
        ++ctx.lightCount;
        return LoadStatus::None;
    }
    if (ctx.lightCursor >= static_cast<std::int32_t>(ctx.scene->lights.size())) return LoadStatus::PassesDisagree;
    Light& light = ctx.scene->lights[static_cast<std::size_t>(ctx.lightCursor++)];
    ctx.currentLight = &light;
    light.name = ctx.currentObjectName;
    light.position = Point3{p[0], p[2], p[1]};
    light.isSpot = 0;
    return LoadStatus::None;
}

// Five f32: target x, y, z, hotspot, falloff.
LoadStatus readSpotlight(LoadContext& ctx, std::int64_t) {
    float v[5];
    if (!readFloats(ctx, v, 5)) return LoadStatus::PastEndOfFile;
    if (Light* light = fillingLight(ctx)) {
        light->isSpot = 1;
        light->target = Point3{v[0], v[2], v[1]};
        light->hotspot = v[3];
        light->falloff = v[4];
    }
    return LoadStatus::None;
}

LoadStatus readLightOff(LoadContext& ctx, std::int64_t) {
    if (Light* light = fillingLight(ctx)) light->isOff = 1;
    return LoadStatus::None;
}

LoadStatus readRayShadows(LoadContext& ctx, std::int64_t) {
    if (Light* light = fillingLight(ctx)) light->rayShadows = 1;
    return LoadStatus::None;
}

namespace {

LoadStatus readLightValue(LoadContext& ctx, float Light::*field) {
    float v;
    if (!ctx.in.f32(v)) return LoadStatus::PastEndOfFile;
    if (Light* light = fillingLight(ctx)) light->*field = v;
    return LoadStatus::None;
}

} // namespace

LoadStatus readInnerRange(LoadContext& ctx, std::int64_t) { return readLightValue(ctx, &Light::innerRange); }
LoadStatus readOuterRange(LoadContext& ctx, std::int64_t) { return readLightValue(ctx, &Light::outerRange); }
LoadStatus readMultiplier(LoadContext& ctx, std::int64_t) { return readLightValue(ctx, &Light::multiplier); }

// Eight f32: position x, y, z, target x, y, z, bank, lens, all in file order.
LoadStatus readCamera(LoadContext& ctx, std::int64_t) {
    float v[8];
    if (!readFloats(ctx, v, 8)) return LoadStatus::PastEndOfFile;
    if (ctx.countingPass) {
        ++ctx.cameraCount;
        return LoadStatus::None;
    }
    if (ctx.cameraCursor >= static_cast<std::int32_t>(ctx.scene->cameras.size())) return LoadStatus::PassesDisagree;
    Camera& camera = ctx.scene->cameras[static_cast<std::size_t>(ctx.cameraCursor++)];
    camera.position = Point3{v[0], v[1], v[2]};
    camera.target = Point3{v[3], v[4], v[5]};
    camera.bank = v[6];
    camera.lens = v[7];
    camera.name = ctx.currentObjectName;
    return LoadStatus::None;
}

} // namespace norvane
