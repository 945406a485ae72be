#include "scene3ds/scene_builder.h"

#include <algorithm>
#include <stdexcept>

#include <norvane/chunk_ids.h>

#include "scene3ds/chunk_writer.h"

namespace norvane::scene3ds {
namespace {

// The compiler stores file (x, y, z) as (x, z, y) and corners a, b, c as a, c, b; its normal
// is (P2 - P0) x (P1 - P0) over the stored corners.
std::array<double, 3> storedNormal(const Point& a, const Point& b, const Point& c) {
    auto scene = [](const Point& p) { return std::array<double, 3>{p[0], p[2], p[1]}; };
    const auto p0 = scene(a), p1 = scene(c), p2 = scene(b);
    const double e1[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const double e2[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    return {e2[1] * e1[2] - e1[1] * e2[2], e2[2] * e1[0] - e1[2] * e2[0], e2[0] * e1[1] - e1[0] * e2[1]};
}

} // namespace

std::uint16_t MeshPlan::add(Point p) {
    if (points.size() >= 65535) throw std::length_error("a mesh holds at most 65535 vertices");
    points.push_back(p);
    return static_cast<std::uint16_t>(points.size() - 1);
}

void MeshPlan::triangle(std::uint16_t a, std::uint16_t b, std::uint16_t c, Point towards, const std::string& material) {
    if (faces.size() >= 65535) throw std::length_error("a mesh holds at most 65535 faces");
    const auto n = storedNormal(points[a], points[b], points[c]);
    const double dot = n[0] * towards[0] + n[1] * towards[2] + n[2] * towards[1];
    if (dot < 0) std::swap(b, c);
    faces.push_back({a, b, c});
    faceMaterial.push_back(material);
}

void MeshPlan::quad(Point a, Point b, Point c, Point d, Point towards, const std::string& material) {
    const std::uint16_t ia = add(a), ib = add(b), ic = add(c), id = add(d);
    triangle(ia, ib, ic, towards, material);
    triangle(ia, ic, id, towards, material);
}

void MeshPlan::box(Point lo, Point hi, bool inward, const std::string& material, bool withBottom) {
    std::uint16_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = add({(i & 1) ? hi[0] : lo[0], (i & 2) ? hi[1] : lo[1], (i & 4) ? hi[2] : lo[2]});
    // Sides as corner quads with their outward axis.
    struct Side {
        int q[4];
        Point out;
    };
    const Side sides[6] = {{{0, 1, 3, 2}, {0, 0, -1}}, {{4, 5, 7, 6}, {0, 0, 1}}, {{0, 1, 5, 4}, {0, -1, 0}},
                           {{2, 3, 7, 6}, {0, 1, 0}},  {{0, 2, 6, 4}, {-1, 0, 0}}, {{1, 3, 7, 5}, {1, 0, 0}}};
    for (const Side& s : sides) {
        if (!withBottom && s.out[2] < 0) continue;
        const float k = inward ? -1.0f : 1.0f;
        const Point towards{s.out[0] * k, s.out[1] * k, s.out[2] * k};
        triangle(v[s.q[0]], v[s.q[1]], v[s.q[2]], towards, material);
        triangle(v[s.q[0]], v[s.q[2]], v[s.q[3]], towards, material);
    }
}

MeshPlan meshOf(std::string name, std::vector<Point> points, std::vector<std::array<std::uint16_t, 3>> faces,
                const std::string& material) {
    MeshPlan m;
    m.name = std::move(name);
    m.points = std::move(points);
    m.faces = std::move(faces);
    m.faceMaterial.assign(m.faces.size(), material);
    return m;
}

MaterialPlan materialOf(std::string name) {
    MaterialPlan m;
    m.name = std::move(name);
    return m;
}

namespace {

void colourChunks(ChunkWriter& w, std::uint16_t id, const std::array<float, 3>& c, bool bytes) {
    w.begin(id);
    if (bytes) {
        w.begin(chunk3ds::colourBytes);
        for (float v : c) w.u8(static_cast<std::uint8_t>(v * 255.0f));
        w.end();
    }
    w.begin(chunk3ds::colourFloat);
    w.f32s({c[0], c[1], c[2]});
    w.end();
    w.end();
}

} // namespace

void beginMainChunk(ChunkWriter& w) {
    w.begin(chunk3ds::mainChunk);
    w.begin(chunk3ds::fileVersion);
    w.u32(3);
    w.end();
}

void writeMaterial(ChunkWriter& w, const MaterialPlan& m) {
    w.begin(chunk3ds::materialBlock);
    w.chunkName(chunk3ds::materialName, m.name);
    colourChunks(w, chunk3ds::ambientColour, {m.diffuse[0] * 0.3f, m.diffuse[1] * 0.3f, m.diffuse[2] * 0.3f}, true);
    colourChunks(w, chunk3ds::diffuseColour, m.diffuse, false);
    colourChunks(w, chunk3ds::specularColour, {0.9f, 0.9f, 0.9f}, true);
    w.begin(chunk3ds::shininess);
    w.chunkU16(chunk3ds::percentInt, 20);
    w.end();
    w.chunkU16(chunk3ds::shadingType, 3);
    if (!m.texture.empty()) {
        w.begin(chunk3ds::textureMap);
        w.chunkU16(chunk3ds::percentInt, 100);
        w.chunkName(chunk3ds::mapFileName, m.texture);
        w.chunkU16(chunk3ds::mapTiling, 0);
        w.chunkF32(chunk3ds::mapUScale, 1.0f);
        w.chunkF32(chunk3ds::mapVScale, 1.0f);
        w.chunkF32(chunk3ds::mapUOffset, 0.0f);
        w.end();
    }
    w.end();
}

void writeMesh(ChunkWriter& w, const MeshPlan& m) {
    w.begin(chunk3ds::namedObject);
    w.name(m.name);
    w.begin(chunk3ds::triangleMesh);
    w.begin(chunk3ds::vertexList);
    w.u16(static_cast<std::uint16_t>(m.points.size()));
    for (const Point& p : m.points) w.f32s({p[0], p[1], p[2]});
    w.end();
    if (!m.uvs.empty()) {
        w.begin(chunk3ds::mappingCoords);
        w.u16(static_cast<std::uint16_t>(m.uvs.size()));
        for (const auto& uv : m.uvs) w.f32s({uv[0], uv[1]});
        w.end();
    }
    if (m.localAxes) {
        w.begin(chunk3ds::localAxes);
        w.f32s({1, 0, 0, 0, 1, 0, 0, 0, 1, m.origin[0], m.origin[1], m.origin[2]});
        w.end();
    }
    w.begin(chunk3ds::faceList);
    w.u16(static_cast<std::uint16_t>(m.faces.size()));
    for (const auto& f : m.faces) {
        w.u16(f[0]);
        w.u16(f[1]);
        w.u16(f[2]);
        w.u16(7);
    }
    // One face-material list per material, in order of first use.
    std::vector<std::string> names;
    for (const std::string& n : m.faceMaterial)
        if (!n.empty() && std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
    for (const std::string& n : names) {
        std::vector<std::uint16_t> list;
        for (std::size_t i = 0; i < m.faces.size(); ++i)
            if (i < m.faceMaterial.size() && m.faceMaterial[i] == n) list.push_back(static_cast<std::uint16_t>(i));
        w.begin(chunk3ds::faceMaterials);
        w.name(n);
        w.u16(static_cast<std::uint16_t>(list.size()));
        for (std::uint16_t f : list) w.u16(f);
        w.end();
    }
    if (m.smoothing) {
        w.begin(chunk3ds::smoothingGroups);
        for (std::size_t i = 0; i < m.faces.size(); ++i) w.u32(1u << (i % 4));
        w.end();
    }
    w.end();
    w.end();
    w.end();
}

void writeLight(ChunkWriter& w, const LightPlan& l) {
    w.begin(chunk3ds::namedObject);
    w.name(l.name);
    w.begin(chunk3ds::light);
    w.f32s({l.position[0], l.position[1], l.position[2]});
    w.begin(chunk3ds::colourFloat);
    w.f32s({l.colour[0], l.colour[1], l.colour[2]});
    w.end();
    if (l.spot) {
        w.begin(chunk3ds::spotlight);
        w.f32s({l.target[0], l.target[1], l.target[2], l.hotspot, l.falloff});
        w.end();
    }
    if (l.off) w.chunkEmpty(chunk3ds::lightOff);
    if (l.rayShadows) w.chunkEmpty(chunk3ds::rayShadows);
    w.chunkF32(chunk3ds::innerRange, 10.0f);
    w.chunkF32(chunk3ds::outerRange, 500.0f);
    w.chunkF32(chunk3ds::multiplier, 1.0f);
    w.end();
    w.end();
}

void writeCamera(ChunkWriter& w, const CameraPlan& c) {
    w.begin(chunk3ds::namedObject);
    w.name(c.name);
    w.begin(chunk3ds::camera);
    w.f32s({c.position[0], c.position[1], c.position[2], c.target[0], c.target[1], c.target[2], c.bank, c.lens});
    w.end();
    w.end();
}

namespace {

// A track with keys at frames 0 and endFrame; the second key carries the optional flag values.
void writeTrack(ChunkWriter& w, std::uint16_t id, const std::vector<std::vector<float>>& keyValues,
                std::uint32_t endFrame) {
    w.begin(id);
    for (int i = 0; i < 5; ++i) w.u16(0);
    w.u32(static_cast<std::uint32_t>(keyValues.size()));
    for (std::size_t k = 0; k < keyValues.size(); ++k) {
        w.u32(k == 0 ? 0 : endFrame);
        const std::uint16_t flags = k == 0 ? 0 : 0x0005; // tension and bias values follow
        w.u16(flags);
        if (flags & 1) w.f32(0.5f);
        if (flags & 4) w.f32(0.25f);
        for (float v : keyValues[k]) w.f32(v);
    }
    w.end();
}

void writeNode(ChunkWriter& w, std::uint16_t kind, std::uint16_t id, const std::string& name, std::uint16_t parent,
               const Point& position, bool rotation, std::uint32_t endFrame) {
    w.begin(kind);
    w.chunkU16(chunk3ds::nodeId, id);
    w.begin(chunk3ds::nodeHeader);
    w.name(name);
    w.u16(0x4000);
    w.u16(0);
    w.u16(parent);
    w.end();
    if (kind == chunk3ds::objectNode) {
        w.begin(chunk3ds::pivot);
        w.f32s({0, 0, 0});
        w.end();
    }
    writeTrack(w, chunk3ds::positionTrack, {{position[0], position[1], position[2]}, {position[0], position[1], position[2] + 1}},
               endFrame);
    if (rotation) {
        writeTrack(w, chunk3ds::rotationTrack, {{0, 0, 0, 1}, {1.5f, 0, 0, 1}}, endFrame);
        writeTrack(w, chunk3ds::scaleTrack, {{1, 1, 1}}, endFrame);
    }
    w.end();
}

} // namespace

std::vector<std::uint8_t> writeScene(const ScenePlan& scene) {
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(chunk3ds::editor);
    w.begin(chunk3ds::meshVersion);
    w.u32(3);
    w.end();
    for (const MaterialPlan& m : scene.materials) writeMaterial(w, m);
    w.chunkF32(chunk3ds::masterScale, 1.0f);
    for (const MeshPlan& m : scene.meshes) writeMesh(w, m);
    for (const LightPlan& l : scene.lights) writeLight(w, l);
    for (const CameraPlan& c : scene.cameras) writeCamera(w, c);
    w.end();
    if (scene.keyframer) {
        w.begin(chunk3ds::keyframer);
        w.begin(chunk3ds::frames);
        w.u32(0);
        w.u32(scene.endFrame);
        w.end();
        std::uint16_t id = 0;
        for (const MeshPlan& m : scene.meshes)
            writeNode(w, chunk3ds::objectNode, id++, m.name, 0xFFFF, m.origin, true, scene.endFrame);
        for (const CameraPlan& c : scene.cameras) {
            writeNode(w, chunk3ds::cameraNode, id++, c.name, 0xFFFF, c.position, false, scene.endFrame);
            writeNode(w, chunk3ds::targetNode, id++, c.name, 0xFFFF, c.target, false, scene.endFrame);
        }
        for (const LightPlan& l : scene.lights)
            writeNode(w, l.spot ? chunk3ds::spotlightNode : chunk3ds::lightNode, id++, l.name, 0xFFFF, l.position, false, scene.endFrame);
        w.end();
    }
    w.end();
    return w.bytes();
}

} // namespace norvane::scene3ds
