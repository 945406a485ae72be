#include "dump/scene_json.h"

#include <cmath>
#include <cstdio>

#include "common/json_text.h"

namespace norvane {

namespace {

void appendInt(std::string& out, long long v) { out += std::to_string(v); }

// [[frame, x, y, z], ...] or, with angles, [[frame, angle, x, y, z], ...]; null when no track
// was stored.
void appendTrack(std::string& out, const KeyTrack& track, bool withAngle) {
    if (!track.stored) {
        out += "null";
        return;
    }
    out += '[';
    for (std::size_t i = 0; i < track.count(); ++i) {
        if (i) out += ", ";
        std::vector<float> key{track.frames[i]};
        if (withAngle) key.push_back(track.angle[i]);
        key.insert(key.end(), {track.x[i], track.y[i], track.z[i]});
        appendJsonFloats(out, key.data(), static_cast<int>(key.size()));
    }
    out += ']';
}

void appendMesh(std::string& out, const Mesh& mesh) {
    out += "    {\"name\": ";
    appendJsonString(out, mesh.name);
    out += ", \"nodeId\": ";
    appendInt(out, mesh.nodeId);
    out += ", \"parentId\": ";
    appendInt(out, mesh.parentId);
    out += ",\n     \"localMatrix\": ";
    appendJsonFloats(out, mesh.localMatrix.m, 16);
    out += ",\n     \"vertices\": [";
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
        const Vertex& v = mesh.vertices[i];
        if (i) out += ", ";
        const float f[8] = {v.x, v.y, v.z, v.u, v.v, v.nx, v.ny, v.nz};
        appendJsonFloats(out, f, 8);
    }
    out += "],\n     \"faces\": [";
    for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
        const Face& f = mesh.faces[i];
        if (i) out += ", ";
        out += '[';
        for (int k = 0; k < 3; ++k) {
            appendInt(out, f.corners[k]);
            out += ", ";
        }
        appendInt(out, f.material);
        const float p[4] = {f.plane.a, f.plane.b, f.plane.c, f.plane.d};
        for (float v : p) {
            out += ", ";
            appendJsonFloat(out, v);
        }
        out += ']';
    }
    out += "],\n     \"positionKeys\": ";
    appendTrack(out, mesh.positionKeys, false);
    out += ",\n     \"rotationKeys\": ";
    appendTrack(out, mesh.rotationKeys, true);
    out += '}';
}

void appendLight(std::string& out, const Light& light) {
    out += "    {\"name\": ";
    appendJsonString(out, light.name);
    out += ", \"isSpot\": " + std::to_string(light.isSpot);
    out += ", \"isOff\": " + std::to_string(light.isOff);
    out += ", \"rayShadows\": " + std::to_string(light.rayShadows);
    out += ", \"position\": ";
    appendJsonPoint(out, light.position);
    out += ", \"target\": ";
    appendJsonPoint(out, light.target);
    const std::pair<const char*, float> values[] = {{"hotspot", light.hotspot},
                                                    {"falloff", light.falloff},
                                                    {"innerRange", light.innerRange},
                                                    {"outerRange", light.outerRange},
                                                    {"multiplier", light.multiplier}};
    for (const auto& [key, value] : values) {
        out += ", \"";
        out += key;
        out += "\": ";
        appendJsonFloat(out, value);
    }
    out += ", \"colour\": ";
    appendJsonFloats(out, light.colour, 3);
    out += ", \"colour255\": [";
    for (int i = 0; i < 3; ++i) {
        if (i) out += ", ";
        appendInt(out, light.colour255[i]);
    }
    out += "]}";
}

void appendCamera(std::string& out, const Camera& camera) {
    out += "    {\"name\": ";
    appendJsonString(out, camera.name);
    out += ", \"matrix\": ";
    appendJsonFloats(out, camera.matrix.m, 16);
    out += ", \"position\": ";
    appendJsonPoint(out, camera.position);
    out += ", \"target\": ";
    appendJsonPoint(out, camera.target);
    out += ", \"bank\": ";
    appendJsonFloat(out, camera.bank);
    out += ", \"lens\": ";
    appendJsonFloat(out, camera.lens);
    out += ",\n     \"positionKeys\": ";
    appendTrack(out, camera.positionKeys, false);
    out += ",\n     \"targetKeys\": ";
    appendTrack(out, camera.targetKeys, false);
    out += '}';
}

template <class Records, class Append>
void appendRecords(std::string& out, const char* key, const Records& records, Append append, bool last) {
    out += "  \"";
    out += key;
    out += "\": [";
    for (std::size_t i = 0; i < records.size(); ++i) {
        out += i ? ",\n" : "\n";
        append(out, records[i]);
    }
    out += last ? "]\n" : "],\n";
}

} // namespace

std::string sceneToJson(const Scene& scene) {
    std::string out = "{\n  \"startFrame\": " + std::to_string(scene.startFrame) +
                      ", \"endFrame\": " + std::to_string(scene.endFrame) + ",\n  \"materials\": [";
    for (std::size_t i = 0; i < scene.materials.size(); ++i) {
        if (i) out += ", ";
        appendJsonString(out, scene.materials[i].name);
    }
    out += "],\n";
    appendRecords(out, "meshes", scene.meshes, appendMesh, false);
    appendRecords(out, "lights", scene.lights, appendLight, false);
    appendRecords(out, "cameras", scene.cameras, appendCamera, true);
    out += "}\n";
    return out;
}

} // namespace norvane
