// The one operation on the scene model's 4x4 matrix (row-major: row r, column c is m[4r + c]).
#pragma once

#include "norvane/scene.h"

namespace norvane {

// Overwrites all sixteen values with the identity.
void matrixIdentity(Matrix4* matrix);

} // namespace norvane
