// Windows: the name reaches the C runtime's narrow fopen in the ANSI code page, as a name from
// the command line came; reads go in blocks so that the limit and the stop flag are seen.
#include "common/input_file.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include <windows.h>

namespace norvane {
namespace {

constexpr std::size_t blockSize = 1 << 20;

bool stopSet(const std::atomic<bool>* stop) { return stop && stop->load(std::memory_order_relaxed); }

} // namespace

InputFile::~InputFile() {
    if (handle_ != -1) std::fclose(reinterpret_cast<std::FILE*>(handle_));
}

ReadStatus InputFile::open(const std::filesystem::path& path, const std::atomic<bool>* stop) {
    stop_ = stop;
    std::FILE* f = std::fopen(nativeNarrowName(path).c_str(), "rb");
    if (!f) return ReadStatus::CannotRead;
    handle_ = reinterpret_cast<std::intptr_t>(f);
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
        const std::uintmax_t size = std::filesystem::file_size(path, ec);
        if (!ec) regularSize_ = size;
    }
    return ReadStatus::Ok;
}

ReadStatus InputFile::readUpTo(std::vector<std::uint8_t>& bytes, std::uint64_t total) {
    std::FILE* f = reinterpret_cast<std::FILE*>(handle_);
    while (!atEnd_ && bytes.size() < total) {
        if (stopSet(stop_)) return ReadStatus::Stopped;
        // A regular file in one piece of its size and a byte more, which tells whether it grew
        // meanwhile: growing a buffer block by block zeroed and copied it over and over.
        std::uint64_t piece = blockSize;
        if (regularSize_ && *regularSize_ >= bytes.size()) piece = *regularSize_ - bytes.size() + 1;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(piece, total - bytes.size()));
        const std::size_t had = bytes.size();
        bytes.resize(had + want);
        const std::size_t got = std::fread(bytes.data() + had, 1, want, f);
        bytes.resize(had + got);
        // A folder opens but fails on the first read.
        if (std::ferror(f)) return ReadStatus::CannotRead;
        if (got < want) atEnd_ = true;
    }
    return ReadStatus::Ok;
}

std::string nativeNarrowName(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    if (wide.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), n, nullptr, nullptr);
    return narrow;
}

} // namespace norvane
