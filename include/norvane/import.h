// Scenes from the formats modellers write today: glTF 2.0 (.gltf with embedded or external
// buffers, .glb) and Wavefront OBJ (.obj with its .mtl), loaded into the same Scene a 3DS file
// fills.
//
// Rules: every mesh instance of the glTF's default scene is one Mesh at its world position (node
// transforms composed in double, each position rounded to float once); an OBJ gives a Mesh per
// object or group, its polygons cut into fans from their first corner. Triangles keep the file's
// order; materials are the file's, in its order, named by it or "material N". The y-up,
// right-handed frame of both becomes the scene's by negating z, each face keeping its facing.
// Texture coordinates: the tree's (u, v) are OBJ's (u, v) and glTF's (u, 1 - v).
#pragma once

#include <filesystem>

#include "norvane/scene.h"

namespace norvane {

enum class SceneFormat { ThreeDs, Gltf, Glb, Obj, Unknown };

// The format a file's name says, by its extension in any case.
SceneFormat sceneFormatOf(const std::filesystem::path& path);

struct ImportOptions {
    LoadOptions load; // maxFileSize bounds the file and every file it names (buffers, .mtl)
};

// Loads the scene in the format its name says (a .3ds exactly as loadScene does): true with
// the scene, or false with the reason in `error` (the scene is then empty). Prints nothing.
bool importScene(const std::filesystem::path& path, Scene& scene, LoadError& error, const ImportOptions& options = {});

} // namespace norvane
