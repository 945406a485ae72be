// The glTF reader: tinygltf parses the file (its buffers read through the library's bounded
// reads, its images never decoded), then every mesh instance of the default scene becomes a
// Mesh at its world position.
#include <array>
#include <cmath>
#include <map>

#include <tiny_gltf.h>

#include "import/gltf_accessors.h"
#include "import/importers.h"

namespace norvane::importing {
namespace {

using Matrix = std::array<double, 16>; // column-major, as glTF writes it

constexpr Matrix identityMatrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix out{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[std::size_t(k * 4 + r)] * b[std::size_t(c * 4 + k)];
            out[std::size_t(c * 4 + r)] = sum;
        }
    return out;
}

// The node's own transform: its matrix, or translation x rotation x scale.
Matrix localMatrix(const tinygltf::Node& node) {
    Matrix m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    if (node.matrix.size() == 16) {
        for (std::size_t i = 0; i < 16; ++i) m[i] = node.matrix[i];
        return m;
    }
    const auto& t = node.translation;
    const auto& s = node.scale;
    double x = 0, y = 0, z = 0, w = 1;
    if (node.rotation.size() == 4)
        x = node.rotation[0], y = node.rotation[1], z = node.rotation[2], w = node.rotation[3];
    const double r[9] = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w),     2 * (x * z - y * w),
                         2 * (x * y - z * w),     1 - 2 * (x * x + z * z), 2 * (y * z + x * w),
                         2 * (x * z + y * w),     2 * (y * z - x * w),     1 - 2 * (x * x + y * y)};
    for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
            m[std::size_t(c * 4 + row)] = r[c * 3 + row] * (s.size() == 3 ? s[std::size_t(c)] : 1.0);
    if (t.size() == 3) m[12] = t[0], m[13] = t[1], m[14] = t[2];
    return m;
}

double determinant3(const Matrix& m) {
    return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
           m[8] * (m[1] * m[6] - m[5] * m[2]);
}

struct Instance {
    int mesh;
    int node;
    Matrix world;
};

// The mesh instances of the default scene in depth-first order, children in the file's order.
bool sceneInstances(const tinygltf::Model& model, std::vector<Instance>& out, LoadError& error) {
    if (model.scenes.empty()) return true;
    const std::size_t sceneIndex = model.defaultScene >= 0 ? std::size_t(model.defaultScene) : 0;
    if (sceneIndex >= model.scenes.size())
        return fail(error, LoadErrorCode::DataOutOfRange, "the default scene does not exist");
    std::vector<bool> seen(model.nodes.size(), false);
    std::vector<std::pair<int, Matrix>> stack;
    const std::vector<int>& roots = model.scenes[sceneIndex].nodes;
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) stack.push_back({*it, identityMatrix});
    while (!stack.empty()) {
        const auto [index, parent] = stack.back();
        stack.pop_back();
        if (index < 0 || std::size_t(index) >= model.nodes.size())
            return fail(error, LoadErrorCode::DataOutOfRange, "node " + std::to_string(index) + " does not exist");
        if (seen[std::size_t(index)])
            return fail(error, LoadErrorCode::NodeCycle,
                        "node " + std::to_string(index) + " is reached twice (a cycle, or two parents)");
        seen[std::size_t(index)] = true;
        const tinygltf::Node& node = model.nodes[std::size_t(index)];
        const Matrix world = multiply(parent, localMatrix(node));
        if (node.mesh >= 0) out.push_back({node.mesh, index, world});
        for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) stack.push_back({*it, world});
    }
    return true;
}

} // namespace

