// The glTF and OBJ readers behind importScene, and what they share.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "norvane/import.h"

namespace norvane::importing {

bool importGltf(const std::filesystem::path& path, bool binary, Scene& scene, LoadError& error,
                const ImportOptions& options);
bool importObj(const std::filesystem::path& path, Scene& scene, LoadError& error, const ImportOptions& options);

// Sets the error (offset 0) and returns false.
bool fail(LoadError& error, LoadErrorCode code, std::string message);

// A file the scene names, read whole within the options' size limit; false with the error set.
bool readBounded(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes, LoadError& error,
                 const ImportOptions& options);

// A point of the y-up right-handed frame as the scene keeps it: z negated, rounded to float.
Vertex sceneVertex(double x, double y, double z, double u, double v);

// Face planes and vertex normals, computed as the 3DS loader computes them.
void finishImportedScene(Scene& scene);

} // namespace norvane::importing
