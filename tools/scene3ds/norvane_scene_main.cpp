// norvane-scene KIND [--seed N] [--faces N] OUT.3ds: writes a generated scene.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "chunk_writer.h"
#include "generators.h"

namespace {

int usage() {
    std::fputs("usage: norvane-scene box|arena|terrain|soup|city|rock|level [--seed N] [--faces N] OUT.3ds\n", stderr);
    return 2;
}

bool number(const char* text, unsigned long long& value) {
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return end && *end == '\0' && end != text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string kind = argv[1];
    if (!norvane::scene3ds::isSceneKind(kind)) return usage();
    unsigned long long seed = 1, faces = 0;
    std::string out;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--seed" || arg == "--faces") && i + 1 < argc) {
            if (!number(argv[++i], arg == "--seed" ? seed : faces) || (arg == "--faces" && faces > 1000000))
                return usage();
        } else if (out.empty() && arg.rfind("--", 0) != 0) {
            out = arg;
        } else {
            return usage();
        }
    }
    if (out.empty()) return usage();
    try {
        const auto scene = norvane::scene3ds::generateScene(kind, seed, static_cast<std::uint32_t>(faces));
        if (!norvane::scene3ds::writeFileBytes(out, norvane::scene3ds::writeScene(scene))) {
            std::fprintf(stderr, "norvane-scene: cannot write %s\n", out.c_str());
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "norvane-scene: %s\n", e.what());
        return 1;
    }
    return 0;
}
