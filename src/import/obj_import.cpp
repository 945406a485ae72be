// The OBJ reader: tinyobjloader parses the text (the .mtl read through the library's bounded
// reads); each object or group becomes a Mesh whose polygons are cut into fans.
#include <map>
#include <sstream>

#include <tiny_obj_loader.h>

#include "import/importers.h"

namespace norvane::importing {
namespace {

// Reads a material library beside the OBJ within the size limit. A missing library leaves the
// faces without material, as OBJ readers do; one too large (or a stop) fails the load.
class BoundedMaterials : public tinyobj::MaterialReader {
  public:
    BoundedMaterials(std::filesystem::path folder, const ImportOptions& options)
        : folder_(std::move(folder)), options_(options) {}
    bool operator()(const std::string& name, std::vector<tinyobj::material_t>* materials,
                    std::map<std::string, int>* names, std::string* warn, std::string* err) override {
        std::vector<std::uint8_t> bytes;
        LoadError error;
        if (!readBounded(folder_ / std::filesystem::path(name), bytes, error, options_)) {
            if (error.code != LoadErrorCode::CannotRead && !failure) failure = error;
            return false;
        }
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        tinyobj::LoadMtl(names, materials, &in, warn, err);
        return true;
    }
    LoadError failure;

  private:
    std::filesystem::path folder_;
    const ImportOptions& options_;
};

struct Corner {
    std::size_t vertex;
    int texcoord; // -1: none
};

// A shape's vertex list: the positions from its lowest to its highest index in file order, each
// with the texture coordinates it is first used with; a position used with other coordinates
// too gets a copy for each.
class ShapeVertices {
  public:
    ShapeVertices(const tinyobj::attrib_t& attrib, std::size_t lo, std::size_t hi)
        : attrib_(attrib), lo_(lo), first_(hi - lo + 1, -2) {}
    std::uint32_t index(const Corner& corner, Mesh& mesh) {
        int& first = first_[corner.vertex - lo_];
        if (first == -2) first = corner.texcoord;
        if (mesh.vertices.empty())
            for (std::size_t v = 0; v < first_.size(); ++v) mesh.vertices.push_back(vertex(lo_ + v, -1));
        if (first == corner.texcoord) {
            mesh.vertices[corner.vertex - lo_] = vertex(corner.vertex, first);
            return static_cast<std::uint32_t>(corner.vertex - lo_);
        }
        const auto [it, added] = copies_.try_emplace({corner.vertex, corner.texcoord}, mesh.vertices.size());
        if (added) mesh.vertices.push_back(vertex(corner.vertex, corner.texcoord));
        return static_cast<std::uint32_t>(it->second);
    }

  private:
    Vertex vertex(std::size_t v, int t) const {
        const float* p = &attrib_.vertices[3 * v];
        const bool uv = t >= 0;
        return sceneVertex(p[0], p[1], p[2], uv ? attrib_.texcoords[2 * std::size_t(t)] : 0.0,
                           uv ? attrib_.texcoords[2 * std::size_t(t) + 1] : 0.0);
    }
    const tinyobj::attrib_t& attrib_;
    std::size_t lo_;
    std::vector<int> first_;
    std::map<std::pair<std::size_t, int>, std::size_t> copies_;
};

bool shapeCorners(const tinyobj::attrib_t& attrib, const tinyobj::shape_t& shape, std::vector<Corner>& corners,
                  LoadError& error) {
    const std::size_t positions = attrib.vertices.size() / 3, texcoords = attrib.texcoords.size() / 2;
    for (const tinyobj::index_t& index : shape.mesh.indices) {
        if (index.vertex_index < 0 || std::size_t(index.vertex_index) >= positions)
            return fail(error, LoadErrorCode::DataOutOfRange,
                        "object \"" + shape.name + "\": a face names vertex " + std::to_string(index.vertex_index + 1) +
                            " of " + std::to_string(positions));
        if (index.texcoord_index >= 0 && std::size_t(index.texcoord_index) >= texcoords)
            return fail(error, LoadErrorCode::DataOutOfRange,
                        "object \"" + shape.name + "\": a face names texture coordinate " +
                            std::to_string(index.texcoord_index + 1) + " of " + std::to_string(texcoords));
        corners.push_back({std::size_t(index.vertex_index), index.texcoord_index < 0 ? -1 : index.texcoord_index});
    }
    return true;
}

bool addShape(const tinyobj::attrib_t& attrib, const tinyobj::shape_t& shape, std::size_t materialCount, Scene& scene,
              LoadError& error) {
    std::vector<Corner> corners;
    if (!shapeCorners(attrib, shape, corners, error)) return false;
    if (corners.empty()) return true;
    std::size_t lo = corners[0].vertex, hi = lo;
    for (const Corner& c : corners) lo = std::min(lo, c.vertex), hi = std::max(hi, c.vertex);
    Mesh mesh;
    mesh.name = shape.name.empty() ? "object " + std::to_string(scene.meshes.size()) : shape.name;
    ShapeVertices vertices(attrib, lo, hi);
    std::size_t at = 0;
    for (std::size_t f = 0; f < shape.mesh.num_face_vertices.size(); ++f) {
        const std::size_t n = shape.mesh.num_face_vertices[f];
        const int material = f < shape.mesh.material_ids.size() ? shape.mesh.material_ids[f] : -1;
        std::uint32_t first = 0, previous = 0;
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint32_t index = vertices.index(corners[at + k], mesh);
            if (k >= 2) {
                Face face;
                face.corners[0] = first, face.corners[1] = previous, face.corners[2] = index;
                face.material = material >= 0 && std::size_t(material) < materialCount ? material : -1;
                mesh.faces.push_back(face);
            }
            (k == 0 ? first : previous) = index;
        }
        at += n;
    }
    scene.meshes.push_back(std::move(mesh));
    return true;
}

} // namespace

bool importObj(const std::filesystem::path& path, Scene& scene, LoadError& error, const ImportOptions& options) {
    std::vector<std::uint8_t> bytes;
    if (!readBounded(path, bytes, error, options)) return false;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    BoundedMaterials reader(path.parent_path(), options);
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    const bool ok = tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &in, &reader, false, false);
    if (reader.failure) {
        error = reader.failure;
        return false;
    }
    if (!ok)
        return fail(error, LoadErrorCode::FileRejected,
                    err.empty() ? "the file is not OBJ" : err.substr(0, err.find('\n')));
    for (std::size_t i = 0; i < materials.size(); ++i)
        scene.materials.push_back({materials[i].name.empty() ? "material " + std::to_string(i) : materials[i].name});
    bool anyFace = false, pointsOrLines = false;
    for (const tinyobj::shape_t& shape : shapes) {
        if (!addShape(attrib, shape, materials.size(), scene, error)) return false;
        anyFace = anyFace || !shape.mesh.indices.empty();
        pointsOrLines = pointsOrLines || !shape.points.indices.empty() || !shape.lines.indices.empty();
    }
    if (!anyFace && pointsOrLines)
        return fail(error, LoadErrorCode::NotTriangles, "the file holds points or lines but no faces");
    finishImportedScene(scene);
    return true;
}

} // namespace norvane::importing
