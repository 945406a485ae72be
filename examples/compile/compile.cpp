// compile: a 3DS scene into a tree file through the library, as an editor plug-in or an asset
// server would, with a progress line of its own. The tree is byte for byte the one `norvane`
// writes.
//
// usage: compile SCENE.3ds TREE.bsp
#include <cstdio>
#include <norvane/norvane.h>

namespace {

// Shows the share of the faces placed in finished nodes, once per whole percent.
class PercentProgress : public norvane::CompileProgress {
public:
    void nodeStep(NodeStep, const NodeState& state) override {
        if (state.faceTotal == 0) return;
        const auto percent = static_cast<int>(100 * state.facesPlaced / state.faceTotal);
        if (percent == shown_) return;
        shown_ = percent;
        std::fprintf(stderr, "\rbuilding: %3d%%", percent);
    }
    void built(const norvane::BuildStats& stats) override {
        std::fprintf(stderr, "\rbuilt: %d nodes, %d faces, depth %d\n", stats.nodes, stats.faces, stats.depth);
    }

private:
    int shown_ = -1;
};

int fail(const char* what, const char* name, const std::string& message) {
    std::fprintf(stderr, "%s: %s: %s\n", name, what, message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: compile SCENE.3ds TREE.bsp\n", stderr);
        return 2;
    }
    norvane::Scene scene;
    norvane::LoadError loadError;
    if (!norvane::loadScene(argv[1], scene, loadError)) return fail("cannot load", argv[1], loadError.message);

    PercentProgress progress;
    norvane::BuildOptions options; // the machine's cores, the fast search
    norvane::TreeFile tree;
    norvane::BuildError buildError;
    if (!norvane::compileScene(scene, tree, buildError, options, &progress))
        return fail("cannot compile", argv[1], buildError.message);

    norvane::WriteOptions write;
    write.input = argv[1]; // never replace the scene itself
    norvane::WriteError writeError;
    if (!norvane::writeTreeFile(argv[2], tree, writeError, write)) return fail("cannot write", argv[2], writeError.message);
    std::printf("%s: %zu nodes, %u vertices, %llu bytes\n", argv[2], tree.nodes.size(), tree.vertexCount,
                static_cast<unsigned long long>(tree.size));
    return 0;
}
