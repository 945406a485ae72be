// The vertex list a mesh's faces index: its own vertices, or the list a later vertex list of a
// 3DS file replaced after the faces were read (kept in Scene::replacedVertexLists).
#pragma once

#include <cstddef>
#include <vector>

#include "norvane/scene.h"

namespace norvane {

struct ReplacedVertexLists {
    std::vector<std::vector<Vertex>> byMesh; // empty for a mesh whose faces index its vertices
};

const std::vector<Vertex>& faceVertices(const Scene& scene, std::size_t mesh);

} // namespace norvane
