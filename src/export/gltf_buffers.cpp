#include "export/gltf_buffers.h"

#include <bit>
#include <cmath>

#include "export/export_text.h"

namespace norvane::exporting {
namespace {

void appendU32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xff);
}

void appendF32(std::string& out, float value) { appendU32(out, std::bit_cast<std::uint32_t>(value)); }

bool finitePosition(const Vertex& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// glTF wants unit normals; the tree's are unit to a float's precision or (0, 0, 0).
bool unitNormal(const Vertex& v) {
    const double length = std::sqrt(double(v.nx) * v.nx + double(v.ny) * v.ny + double(v.nz) * v.nz);
    return std::isfinite(length) && std::fabs(length - 1.0) <= 1e-5;
}

std::string boundsOf(const std::vector<std::uint32_t>& verts, const TreeFile& tree) {
    float lo[3], hi[3];
    for (std::size_t i = 0; i < verts.size(); ++i) {
        const Vertex& v = tree.vertices[verts[i]];
        const float p[3] = {v.x, v.y, -v.z};
        for (int k = 0; k < 3; ++k) {
            lo[k] = i == 0 || p[k] < lo[k] ? p[k] : lo[k];
            hi[k] = i == 0 || p[k] > hi[k] ? p[k] : hi[k];
        }
    }
    std::string out = "\"min\":[";
    for (int k = 0; k < 3; ++k) {
        if (k) out += ',';
        appendJsonNumber(out, lo[k]);
    }
    out += "],\"max\":[";
    for (int k = 0; k < 3; ++k) {
        if (k) out += ',';
        appendJsonNumber(out, hi[k]);
    }
    return out + "]";
}

} // namespace

GltfBuffers::GltfBuffers(const TreeFile& tree)
    : tree_(tree), stamp_(tree.vertices.size(), 0), local_(tree.vertices.size(), 0) {}

bool GltfBuffers::add(const Primitive& primitive, PrimitiveData& data) {
    ++serial_;
    std::vector<std::uint32_t> verts, indices;
    for (const TreeFileFace* face : primitive.faces) {
        bool finite = true;
        for (const std::uint32_t corner : face->verts) finite = finite && finitePosition(tree_.vertices[corner]);
        if (!finite) continue;
        for (const std::uint32_t corner : face->verts) {
            if (stamp_[corner] != serial_) {
                stamp_[corner] = serial_;
                local_[corner] = static_cast<std::uint32_t>(verts.size());
                verts.push_back(corner);
            }
            indices.push_back(local_[corner]);
        }
        data.faceIds.push_back(face->id);
    }
    if (indices.empty()) return false;
    bool normals = true, texcoords = true;
    for (const std::uint32_t i : verts) {
        const Vertex& v = tree_.vertices[i];
        normals = normals && unitNormal(v);
        texcoords = texcoords && std::isfinite(v.u) && std::isfinite(v.v);
    }
    const auto addAccessor = [&](ViewKind view, std::size_t count, std::string bounds) {
        accessors.push_back({view, views[view].size(), count, std::move(bounds)});
        return static_cast<int>(accessors.size() - 1);
    };
    data.position = addAccessor(positionView, verts.size(), boundsOf(verts, tree_));
    if (normals) data.normal = addAccessor(normalView, verts.size(), {});
    if (texcoords) data.texcoord = addAccessor(texcoordView, verts.size(), {});
    data.indices = addAccessor(indexView, indices.size(), {});
    for (const std::uint32_t i : verts) {
        const Vertex& v = tree_.vertices[i];
        appendF32(views[positionView], v.x);
        appendF32(views[positionView], v.y);
        appendF32(views[positionView], -v.z);
        if (normals) {
            appendF32(views[normalView], v.nx);
            appendF32(views[normalView], v.ny);
            appendF32(views[normalView], -v.nz);
        }
        if (texcoords) {
            appendF32(views[texcoordView], v.u);
            appendF32(views[texcoordView], static_cast<float>(1.0 - double(v.v)));
        }
    }
    for (const std::uint32_t index : indices) appendU32(views[indexView], index);
    return true;
}

} // namespace norvane::exporting
