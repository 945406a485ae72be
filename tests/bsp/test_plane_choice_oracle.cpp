// The fast plane search against the straightforward one on thousands of generated nodes:
// random and axis-aligned sets, coplanar and duplicated faces, faces far from the origin where
// rounding meets the tolerance, and faces without a plane.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "bsp/child_counts.h"
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

// A candidate's counts, face by face.
CandidateCounts countAgainst(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices, std::size_t i) {
    CandidateCounts c;
    c.known = true;
    for (std::size_t j = 0; j < faces.size(); ++j) {
        if (j == i) continue;
        const Side s = classifyFace(faces[i].plane, faces[j], vertices);
        c.front += s == Front;
        c.back += s == Back;
        c.span += s == Spanning;
    }
    return c;
}

void expectCounts(const CandidateCounts& got, const CandidateCounts& want, const std::string& where) {
    EXPECT_EQ(got.front, want.front) << where;
    EXPECT_EQ(got.back, want.back) << where;
    EXPECT_EQ(got.span, want.span) << where;
}

TEST(PlaneChoiceOracle, KnownCountsGiveTheSameChoiceAndEveryCountRecordedIsExact) {
    std::mt19937 rng(7);
    for (int round = 0; round < 400; ++round) {
        const Node node = randomNode(rng);
        NodeCounts counts(node.faces.size());
        // Some candidates known, as a child's derived counts would be; at least one, so the
        // search counts every other candidate in full.
        for (std::size_t i = 0; i < node.faces.size(); ++i)
            if (i == 0 || rng() % 3 == 0) counts[i] = countAgainst(node.faces, node.vertices, i);
        const unsigned threads = 1 + rng() % 3;
        ASSERT_EQ(choosePlane(node.faces, node.vertices, counts, threads),
                  choosePlaneReference(node.faces, node.vertices))
            << "round " << round;
        for (std::size_t i = 0; i < node.faces.size(); ++i) {
            ASSERT_TRUE(counts[i].known) << "round " << round << ", candidate " << i;
            expectCounts(counts[i], countAgainst(node.faces, node.vertices, i),
                         "round " + std::to_string(round) + ", candidate " + std::to_string(i));
        }
    }
}

TEST(PlaneChoiceOracle, ChildCountsDerivedFromTheParentsAreExact) {
    std::mt19937 rng(11);
    for (int round = 0; round < 600; ++round) {
        Node node = randomNode(rng);
        const std::size_t parentSize = node.faces.size();
        NodeCounts parentCounts(parentSize);
        for (std::size_t i = 0; i < parentSize; ++i)
            if (rng() % 8 != 0) parentCounts[i] = countAgainst(node.faces, node.vertices, i);
        // The child keeps most faces in order and gains a few new ones, as pieces would come.
        const std::size_t dropEvery = 2 + rng() % 40;
        std::vector<BspFace> child;
        std::vector<std::int32_t> origin;
        for (std::size_t i = 0; i < parentSize; ++i) {
            if (rng() % dropEvery == 0) continue;
            child.push_back(node.faces[i]);
            origin.push_back(static_cast<std::int32_t>(i));
            if (rng() % 50 == 0) {
                const Node extra = randomNode(rng);
                BspFace piece = extra.faces[0];
                for (std::uint32_t& v : piece.verts) {
                    node.vertices.push_back(extra.vertices[v]);
                    v = static_cast<std::uint32_t>(node.vertices.size() - 1);
                }
                child.push_back(piece);
                origin.push_back(-1);
            }
        }
        const NodeCounts derived = deriveChildCounts(node.faces, parentCounts, child, origin, node.vertices);
        if (derived.empty()) continue; // too much moved: the child counts afresh
        ASSERT_EQ(derived.size(), child.size());
        for (std::size_t k = 0; k < child.size(); ++k) {
            const bool expectKnown = origin[k] >= 0 && parentCounts[static_cast<std::size_t>(origin[k])].known;
            ASSERT_EQ(derived[k].known, expectKnown) << "round " << round << ", face " << k;
            if (expectKnown)
                expectCounts(derived[k], countAgainst(child, node.vertices, k),
                             "round " + std::to_string(round) + ", face " + std::to_string(k));
        }
    }
}

} // namespace
} // namespace norvane
