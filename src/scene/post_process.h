// What the loader computes after the filling pass: face planes, vertex normals, camera matrices.
#pragma once

#include "scene/scene.h"

namespace norvane {

// The plane of a face from its stored corners P0, P1, P2: the normal (P2 - P0) x (P1 - P0)
// divided by its length (not checked: a face without area gets a NaN plane), d = -normal . P0.
Plane computeFacePlane(const Face& face);
void computeFacePlanes(Mesh& mesh);
// Every vertex gets the normalised sum of the planes' normals of every face corner of its mesh
// at the same position, faces and corners in order; zero when the sum has no length.
void computeVertexNormals(Mesh& mesh);
// Every vertex compared with every face corner of its mesh: the oracle of computeVertexNormals.
void computeVertexNormalsReference(Mesh& mesh);
// The camera's matrix from its first position and target keys.
void setupCamera(Camera& camera);

} // namespace norvane