namespace {

struct Reads {
    const ImportOptions* options;
    LoadError error; // the first failure of a bounded read, kept over tinygltf's own words
};

// Every file "exists": the bounded read says why one cannot be read.
bool fileExists(const std::string&, void*) { return true; }

std::string samePath(const std::string& path, void*) { return path; }

bool readFile(std::vector<unsigned char>* out, std::string* err, const std::string& path, void* user) {
    auto& reads = *static_cast<Reads*>(user);
    LoadError error;
    if (readBounded(std::filesystem::path(path), *out, error, *reads.options)) return true;
    if (!reads.error) reads.error = error;
    if (err) *err += error.message + "\n";
    return false;
}

bool writeNothing(std::string* err, const std::string&, const std::vector<unsigned char>&, void*) {
    if (err) *err += "writing is not allowed\n";
    return false;
}

// Images are never decoded: a scene keeps no pixels.
bool skipImage(tinygltf::Image*, const int, std::string*, std::string*, int, int, const unsigned char*, int, void*) {
    return true;
}

std::string firstLine(const std::string& text) {
    std::size_t start = text.find_first_not_of("\r\n ");
    if (start == std::string::npos) return "the file is not glTF 2.0";
    const std::size_t end = text.find_first_of("\r\n", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool parse(const std::filesystem::path& path, bool binary, tinygltf::Model& model, LoadError& error,
           const ImportOptions& options) {
    std::vector<std::uint8_t> bytes;
    if (!readBounded(path, bytes, error, options)) return false;
    if (bytes.size() >= 0xffffffffu) return fail(error, LoadErrorCode::FileTooLarge, "the file holds 4 GiB or more");
    Reads reads{&options, {}};
    tinygltf::TinyGLTF loader;
    loader.SetFsCallbacks({fileExists, samePath, readFile, writeNothing, &reads});
    loader.SetImageLoader(skipImage, nullptr);
    std::string err, warn;
    const std::string base = path.parent_path().string();
    const auto size = static_cast<unsigned>(bytes.size());
    const bool ok = binary ? loader.LoadBinaryFromMemory(&model, &err, &warn, bytes.data(), size, base)
                           : loader.LoadASCIIFromString(&model, &err, &warn,
                                                        reinterpret_cast<const char*>(bytes.data()), size, base);
    if (ok) return true;
    if (reads.error) {
        error = reads.error;
        return false;
    }
    return fail(error, LoadErrorCode::FileRejected, firstLine(err));
}

// Where in a mesh's vertex list the vertices of a POSITION and TEXCOORD_0 accessor pair start:
// primitives that share their vertices share them in the scene too.
using SharedVertices = std::map<std::pair<int, int>, std::uint32_t>;

bool addPrimitive(const tinygltf::Model& model, const tinygltf::Primitive& primitive, const Matrix& world,
                  const std::string& where, Mesh& mesh, SharedVertices& shared, LoadError& error) {
    const int mode = primitive.mode < 0 ? TINYGLTF_MODE_TRIANGLES : primitive.mode;
    if (mode != TINYGLTF_MODE_TRIANGLES)
        return fail(error, LoadErrorCode::NotTriangles,
                    where + " draws mode " + std::to_string(mode) + " (points, lines, strips or fans), not triangles");
    const auto position = primitive.attributes.find("POSITION");
    if (position == primitive.attributes.end())
        return fail(error, LoadErrorCode::NotTriangles, where + " has no POSITION");
    std::vector<double> points, uvs;
    std::vector<std::uint32_t> indices;
    std::string why;
    bool ok = readAccessorValues(model, position->second, 3, points, why);
    const std::size_t count = points.size() / 3;
    if (const auto uv = primitive.attributes.find("TEXCOORD_0"); ok && uv != primitive.attributes.end())
        ok = readAccessorValues(model, uv->second, 2, uvs, why) &&
             (uvs.size() == 2 * count || (why = "TEXCOORD_0 and POSITION differ in count", false));
    if (ok && primitive.indices >= 0) ok = readAccessorIndices(model, primitive.indices, indices, why);
    if (!ok) return fail(error, LoadErrorCode::DataOutOfRange, where + ": " + why);
    if (primitive.indices < 0)
        for (std::uint32_t i = 0; i < count; ++i) indices.push_back(i);
    if (indices.size() % 3 != 0)
        return fail(error, LoadErrorCode::NotTriangles, where + " is not a whole number of triangles");
    for (const std::uint32_t index : indices)
        if (index >= count)
            return fail(error, LoadErrorCode::DataOutOfRange,
                        where + ": index " + std::to_string(index) + " is not below its " + std::to_string(count) +
                            " vertices");
    if (primitive.material >= int(model.materials.size()))
        return fail(error, LoadErrorCode::DataOutOfRange, where + " names a material that does not exist");
    const auto uvAccessor = primitive.attributes.find("TEXCOORD_0");
    const std::pair<int, int> key{position->second, uvAccessor == primitive.attributes.end() ? -1 : uvAccessor->second};
    const auto [entry, added] = shared.try_emplace(key, static_cast<std::uint32_t>(mesh.vertices.size()));
    const std::uint32_t base = entry->second;
    const bool identity = world == identityMatrix;
    for (std::size_t i = 0; added && i < count; ++i) {
        const double* p = &points[3 * i];
        // Without a transform the file's numbers are kept as they are, a -0 among them.
        double w[3] = {p[0], p[1], p[2]};
        for (int r = 0; r < 3 && !identity; ++r)
            w[r] = world[std::size_t(r)] * p[0] + world[std::size_t(4 + r)] * p[1] + world[std::size_t(8 + r)] * p[2] +
                   world[std::size_t(12 + r)];
        mesh.vertices.push_back(
            sceneVertex(w[0], w[1], w[2], uvs.empty() ? 0.0 : uvs[2 * i], uvs.empty() ? 0.0 : 1.0 - uvs[2 * i + 1]));
    }
    // A mirroring transform turns the winding; the corners are turned back to keep each front.
    const bool mirrored = determinant3(world) < 0;
    for (std::size_t t = 0; t < indices.size(); t += 3) {
        Face face;
        face.corners[0] = base + indices[t];
        face.corners[1] = base + indices[mirrored ? t + 2 : t + 1];
        face.corners[2] = base + indices[mirrored ? t + 1 : t + 2];
        face.material = primitive.material;
        mesh.faces.push_back(face);
    }
    return true;
}

} // namespace

bool importGltf(const std::filesystem::path& path, bool binary, Scene& scene, LoadError& error,
                const ImportOptions& options) {
    tinygltf::Model model;
    if (!parse(path, binary, model, error, options)) return false;
    for (std::size_t i = 0; i < model.materials.size(); ++i)
        scene.materials.push_back(
            {model.materials[i].name.empty() ? "material " + std::to_string(i) : model.materials[i].name});
    std::vector<Instance> instances;
    if (!sceneInstances(model, instances, error)) return false;
    for (const Instance& instance : instances) {
        if (std::size_t(instance.mesh) >= model.meshes.size())
            return fail(error, LoadErrorCode::DataOutOfRange,
                        "node " + std::to_string(instance.node) + " names a mesh that does not exist");
        const tinygltf::Mesh& source = model.meshes[std::size_t(instance.mesh)];
        Mesh mesh;
        SharedVertices shared;
        const std::string& nodeName = model.nodes[std::size_t(instance.node)].name;
        mesh.name = !nodeName.empty()      ? nodeName
                    : !source.name.empty() ? source.name
                                           : "mesh " + std::to_string(instance.mesh);
        for (std::size_t p = 0; p < source.primitives.size(); ++p) {
            const std::string where = "mesh " + std::to_string(instance.mesh) + " primitive " + std::to_string(p);
            if (!addPrimitive(model, source.primitives[p], instance.world, where, mesh, shared, error)) return false;
        }
        scene.meshes.push_back(std::move(mesh));
    }
    finishImportedScene(scene);
    return true;
}

} // namespace norvane::importing
