// The loaded scene as JSON: everything the loader read, for users who want to see what the
// compiler saw. Floats print so that they parse back to the same 32-bit float; NaN and the
// infinities print as the strings "nan", "inf" and "-inf".
#pragma once

#include <string>

#include <norvane/scene.h>

namespace norvane {

std::string sceneToJson(const Scene& scene);

} // namespace norvane
