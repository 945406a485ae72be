// The public face of the atomic writer, and the name of a command-line argument.
#include "norvane/files.h"

#include <new>

#include "common/input_file.h"
#include "output/atomic_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace norvane {

bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes, ReadError& error,
                   std::uint64_t maxSize, const std::atomic<bool>* stop) {
    error = ReadError{};
    ReadStatus status;
    try {
        status = readInput(path, bytes, maxSize, stop);
    } catch (const std::bad_alloc&) {
        bytes = {};
        error.code = ReadErrorCode::OutOfMemory;
        error.message = "the file does not fit in memory";
        return false;
    }
    switch (status) {
    case ReadStatus::Ok:
        return true;
    case ReadStatus::CannotRead:
        error.message = "cannot read the file";
        break;
    case ReadStatus::TooLarge:
        error.message = "the file is larger than " + std::to_string(maxSize) + " bytes";
        break;
    case ReadStatus::Stopped:
        error.message = "the read was stopped";
        break;
    }
    error.code = status == ReadStatus::CannotRead ? ReadErrorCode::CannotRead
                 : status == ReadStatus::TooLarge ? ReadErrorCode::TooLarge
                                                  : ReadErrorCode::Stopped;
    bytes = {};
    return false;
}

bool writeWholeFile(const std::filesystem::path& path, std::string_view bytes, WriteError& error) {
    error = WriteError{};
    switch (writeFileAtomically(nativeNarrowName(path), bytes)) {
    case AtomicWriteResult::Written:
        return true;
    case AtomicWriteResult::CannotCreate:
        error.code = WriteErrorCode::CannotCreate;
        error.message = "cannot create the file";
        return false;
    case AtomicWriteResult::CannotWrite:
        break;
    }
    error.code = WriteErrorCode::CannotWrite;
    error.message = "cannot write the file";
    return false;
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    return isSameFile(nativeNarrowName(a), nativeNarrowName(b));
}

std::filesystem::path pathOfArgument(const std::string& argument) {
#ifdef _WIN32
    const int n = MultiByteToWideChar(CP_ACP, 0, argument.data(), static_cast<int>(argument.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, argument.data(), static_cast<int>(argument.size()), wide.data(), n);
    return std::filesystem::path(wide);
#else
    return std::filesystem::path(argument);
#endif
}

const char* errorCodeName(ReadErrorCode code) {
    switch (code) {
    case ReadErrorCode::None:
        return "None";
    case ReadErrorCode::CannotRead:
        return "CannotRead";
    case ReadErrorCode::TooLarge:
        return "TooLarge";
    case ReadErrorCode::Stopped:
        return "Stopped";
    case ReadErrorCode::OutOfMemory:
        return "OutOfMemory";
    }
    return "unknown";
}

const char* errorCodeName(WriteErrorCode code) {
    switch (code) {
    case WriteErrorCode::None:
        return "None";
    case WriteErrorCode::TooManyVertices:
        return "TooManyVertices";
    case WriteErrorCode::TooManyFaces:
        return "TooManyFaces";
    case WriteErrorCode::TooManyMaterials:
        return "TooManyMaterials";
    case WriteErrorCode::TooManyFacesAtNode:
        return "TooManyFacesAtNode";
    case WriteErrorCode::WouldOverwriteInput:
        return "WouldOverwriteInput";
    case WriteErrorCode::CannotCreate:
        return "CannotCreate";
    case WriteErrorCode::CannotWrite:
        return "CannotWrite";
    case WriteErrorCode::OutOfMemory:
        return "OutOfMemory";
    }
    return "unknown";
}

} // namespace norvane
