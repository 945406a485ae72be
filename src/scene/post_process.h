// What the loader computes after the filling pass: face planes, vertex normals, camera matrices.
#pragma once

#include <vector>

#include "norvane/scene.h"

namespace norvane {

// `corners` is the list the mesh's faces index (faceVertices): its own vertices, or a list a
// later vertex list replaced.

// The plane of a triangle from its stored corners P0, P1, P2: the normal (P2 - P0) x (P1 - P0)
// divided by its length (not checked: a face without area gets a NaN plane), d = -normal . P0.
Plane computeFacePlane(const Vertex& p0, const Vertex& p1, const Vertex& p2);
void computeFacePlanes(Mesh& mesh, const std::vector<Vertex>& corners);
// Every vertex gets the normalised sum of the planes' normals of every face corner of its mesh
// at the same position, faces and corners in order; zero when the sum has no length.
void computeVertexNormals(Mesh& mesh, const std::vector<Vertex>& corners);
// Every vertex compared with every face corner of its mesh: the oracle of computeVertexNormals.
void computeVertexNormalsReference(Mesh& mesh, const std::vector<Vertex>& corners);
// The camera's matrix from its first position and target keys.
void setupCamera(Camera& camera);

} // namespace norvane
