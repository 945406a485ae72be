// painter: the faces of a tree file that an eye point sees, farthest first, in the order a
// painter's algorithm draws them. A face is seen when the eye is in front of its plane.
//
// usage: painter FILE.bsp X Y Z
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <norvane/norvane.h>

namespace {

bool parseFloat(const char* text, float& value) {
    char* end = nullptr;
    value = std::strtof(text, &end);
    return end != text && *end == '\0';
}

} // namespace

int main(int argc, char** argv) {
    norvane::Point3 eye;
    if (argc != 5 || !parseFloat(argv[2], eye.x) || !parseFloat(argv[3], eye.y) || !parseFloat(argv[4], eye.z)) {
        std::fputs("usage: painter FILE.bsp X Y Z\n", stderr);
        return 2;
    }
    norvane::TreeFile file;
    norvane::TreeFileError error;
    if (!norvane::readTreeFile(std::filesystem::path(argv[1]), file, error) || !norvane::checkTreeFile(file, error)) {
        std::fprintf(stderr, "%s: offset %llu: %s\n", argv[1], static_cast<unsigned long long>(error.offset),
                     error.message.c_str());
        return 1;
    }
    std::size_t seen = 0, stored = 0;
    for (const std::int32_t n : norvane::backToFront(file, eye)) {
        const norvane::TreeFileNode& node = file.nodes[static_cast<std::size_t>(n)];
        stored += node.faces.size();
        for (std::size_t f = 0; f < node.faces.size(); ++f) {
            const norvane::TreeFileFace& face = node.faces[f];
            if (!norvane::isInFront(face.plane, eye)) continue;
            const char* material = face.material == norvane::noMaterialOf(file) ? "" : file.materials[face.material].c_str();
            std::printf("node %d face %zu: id %u, material \"%s\"\n", n, f, unsigned{face.id}, material);
            ++seen;
        }
    }
    std::printf("%zu of %zu faces seen from (%g, %g, %g)\n", seen, stored, double{eye.x}, double{eye.y}, double{eye.z});
    return 0;
}
