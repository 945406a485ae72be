// The fast plane search against the straightforward one on thousands of generated nodes:
// random and axis-aligned sets, coplanar and duplicated faces, faces far from the origin where
// rounding meets the tolerance, and faces without a plane.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "bsp/child_counts.h"
#include "bsp/plane_choice.h"
#include "norvane/compile.h"
#include "scene/post_process.h"

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
    f.plane = computeFacePlane(node.vertices[f.verts[0]], node.vertices[f.verts[1]], node.vertices[f.verts[2]]);
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
        if (kind == 2 && i % 3 == 0) c = b;                               // no plane
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

// The give-up score bounds every step of the fast search (box bounds, abandoning, twins): it
// must agree with the straightforward search at low scores, where most nodes give up, and with
// none at all, where every node that can be separated is.
TEST(PlaneChoiceOracle, AnyGiveUpScoreAgrees) {
    std::mt19937 rng(4242);
    for (const std::int64_t giveUp : {std::int64_t{1}, std::int64_t{100}, std::int64_t{1000}, neverGiveUp}) {
        for (int round = 0; round < 400; ++round) {
            const Node node = randomNode(rng, round % 50 == 0 ? 5 : 0);
            NodeCounts counts;
            WorkerPool pool(static_cast<unsigned>(rng() % 3)); // no workers, one or two
            PlaneSearchScratch scratch;
            scratch.pool = &pool;
            ASSERT_EQ(choosePlane(node.faces, node.vertices, counts, giveUp, scratch),
                      choosePlaneReference(node.faces, node.vertices, giveUp))
                << "give up at " << giveUp << ", round " << round << ", " << node.faces.size() << " faces";
        }
    }
}

// A candidate's counts, face by face.
CandidateCounts countAgainst(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices, std::size_t i) {
    CandidateCounts c;
    c.known = true;
    for (std::size_t j = 0; j < faces.size(); ++j) {
        if (j == i) continue;
        const Side s = classifyFace(faces[i].plane, faces[j], vertices);
        c.tally.front += s == Front;
        c.tally.back += s == Back;
        c.tally.span += s == Spanning;
    }
    return c;
}

void expectCounts(const CandidateCounts& got, const CandidateCounts& want, const std::string& where) {
    EXPECT_EQ(got.tally.front, want.tally.front) << where;
    EXPECT_EQ(got.tally.back, want.tally.back) << where;
    EXPECT_EQ(got.tally.span, want.tally.span) << where;
}

TEST(PlaneChoiceOracle, CandidatesSharingAPlaneAreAbandonedAsOne) {
    // Every face stands two to four times, so every plane is shared: the scan gives up a whole
    // group when its first face loses, and the winner is often a group's first face. Every
    // tenth node is large enough to be shared among threads, which deal each group to one.
    std::mt19937 rng(31);
    std::uniform_real_distribution<double> unit(-10, 10);
    for (int round = 0; round < 300; ++round) {
        Node node;
        const bool large = round % 10 == 0;
        const int groups = large ? 180 + static_cast<int>(rng() % 80) : 20 + static_cast<int>(rng() % 120);
        node.vertices.reserve(static_cast<std::size_t>(12 * groups));
        for (int g = 0; g < groups; ++g) {
            Vertex a, b, c;
            for (Vertex* v : {&a, &b, &c}) {
                v->x = static_cast<float>(unit(rng));
                v->y = static_cast<float>(unit(rng));
                v->z = static_cast<float>(unit(rng));
            }
            for (int copy = 2 + static_cast<int>(rng() % 3); copy > 0; --copy) addFace(node, a, b, c);
        }
        std::shuffle(node.faces.begin(), node.faces.end(), rng);
        NodeCounts counts;
        WorkerPool pool(large ? 1 + static_cast<unsigned>(rng() % 2) : static_cast<unsigned>(rng() % 3));
        PlaneSearchScratch scratch;
        scratch.pool = &pool;
        ASSERT_EQ(choosePlane(node.faces, node.vertices, counts, defaultGiveUpScore, scratch),
                  choosePlaneReference(node.faces, node.vertices))
            << "round " << round << ", " << node.faces.size() << " faces";
        for (std::size_t i = 0; i < node.faces.size(); ++i)
            if (counts.candidates[i].known)
                expectCounts(counts.candidates[i], countAgainst(node.faces, node.vertices, i),
                             "round " + std::to_string(round) + ", candidate " + std::to_string(i));
    }
}

