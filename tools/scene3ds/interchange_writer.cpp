#include "scene3ds/interchange_writer.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>

namespace norvane::scene3ds {
namespace {

void appendU32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xff);
}

void appendF32(std::string& out, float value) { appendU32(out, std::bit_cast<std::uint32_t>(value)); }

// A float as the shortest decimal that reads back as the same float.
std::string number(float value) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

std::string base64(const std::string& bytes) {
    static constexpr char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k) out += k <= n ? digits[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// The material index a face's name gives, as the 3DS loader finds it (-1 for none).
int materialIndex(const ScenePlan& scene, const std::string& name) {
    if (name.empty()) return -1;
    for (std::size_t i = 0; i < scene.materials.size(); ++i)
        if (scene.materials[i].name == name) return static_cast<int>(i);
    return -1;
}

int faceMaterial(const ScenePlan& scene, const MeshPlan& mesh, std::size_t face) {
    return face < mesh.faceMaterial.size() ? materialIndex(scene, mesh.faceMaterial[face]) : -1;
}

// One accessor's JSON.
std::string accessor(std::size_t view, std::size_t offset, std::size_t count, const char* type, int component) {
    return "{\"bufferView\":" + std::to_string(view) + ",\"byteOffset\":" + std::to_string(offset) +
           ",\"componentType\":" + std::to_string(component) + ",\"count\":" + std::to_string(count) + ",\"type\":\"" +
           type + "\"";
}

struct GltfParts {
    std::string bin, accessors, views, meshes, nodes;
    std::size_t accessorCount = 0, meshCount = 0;

    // Adds the bytes as a view of their own and an accessor over it; returns the accessor.
    std::size_t add(const std::string& bytes, std::size_t count, const char* type, int component,
                    const std::string& bounds = {}) {
        if (accessorCount) accessors += ",\n", views += ",\n";
        views += "{\"buffer\":0,\"byteOffset\":" + std::to_string(bin.size()) +
                 ",\"byteLength\":" + std::to_string(bytes.size()) + "}";
        accessors += accessor(accessorCount, 0, count, type, component) + bounds + "}";
        bin += bytes;
        return accessorCount++;
    }
};

std::string positionBounds(const MeshPlan& mesh) {
    float lo[3], hi[3];
    for (std::size_t i = 0; i < mesh.points.size(); ++i) {
        const Point& p = mesh.points[i];
        const float q[3] = {p[0], p[2], -p[1]};
        for (int k = 0; k < 3; ++k) {
            lo[k] = i == 0 || q[k] < lo[k] ? q[k] : lo[k];
            hi[k] = i == 0 || q[k] > hi[k] ? q[k] : hi[k];
        }
    }
    std::string out = ",\"min\":[";
    for (int k = 0; k < 3; ++k) out.append(k ? "," : "").append(number(lo[k]));
    out += "],\"max\":[";
    for (int k = 0; k < 3; ++k) out.append(k ? "," : "").append(number(hi[k]));
    return out + "]";
}

} // namespace

