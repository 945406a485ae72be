// Replacing a file whole. The new content is written under a temporary name of its own beside
// the target and renamed over the target only once it is complete, so nobody ever sees a
// half-written file, a failed or killed run never loses the old one, and runs that write the
// same file at the same time each write a complete file of their own: the last rename wins.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace norvane {

enum class AtomicWriteResult {
    Written,      // the target holds the new content
    CannotCreate, // nothing was written: the target or its folder is read-only, or no file could be made
    CannotWrite,  // writing or renaming failed: the temporary is gone and the old file stays as it was
};

// Writes the bytes `produce` returns to `path`. `produce` is called once the file to write
// exists, and not at all when it cannot be created, so a caller can report progress in the
// order a person expects. The rules:
// - a symbolic link is written through: the file it points to is replaced, the link stays;
// - a target that exists and is not a regular file (a device, say) is written in place;
// - a read-only target, or a read-only folder for a regular file, is refused (CannotCreate);
// - the temporary (see temporaryNameFor) is created exclusively under a fresh random name,
//   never an existing file and never through a link; on any failure it is removed.
// A process killed in the middle leaves its temporary behind, never a damaged target.
// `meanwhile`, when given, runs on the calling thread, also only once the file exists, while
// `produce` and the writing of its bytes run on a thread of their own: a caller reports the
// bytes while they are made.
AtomicWriteResult writeFileAtomically(const std::string& path, const std::function<std::string()>& produce,
                                      const std::function<void()>& meanwhile = {});
AtomicWriteResult writeFileAtomically(const std::string& path, std::string_view bytes);

// For the platforms' writers: the bytes `produce` makes handed to `write`, beside `meanwhile`
// when there is one. True when `write` was.
bool produceAndWrite(const std::function<std::string()>& produce, const std::function<void()>& meanwhile,
                     const std::function<bool(std::string_view)>& write);

// A fresh temporary name for `target`, in its folder: "NAME.XXXXXXXX.norvane-tmp" with eight
// random letters and digits (NAME cut to 200 bytes, so the name stays within the system's
// limit). It never ends in the target's extension, so it is never taken for the target.
std::string temporaryNameFor(const std::string& target);

// Whether the two names reach one and the same existing file.
bool isSameFile(const std::string& a, const std::string& b);

} // namespace norvane
