// The parts of writing a file whole that every platform shares.
#include "output/atomic_file.h"

#include <cassert>
#include <chrono>
#include <cstdint>
#include <random>
#include <thread>

#include "common/beside.h"

namespace norvane {
namespace {

std::uint64_t freshSeed() {
    // The clock and the thread make seeds differ between runs and threads even where the
    // system's random source is weak; the random source adds what they cannot.
    auto seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    seed ^= static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) << 17;
    seed ^= std::hash<std::thread::id>{}(std::this_thread::get_id()) * 0x9E3779B97F4A7C15ull;
    try {
        std::random_device device;
        seed ^= (static_cast<std::uint64_t>(device()) << 32) ^ device();
    } catch (...) {
        // No system random source: the clock and the thread remain.
    }
    return seed;
}

} // namespace

std::string temporaryNameFor(const std::string& target) {
    assert(!target.empty());
    thread_local std::mt19937_64 generator(freshSeed());
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string tag(8, '0');
    for (char& c : tag) c = letters[generator() % (sizeof letters - 1)];

    std::size_t nameStart = target.find_last_of("/\\");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    std::string name = target;
    if (name.size() - nameStart > 200) name.resize(nameStart + 200);
    return name + "." + tag + ".norvane-tmp";
}

bool produceAndWrite(const std::function<std::string()>& produce, const std::function<void()>& meanwhile,
                     const std::function<bool(std::string_view)>& write) {
    if (!meanwhile) return write(produce());
    bool written = false;
    runBeside(true, [&] { written = write(produce()); }, meanwhile);
    return written;
}

AtomicWriteResult writeFileAtomically(const std::string& path, std::string_view bytes) {
    return writeFileAtomically(path, [bytes] { return std::string(bytes); });
}

} // namespace norvane