namespace {

// The mesh's primitives: one per run of faces of one material, all over the same vertices.
std::string primitives(const ScenePlan& scene, const MeshPlan& mesh, GltfParts& parts) {
    std::string points, uvs;
    for (std::size_t i = 0; i < mesh.points.size(); ++i) {
        const Point& p = mesh.points[i];
        appendF32(points, p[0]);
        appendF32(points, p[2]);
        appendF32(points, -p[1]);
        if (i < mesh.uvs.size()) {
            appendF32(uvs, mesh.uvs[i][0]);
            appendF32(uvs, static_cast<float>(1.0 - double(mesh.uvs[i][1])));
        }
    }
    const std::size_t position = parts.add(points, mesh.points.size(), "VEC3", 5126, positionBounds(mesh));
    std::string attributes = "{\"POSITION\":" + std::to_string(position);
    if (!mesh.uvs.empty())
        attributes += ",\"TEXCOORD_0\":" + std::to_string(parts.add(uvs, mesh.points.size(), "VEC2", 5126));
    attributes += "}";
    std::string out;
    for (std::size_t start = 0; start < mesh.faces.size();) {
        const int material = faceMaterial(scene, mesh, start);
        std::size_t end = start;
        std::string indices;
        for (; end < mesh.faces.size() && faceMaterial(scene, mesh, end) == material; ++end)
            for (const int c : {0, 2, 1}) appendU32(indices, mesh.faces[end][std::size_t(c)]);
        const std::size_t index = parts.add(indices, 3 * (end - start), "SCALAR", 5125);
        if (!out.empty()) out += ",";
        out += "{\"attributes\":" + attributes + ",\"indices\":" + std::to_string(index) + ",\"mode\":4";
        if (material >= 0) out += ",\"material\":" + std::to_string(material);
        out += "}";
        start = end;
    }
    return out;
}

std::string gltfJson(const ScenePlan& scene, const GltfParts& parts, const std::string& uri) {
    std::string out = "{\"asset\":{\"version\":\"2.0\",\"generator\":\"norvane-scene\"},\"scene\":0,\"scenes\":[{";
    if (parts.meshCount) {
        out += "\"nodes\":[";
        for (std::size_t i = 0; i < parts.meshCount; ++i) out.append(i ? "," : "").append(std::to_string(i));
        out += "]";
    }
    out += "}]";
    if (parts.meshCount) out += ",\n\"nodes\":[" + parts.nodes + "],\n\"meshes\":[" + parts.meshes + "]";
    if (!scene.materials.empty()) {
        out += ",\n\"materials\":[";
        for (std::size_t i = 0; i < scene.materials.size(); ++i) {
            const auto& d = scene.materials[i].diffuse;
            out += (i ? ",\n{\"name\":" : "{\"name\":") + quoted(scene.materials[i].name) +
                   ",\"pbrMetallicRoughness\":{\"baseColorFactor\":[" + number(d[0]) + "," + number(d[1]) + "," +
                   number(d[2]) + ",1]}}";
        }
        out += "]";
    }
    if (!parts.bin.empty()) {
        out += ",\n\"accessors\":[" + parts.accessors + "],\n\"bufferViews\":[" + parts.views + "],\n";
        out += "\"buffers\":[{\"byteLength\":" + std::to_string(parts.bin.size());
        if (!uri.empty()) out += ",\"uri\":\"" + uri + "\"";
        out += "}]";
    }
    return out + "}\n";
}

void appendChunk(std::string& out, std::uint32_t type, std::string data, char pad) {
    data.resize((data.size() + 3) / 4 * 4, pad);
    appendU32(out, static_cast<std::uint32_t>(data.size()));
    appendU32(out, type);
    out += data;
}

} // namespace

std::string writeSceneGltf(const ScenePlan& scene, bool binary) {
    GltfParts parts;
    for (const MeshPlan& mesh : scene.meshes) {
        if (mesh.faces.empty()) continue; // a glTF mesh needs a primitive; a 3DS mesh may have none
        const std::string list = primitives(scene, mesh, parts);
        if (parts.meshCount) parts.meshes += ",\n", parts.nodes += ",\n";
        parts.meshes += "{\"name\":" + quoted(mesh.name) + ",\"primitives\":[" + list + "]}";
        parts.nodes += "{\"name\":" + quoted(mesh.name) + ",\"mesh\":" + std::to_string(parts.meshCount++) + "}";
    }
    if (!binary) return gltfJson(scene, parts, "data:application/octet-stream;base64," + base64(parts.bin));
    std::string chunks;
    appendChunk(chunks, 0x4E4F534A, gltfJson(scene, parts, ""), ' ');
    if (!parts.bin.empty()) appendChunk(chunks, 0x004E4942, parts.bin, '\0');
    std::string out;
    appendU32(out, 0x46546C67);
    appendU32(out, 2);
    appendU32(out, static_cast<std::uint32_t>(12 + chunks.size()));
    return out + chunks;
}

std::string writeSceneObj(const ScenePlan& scene, const std::string& mtlName, std::string& mtl) {
    mtl.clear();
    for (const MaterialPlan& material : scene.materials)
        mtl += "newmtl " + material.name + "\nKd " + number(material.diffuse[0]) + " " + number(material.diffuse[1]) +
               " " + number(material.diffuse[2]) + "\n";
    std::string out = "# norvane-scene\nmtllib " + mtlName + "\n";
    std::size_t base = 1, uvBase = 1;
    for (const MeshPlan& mesh : scene.meshes) {
        if (mesh.faces.empty()) continue;
        out += "o " + mesh.name + "\n";
        for (const Point& p : mesh.points) out += "v " + number(p[0]) + " " + number(p[2]) + " " + number(-p[1]) + "\n";
        for (const auto& uv : mesh.uvs) out += "vt " + number(uv[0]) + " " + number(uv[1]) + "\n";
        int current = -2;
        for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
            const int material = faceMaterial(scene, mesh, f);
            if (material != current)
                out += "usemtl " +
                       (material >= 0 ? scene.materials[std::size_t(material)].name : std::string("(none)")) + "\n";
            current = material;
            out += "f";
            for (const int c : {0, 2, 1}) {
                const std::size_t v = mesh.faces[f][std::size_t(c)];
                out.append(" ").append(std::to_string(base + v));
                if (!mesh.uvs.empty()) out.append("/").append(std::to_string(uvBase + v));
            }
            out += "\n";
        }
        base += mesh.points.size();
        uvBase += mesh.uvs.size();
    }
    return out;
}

} // namespace norvane::scene3ds
