#include "scene/scene_json.h"

#include <cmath>
#include <cstdio>

namespace norvane {

void appendJsonFloat(std::string& out, float value) {
    if (std::isnan(value)) {
        out += "\"nan\"";
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? "\"inf\"" : "\"-inf\"";
        return;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(value));
    out += buf;
}

void appendJsonString(std::string& out, const std::string& bytes) {
    out += '"';
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else { // a Latin-1 byte as the UTF-8 of its code point
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out += '"';
}

void appendJsonFloats(std::string& out, const float* values, int n) {
    out += '[';
    for (int i = 0; i < n; ++i) {
        if (i) out += ", ";
        appendJsonFloat(out, values[i]);
    }
    out += ']';
}

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
    appendJsonFloats(out, light.position, 3);
    out += ", \"target\": ";
    appendJsonFloats(out, light.target, 3);
    const std::pair<const char*, float> values[] = {
        {"hotspot", light.hotspot},       {"falloff", light.falloff},
        {"innerRange", light.innerRange}, {"outerRange", light.outerRange},
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
    appendJsonFloats(out, camera.position, 3);
    out += ", \"target\": ";
    appendJsonFloats(out, camera.target, 3);
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
void appendRecords(std::string& out, const char* key, const Records& records, Append append,
                   bool last) {
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
