// Writing a file whole on POSIX systems.
#include <cassert>
#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "output/atomic_file.h"

namespace norvane {
namespace {

bool hasWriteBits(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0; }

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes what `produce` makes to `fd`; closes `fd` before an exception leaves.
bool writeProduced(int fd, const std::function<std::string()>& produce, const std::function<void()>& meanwhile) {
    try {
        return produceAndWrite(produce, meanwhile, [fd](std::string_view bytes) { return writeAll(fd, bytes); });
    } catch (...) { // out of memory, say
        ::close(fd);
        throw;
    }
}

// The file a symbolic link points at (a dangling link is replaced itself), or the path.
std::string resolvedTarget(const std::string& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    std::string target = path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    return target;
}

// A device or another file that is not a regular one is written where it is.
AtomicWriteResult writeInPlace(const std::string& target, const std::function<std::string()>& produce,
                               const std::function<void()>& meanwhile) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return AtomicWriteResult::CannotCreate;
    bool ok = writeProduced(fd, produce, meanwhile);
    ok = ::close(fd) == 0 && ok;
    return ok ? AtomicWriteResult::Written : AtomicWriteResult::CannotWrite;
}

// A regular file is written under a temporary name beside it and renamed over it.
AtomicWriteResult writeAndRename(const std::string& target, const std::function<std::string()>& produce,
                                 const std::function<void()>& meanwhile) {
    // A name of its own, made here and now: O_EXCL refuses any file or link already there, so
    // a leftover temporary is never reused and never followed. The mode is that of any new
    // file (0666 less the umask), which mkstemp's 0600 would not give the tree.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryNameFor(target);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return AtomicWriteResult::CannotCreate;

    bool ok = false;
    try {
        ok = writeProduced(fd, produce, meanwhile);
    } catch (...) { // the temporary goes, the old file stays
        ::unlink(temporary.c_str());
        throw;
    }
    ok = ok && ::fsync(fd) == 0; // the content is on the disk before the name points at it
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return AtomicWriteResult::CannotWrite;
    }
    return AtomicWriteResult::Written;
}

} // namespace

AtomicWriteResult writeFileAtomically(const std::string& path, const std::function<std::string()>& produce,
                                      const std::function<void()>& meanwhile) {
    assert(!path.empty() && produce);
    const std::string target = resolvedTarget(path);
    struct stat status;
    const bool exists = ::stat(target.c_str(), &status) == 0;
    const bool inPlace = exists && !S_ISREG(status.st_mode);
    // The permission bits decide, not access(): a read-only tree stays read-only also for root.
    if (exists && !hasWriteBits(status.st_mode)) return AtomicWriteResult::CannotCreate;
    struct stat folder;
    if (!inPlace && ::stat(folderOf(target).c_str(), &folder) == 0 && !hasWriteBits(folder.st_mode))
        return AtomicWriteResult::CannotCreate;
    return inPlace ? writeInPlace(target, produce, meanwhile) : writeAndRename(target, produce, meanwhile);
}

bool isSameFile(const std::string& a, const std::string& b) {
    struct stat first;
    struct stat second;
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

} // namespace norvane
