// Runs a fuzz target's body over files and folders of inputs, without libFuzzer: ctest replays
// fuzz/regressions/TARGET this way, under the sanitizers in their stage. Exit status 1 when a
// path cannot be read; a finding aborts, as under libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replay(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file()) {
                    if (!replay(entry.path())) return 1;
                    ++replayed;
                }
        } else if (replay(path)) {
            ++replayed;
        } else {
            std::fprintf(stderr, "%s: cannot read the file\n", argv[i]);
            return 1;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    return 0;
}