TEST(PlaneChoiceOracle, KnownCountsGiveTheSameChoiceAndEveryCountRecordedIsExact) {
    std::mt19937 rng(7);
    for (int round = 0; round < 400; ++round) {
        const Node node = randomNode(rng);
        // Some candidates known, as a child's derived counts would be: handed down, so the
        // search counts every other candidate in full.
        NodeCounts counts;
        counts.candidates.resize(node.faces.size());
        counts.handedDown = true;
        for (std::size_t i = 0; i < node.faces.size(); ++i)
            if (rng() % 3 == 0) counts.candidates[i] = countAgainst(node.faces, node.vertices, i);
        WorkerPool pool(static_cast<unsigned>(rng() % 3));
        PlaneSearchScratch scratch;
        scratch.pool = &pool;
        ASSERT_EQ(choosePlane(node.faces, node.vertices, counts, defaultGiveUpScore, scratch),
                  choosePlaneReference(node.faces, node.vertices))
            << "round " << round;
        for (std::size_t i = 0; i < node.faces.size(); ++i) {
            ASSERT_TRUE(counts.candidates[i].known) << "round " << round << ", candidate " << i;
            expectCounts(counts.candidates[i], countAgainst(node.faces, node.vertices, i),
                         "round " + std::to_string(round) + ", candidate " + std::to_string(i));
        }
    }
}

TEST(PlaneChoiceOracle, ChildCountsDerivedFromTheParentsAreExact) {
    std::mt19937 rng(11);
    int derivedRounds = 0;
    for (int round = 0; round < 600; ++round) {
        Node node = randomNode(rng);
        const std::size_t parentSize = node.faces.size();
        NodeCounts parentCounts;
        parentCounts.candidates.resize(parentSize);
        for (std::size_t i = 0; i < parentSize; ++i)
            if (rng() % 8 != 0) parentCounts.candidates[i] = countAgainst(node.faces, node.vertices, i);
        // The child keeps most faces in order and gains a few new ones, as pieces would come:
        // some of unknown origin, some cut from a face that left (they keep its plane).
        const std::size_t dropEvery = 6 + rng() % 40;
        std::vector<BspFace> child;
        std::vector<FaceOrigin> origin;
        auto addPiece = [&](std::int32_t from) {
            const Node extra = randomNode(rng);
            BspFace piece = extra.faces[0];
            for (std::uint32_t& v : piece.verts) {
                node.vertices.push_back(extra.vertices[v]);
                v = static_cast<std::uint32_t>(node.vertices.size() - 1);
            }
            if (from >= 0) piece.plane = node.faces[static_cast<std::size_t>(from)].plane;
            child.push_back(piece);
            origin.push_back(from >= 0 ? FaceOrigin::pieceOf(static_cast<std::size_t>(from)) : FaceOrigin::unknown());
        };
        for (std::size_t i = 0; i < parentSize; ++i) {
            if (rng() % dropEvery == 0) {
                if (rng() % 3 == 0) // cut: one or two pieces come in its place
                    for (unsigned k = 1 + rng() % 2; k > 0; --k) addPiece(static_cast<std::int32_t>(i));
                continue;
            }
            child.push_back(node.faces[i]);
            origin.push_back(FaceOrigin::whole(i));
            if (rng() % 50 == 0) addPiece(-1);
        }
        const NodeCounts derived = deriveChildCounts(node.faces, parentCounts, child, origin, node.vertices);
        if (derived.candidates.empty()) { // too much moved: the child counts afresh
            EXPECT_FALSE(derived.handedDown);
            continue;
        }
        ++derivedRounds;
        EXPECT_TRUE(derived.handedDown);
        ASSERT_EQ(derived.candidates.size(), child.size());
        for (std::size_t k = 0; k < child.size(); ++k) {
            const bool traced = origin[k].isWhole() || origin[k].isPiece();
            const bool expectKnown = traced && parentCounts.candidates[origin[k].parentIndex()].known;
            ASSERT_EQ(derived.candidates[k].known, expectKnown) << "round " << round << ", face " << k;
            if (expectKnown)
                expectCounts(derived.candidates[k], countAgainst(child, node.vertices, k),
                             "round " + std::to_string(round) + ", face " + std::to_string(k));
        }
    }
    EXPECT_GT(derivedRounds, 300) << "too few children were small enough to derive";
}

} // namespace
} // namespace norvane
