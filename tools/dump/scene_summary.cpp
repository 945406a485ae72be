#include "dump/scene_summary.h"

#include <cmath>
#include <cstdio>

#include <norvane/compile.h>

#include "common/json_text.h"
#include "common/number_text.h"
#include "dump/scene_json.h"

namespace norvane::dump {
namespace {

const char* stateWord(LimitState state) {
    switch (state) {
    case LimitState::Within:
        return "ok";
    case LimitState::Close:
        return "close";
    case LimitState::Exceeds:
        return "EXCEEDS";
    }
    return "";
}

std::string coordinate(double v) { return floatText(v); }

std::size_t roomForCuts(const SceneSummary& s) {
    return s.treeVertices >= treeFileLimit ? 0 : (treeFileLimit - s.treeVertices) / 2;
}

} // namespace

SceneSummary summarizeScene(const Scene& scene) {
    SceneSummary s;
    s.meshes = scene.meshes.size();
    s.materials = scene.materials.size();
    s.lights = scene.lights.size();
    s.cameras = scene.cameras.size();
    for (const Material& material : scene.materials) s.materialNames.push_back(material.name);
    s.facesPerMaterial.assign(scene.materials.size(), 0);
    s.lo = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
    s.hi = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const Mesh& mesh : scene.meshes) {
        s.vertices += mesh.vertices.size();
        s.faces += mesh.faces.size();
        for (const Vertex& v : mesh.vertices) {
            const double p[3] = {v.x, v.y, v.z};
            if (!(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]))) continue;
            s.hasBounds = true;
            for (std::size_t k = 0; k < 3; ++k) {
                s.lo[k] = std::min(s.lo[k], p[k]);
                s.hi[k] = std::max(s.hi[k], p[k]);
            }
        }
        for (const Face& face : mesh.faces) {
            if (face.material >= 0 && static_cast<std::size_t>(face.material) < s.facesPerMaterial.size())
                ++s.facesPerMaterial[static_cast<std::size_t>(face.material)];
            else
                ++s.facesWithoutMaterial;
        }
    }
    if (!s.hasBounds) s.lo = s.hi = {0, 0, 0};
    s.treeVertices = countSceneLists(scene).vertices; // as the compiler lists them
    return s;
}

LimitState limitState(std::size_t count) {
    if (count > treeFileLimit) return LimitState::Exceeds;
    return count * 10 >= treeFileLimit * 9 ? LimitState::Close : LimitState::Within;
}

LimitState vertexLimitState(const SceneSummary& s) {
    const LimitState state = limitState(s.treeVertices);
    if (state == LimitState::Within && roomForCuts(s) < s.faces) return LimitState::Close;
    return state;
}

std::string formatSceneSummary(const std::string& path, const SceneSummary& s) {
    char buf[512];
    std::snprintf(buf, sizeof buf, ": meshes %zu, vertices %zu, faces %zu, materials %zu, lights %zu, cameras %zu\n",
                  s.meshes, s.vertices, s.faces, s.materials, s.lights, s.cameras);
    std::string out = path + buf; // a name of any length
    if (s.hasBounds)
        out += "bounds (y up): x " + coordinate(s.lo[0]) + " .. " + coordinate(s.hi[0]) + ", y " + coordinate(s.lo[1]) +
               " .. " + coordinate(s.hi[1]) + ", z " + coordinate(s.lo[2]) + " .. " + coordinate(s.hi[2]) + "\n";
    else
        out += "bounds: none (no vertex with finite coordinates)\n";
    for (std::size_t i = 0; i < s.materialNames.size(); ++i) {
        std::string name;
        appendJsonString(name, s.materialNames[i]);
        out +=
            "  material " + std::to_string(i) + ": " + name + ", faces " + std::to_string(s.facesPerMaterial[i]) + "\n";
    }
    if (s.facesWithoutMaterial) out += "  no material: faces " + std::to_string(s.facesWithoutMaterial) + "\n";

    const LimitState vertices = vertexLimitState(s), faces = limitState(s.faces), materials = limitState(s.materials);
    out += "limits of the tree file:\n";
    std::snprintf(buf, sizeof buf, "  %-7s vertices %zu of %zu before cuts; each cut adds 2: room for %zu cuts",
                  stateWord(vertices), s.treeVertices, treeFileLimit, roomForCuts(s));
    out += buf;
    if (vertices == LimitState::Close && limitState(s.treeVertices) == LimitState::Within)
        out += ", fewer than one a face";
    out += "\n";
    std::snprintf(buf, sizeof buf, "  %-7s initial faces %zu of %zu\n", stateWord(faces), s.faces, treeFileLimit);
    out += buf;
    std::snprintf(buf, sizeof buf, "  %-7s materials %zu of %zu\n", stateWord(materials), s.materials, treeFileLimit);
    out += buf;
    if (vertices == LimitState::Exceeds || faces == LimitState::Exceeds || materials == LimitState::Exceeds)
        out += "norvane will stop with \"Tree too large for the BSP file format !\" and write no tree\n";
    return out;
}

} // namespace norvane::dump
