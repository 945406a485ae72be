// A one-file program built with `pkg-config --cflags --libs norvane` alone: it reads and checks
// a tree file, finds the leaf at the origin, and fails when the headers and the library it
// linked disagree on the version.
#include <cstdio>
#include <cstring>
#include <norvane/norvane.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    if (std::strcmp(norvane::version(), NORVANE_VERSION_STRING) != 0) {
        std::printf("headers %s, library %s\n", NORVANE_VERSION_STRING, norvane::version());
        return 1;
    }
    norvane::TreeFile file;
    norvane::TreeFileError error;
    if (!norvane::readTreeFile(std::filesystem::path(argv[1]), file, error) || !norvane::checkTreeFile(file, error)) {
        std::printf("%s: %s at offset %llu: %s\n", argv[1], norvane::errorCodeName(error.code),
                    static_cast<unsigned long long>(error.offset), error.message.c_str());
        return 1;
    }
    std::printf("norvane %d.%d: %zu nodes, the origin in node %d\n", NORVANE_VERSION_MAJOR, NORVANE_VERSION_MINOR,
                file.nodes.size(), norvane::leafAt(file, {0, 0, 0}));
    return 0;
}
