// The fast plane search against the straightforward one on thousands of generated nodes:
// random and axis-aligned sets, coplanar and duplicated faces, faces far from the origin where
// rounding meets the tolerance, and faces without a plane.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "bsp/plane_choice.h"
#include "scene/loader.h"

namespace norvane {
namespace {

struct Node {
    std::vector<Vertex> vertices;
    std::vector<BspFace> faces;
};

// Faces get their planes as the loader computes them.
void addFace(Node& node, const Vertex& a, const Vertex& b, const Vertex& c) {
    BspFace f;
    for (const Vertex* v : {&a, &b, &c}) {
        f.verts[v == &a ? 0 : v == &b ? 1 : 2] = static_cast<std::uint32_t>(node.vertices.size());
        node.vertices.push_back(*v);
    }
    Face face;
    face.verts[0] = &node.vertices[f.verts[0]];
    face.verts[1] = &node.vertices[f.verts[1]];
    face.verts[2] = &node.vertices[f.verts[2]];
    f.plane = computeFacePlane(face);
    node.faces.push_back(f);
}

Node randomNode(std::mt19937& rng, int large = 0) {
    Node node;
    const int kind = large ? large : static_cast<int>(rng() % 6);
    const int n = large ? 2600 : 1 + static_cast<int>(rng() % (kind == 5 ? 400 : 60));
    const double offset = kind == 3 ? std::ldexp(1.0, 10 + static_cast<int>(rng() % 14)) : 0.0;
    std::uniform_real_distribution<double> unit(-1, 1);
    auto point = [&](double scale) {
        Vertex v;
        if (kind == 1) { // a lattice: axis-aligned, coplanar and shared planes
            v.x = static_cast<float>(static_cast<int>(rng() % 5));
            v.y = static_cast<float>(static_cast<int>(rng() % 5));
            v.z = static_cast<float>(static_cast<int>(rng() % 5));
            return v;
        }
        v.x = static_cast<float>(offset + scale * unit(rng));
        v.y = static_cast<float>(offset + scale * unit(rng));
        v.z = static_cast<float>(scale * unit(rng));
        return v;
    };
    node.vertices.reserve(static_cast<std::size_t>(3 * n + 3));
    for (int i = 0; i < n; ++i) {
        Vertex a = point(10), b = point(10), c = point(10);
        if (kind == 2 && i % 3 == 0) c = b;                          // no plane
        if (kind == 3) b.z = static_cast<float>(a.z + 0.001 * unit(rng)); // near the tolerance
        if (kind == 4 && i % 5 == 0) a.x = NAN;
        addFace(node, a, b, c);
        if (kind == 4 && i % 7 == 0) addFace(node, a, b, c); // a duplicate
    }
    return node;
}

TEST(PlaneChoiceOracle, FastSearchAgreesWithTheStraightforwardOne) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 1500; ++round) {
        const Node node = randomNode(rng);
        ASSERT_EQ(choosePlane(node.faces, node.vertices), choosePlaneReference(node.faces, node.vertices))
            << "round " << round << ", " << node.faces.size() << " faces";
    }
}

TEST(PlaneChoiceOracle, LargeNodesSearchedBySeveralThreadsAgree) {
    std::mt19937 rng(99);
    for (int kind : {1, 3, 4, 5}) {
        const Node node = randomNode(rng, kind);
        ASSERT_EQ(choosePlane(node.faces, node.vertices), choosePlaneReference(node.faces, node.vertices)) << kind;
    }
}

} // namespace
} // namespace norvane
