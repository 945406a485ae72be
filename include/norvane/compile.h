// Compiling a scene into a BSP tree, and writing the tree file, as `norvane` does.
//
//     norvane::Scene scene;
//     norvane::LoadError loadError;
//     if (!norvane::loadScene("level.3ds", scene, loadError)) fail(loadError.message);
//     norvane::TreeFile tree;
//     norvane::BuildError buildError;
//     if (!norvane::compileScene(scene, tree, buildError)) fail(buildError.message);
//     norvane::WriteError writeError;
//     if (!norvane::writeTreeFile("level.bsp", tree, writeError)) fail(writeError.message);
//
// The compile gathers every mesh's vertices and faces into one list each (every corner
// renumbered to the first listed vertex equal to it in x, y, z, u and v), then builds the nodes
// depth first: each node's plane is the plane of one of its own faces, chosen by a score of
// balance and cuts; faces in the plane stay at the node, the others go to the front or back
// child, cut in two or three pieces where they cross it. The tree is the same, byte for byte,
// whatever the options' threads and search.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <filesystem>
#include <span>
#include <vector>

#include "norvane/error.h"
#include "norvane/files.h"
#include "norvane/scene.h"
#include "norvane/tree_file.h"

namespace norvane {

// How the plane of each node is found. Fast and Straightforward build the same tree;
// Straightforward tries every face against every candidate (slowly, the oracle of Fast). None
// keeps every face at the root, as one leaf: what loading, listing and writing cost alone.
enum class PlaneSearch { Fast, Straightforward, None };

// Which version of the tree file the tree is laid out for (tree_format.h): version 50, as
// `norvane` writes; version 51, whose 32-bit counts hold any tree; or version 50 when the tree
// fits it and 51 otherwise.
enum class TreeFormatChoice { Version50, Version51, Smallest };

// A giveUpScore that never gives up: a node is a leaf only when its faces need no separating.
inline constexpr std::int64_t neverGiveUp = std::numeric_limits<std::int64_t>::max();

struct BuildOptions {
    // Threads for the build: 0 for the cores this process may run on (its affinity mask; at
    // most eight). The others take the candidates of large nodes and whole subtrees of back
    // children off the calling thread.
    unsigned threads = 0;
    // Set by another thread to stop the build between two nodes.
    const std::atomic<bool>* stopFlag = nullptr;
    PlaneSearch search = PlaneSearch::Fast;
    TreeFormatChoice format = TreeFormatChoice::Version50;
    // The score a candidate plane must get below to be chosen (|front - back| * 5 + cuts * 75);
    // a node whose every candidate scores at or above it stays one unseparated leaf. 65535
    // builds `norvane`'s tree; neverGiveUp separates every node that can be separated.
    std::int64_t giveUpScore = 65535;
};

// The built tree's figures, as the build's closing line gives them.
struct BuildStats {
    std::int32_t nodes = 0;
    std::int32_t faces = 0; // initial faces plus two for every cut
    std::int32_t depth = 0; // of the deepest node; the root is 1
    std::size_t vertices = 0;
    std::int64_t milliseconds = 0;           // the whole build
    double listSeconds = 0, nodeSeconds = 0; // gathering the lists, and building the nodes
    // The threads the build shared its work among: 1 for a build on one thread, for a straight-
    // forward build, and for a scene that finished before it was worth starting workers.
    unsigned threads = 1;
};

enum class BuildErrorCode {
    None,
    Stopped,            // BuildOptions::stopFlag was set
    TooManyVertices,          // the vertex list outgrew the format's counts before any cut
    TooManyVerticesAfterCuts, // the cuts made the vertex list outgrow the format's counts
    TooManyFaces,             // more initial faces than the format's counts hold
    CornerOutOfRange,   // a face corner names no vertex of its mesh (a scene made by hand)
    MaterialOutOfRange, // a face's material is neither -1 nor an index into the scene's materials
    OutOfMemory,
};
using BuildError = Error<BuildErrorCode>;

// What a compile and a write report as they go, on the calling thread, in order. Every call
// has an empty default, so an observer overrides what it shows.
class CompileProgress {
  public:
    virtual ~CompileProgress() = default;

    enum class Stage {
        Tree,       // the build begins
        VertexList, // every mesh's vertices into one list (one work unit per mesh)
        FaceList,   // every face into one list (one work unit per face)
    };
    virtual void stageBegan(Stage) {}
    virtual void stageEnded(Stage) {}

    // One step of a node: Enter and FindPlane when it is entered, Distribute when its plane is
    // chosen, Leave when it and its subtree are done (a leaf leaves at once).
    enum class NodeStep { Enter, FindPlane, Distribute, Leave };
    struct NodeState {
        std::int32_t level = 0;       // the root is 1
        std::size_t faces = 0;        // the faces that entered the node
        std::int64_t facesPlaced = 0; // faces stored in finished nodes so far
        std::int64_t faceTotal = 0;   // initial faces plus two for every cut so far
    };
    virtual void nodeStep(NodeStep, const NodeState&) {}

    // Units of work done since the last call (a mesh or a face listed, a candidate plane
    // searched, a face sent on): enough to keep a spinner turning.
    virtual void worked(std::size_t units) { (void)units; }

    // A face that crossed the plane could not be cut (its corners lie on the plane in no way
    // a cut handles): the node keeps what was sent on before it, and the build goes on.
    virtual void cutFailed() {}

    // The build is complete.
    virtual void built(const BuildStats&) {}

    // The writer: it begins, it creates the file, the header is written, a node is entered and
    // left (with its level) as the records are laid out, and the file is complete.
    enum class WriteStep { Begin, CreateFile, Header, Done };
    virtual void writeStep(WriteStep) {}
    virtual void writeNode(bool entered, std::int32_t level) { (void)entered, (void)level; }
};

// Builds the tree of every face of the scene into `tree` (a TreeFile as readTreeFile would
// fill it from the written file, version 50), and its figures into `stats` when given. False
// with the reason in `error`.
bool compileScene(const Scene& scene, TreeFile& tree, BuildError& error, const BuildOptions& options = {},
                  CompileProgress* progress = nullptr, BuildStats* stats = nullptr);

// How many vertices, initial faces and materials the compile lists before it cuts anything.
struct SceneListCounts {
    std::size_t vertices = 0, faces = 0, materials = 0;
};
SceneListCounts countSceneLists(const Scene& scene);

// The file's bytes. False when the tree does not fit the format of its version.
bool treeFileBytes(const TreeFile& tree, std::vector<std::uint8_t>& bytes, WriteError& error,
                   CompileProgress* progress = nullptr);

struct WriteOptions {
    // A file the output must never replace (the scene the tree came from); empty for none.
    std::filesystem::path input;
    // The threads the write may use: 0 for the cores the process may run on, 1 for the calling
    // thread alone. With two, the bytes of a tree of some thousands of nodes are made and
    // written while the progress is reported.
    unsigned threads = 0;
};

// Writes the tree file whole or not at all: under a temporary name beside it, renamed over
// the old file only when complete, so a failed or killed write never leaves a partial file
// and never loses an existing one. A symbolic link is written through; a device is written
// in place.
bool writeTreeFile(const std::filesystem::path& output, const TreeFile& tree, WriteError& error,
                   const WriteOptions& options = {}, CompileProgress* progress = nullptr);

const char* errorCodeName(BuildErrorCode code);

} // namespace norvane
