#include "matrix4.h"

namespace norvane {

void matrixIdentity(Matrix4* matrix) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) matrix->m[4 * r + c] = (r == c) ? 1.0f : 0.0f;
}

} // namespace norvane
