// 4x4 matrix of 32-bit floats, row-major: the element in row r and column c is m[4r + c].
#pragma once

namespace norvane {

struct Matrix4 {
    float m[16] = {};
};

// Overwrites all sixteen values with the identity.
void matrixIdentity(Matrix4* matrix);

} // namespace norvane
