// A generated scene written as glTF 2.0 or OBJ, carrying what the 3DS file carries of the
// meshes as the library reads it back: the same vertices, faces, order and materials. Points
// go from the plan's z-up axes to y-up ones as (x, z, -y), and each face's corners as (a, c, b),
// so importing gives the scene loading the 3DS gives. Lights, cameras, smoothing groups, local
// axes and the keyframer are not written; glTF's texture v is 1 - v.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene3ds/scene_builder.h"

namespace norvane::scene3ds {

// A .glb when `binary`, else a .gltf with its buffer embedded as a data URI.
std::string writeSceneGltf(const ScenePlan& scene, bool binary);

// The OBJ, naming its material library `mtlName`, and the library in `mtl`.
std::string writeSceneObj(const ScenePlan& scene, const std::string& mtlName, std::string& mtl);

} // namespace norvane::scene3ds
