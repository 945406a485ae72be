// Files as the compiler treats them, for programs that write beside it: a file is replaced
// whole or not at all, and a name from the command line reaches the system as it came.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "norvane/error.h"

namespace norvane {

enum class WriteErrorCode {
    None,
    TooManyVertices, // a count or an index does not fit the tree file's width
    TooManyFaces,
    TooManyMaterials,
    TooManyFacesAtNode,
    WouldOverwriteInput, // the output names the same file as the input
    CannotCreate,        // the file (or its temporary) cannot be created: read-only, missing folder
    CannotWrite,         // writing or renaming failed (disk full); an existing file is kept
    OutOfMemory,
};
using WriteError = Error<WriteErrorCode>;

const char* errorCodeName(WriteErrorCode code);

enum class ReadErrorCode {
    None,
    CannotRead, // cannot be opened (missing, a folder, no permission) or a read failed
    TooLarge,   // holds more bytes than allowed
    Stopped,    // the stop flag was set
    OutOfMemory,
};
using ReadError = Error<ReadErrorCode>;

const char* errorCodeName(ReadErrorCode code);

// Reads a file or a stream whole, at most `maxSize` bytes. A FIFO without a writer does not
// hold the read: it waits in short slices that look at the stop flag.
bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes, ReadError& error,
                   std::uint64_t maxSize, const std::atomic<bool>* stop = nullptr);

// Writes the bytes under a temporary name beside `path` (NAME.XXXXXXXX.norvane-tmp, eight
// random letters and digits, created exclusively) and renames it over `path` only when
// complete: a failed or killed write never leaves a partial file and never loses an existing
// one, and writers of one file at once each write a whole file, the last one winning. A
// symbolic link is written through; a device or other non-regular file is written in place; a
// read-only file or folder is refused (CannotCreate).
bool writeWholeFile(const std::filesystem::path& path, std::string_view bytes, WriteError& error);

// Whether the two names reach one and the same existing file.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// The path a command-line argument names: its bytes on POSIX; on Windows the argument came in
// the ANSI code page, and its wide spelling names the same file.
std::filesystem::path pathOfArgument(const std::string& argument);

} // namespace norvane
