// Writing a file whole on Windows. Names are handed to the system's narrow (ANSI code page)
// calls exactly as they came, as the C runtime's fopen does, so a name beyond ASCII reaches
// the same file the loader read.
#include <cassert>
#include <cstdio>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "output/atomic_file.h"

namespace norvane {
namespace {

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Through a symbolic link (a reparse point) to the file it points at.
std::string resolveLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
    const HANDLE file =
        CreateFileA(path.c_str(), 0, shareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return path;
    char resolved[4 * MAX_PATH];
    const DWORD n = GetFinalPathNameByHandleA(file, resolved, sizeof resolved, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(file);
    return n == 0 || n >= sizeof resolved ? path : std::string(resolved, n);
}

// Whether an existing name is something other than a file on a disk: a device or a pipe.
bool isSpecial(const std::string& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    const HANDLE file =
        CreateFileA(path.c_str(), 0, shareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool special = GetFileType(file) != FILE_TYPE_DISK;
    CloseHandle(file);
    return special;
}

bool writeAll(HANDLE file, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t left = bytes.size() - done;
        const DWORD piece = static_cast<DWORD>(left < (1u << 30) ? left : (1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, piece, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

bool replace(const std::string& temporary, const std::string& target) {
    // Another run replacing the same file, or a scanner looking at the new one, can hold the
    // name for a moment: try again briefly before giving up.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if (attempt == 50 || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) return false;
        Sleep(20);
    }
}

} // namespace

AtomicWriteResult writeFileAtomically(const std::string& path, const std::function<std::string()>& produce,
                                      const std::function<void()>& meanwhile) {
    assert(!path.empty() && produce);
    const std::string target = resolveLink(path);
    const DWORD attributes = GetFileAttributesA(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY) && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return AtomicWriteResult::CannotCreate;

    if (exists && isSpecial(target, attributes)) {
        std::FILE* file = std::fopen(target.c_str(), "wb");
        if (!file) return AtomicWriteResult::CannotCreate;
        bool ok = false;
        try {
            ok = produceAndWrite(produce, meanwhile, [file](std::string_view bytes) {
                return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
            });
        } catch (...) {
            std::fclose(file);
            throw;
        }
        ok = std::fclose(file) == 0 && ok;
        return ok ? AtomicWriteResult::Written : AtomicWriteResult::CannotWrite;
    }

    // CREATE_NEW refuses any file or link already there, so a leftover temporary is never
    // reused and never followed.
    std::string temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = temporaryNameFor(target);
        file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (file == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) return AtomicWriteResult::CannotCreate;

    bool ok = false;
    try {
        ok = produceAndWrite(produce, meanwhile, [file](std::string_view bytes) { return writeAll(file, bytes); });
    } catch (...) { // out of memory, say: the temporary goes, the old file stays
        CloseHandle(file);
        DeleteFileA(temporary.c_str());
        throw;
    }
    ok = ok && FlushFileBuffers(file); // the content is on the disk before the name points at it
    ok = CloseHandle(file) && ok;
    ok = ok && replace(temporary, target);
    if (!ok) {
        DeleteFileA(temporary.c_str());
        return AtomicWriteResult::CannotWrite;
    }
    return AtomicWriteResult::Written;
}

bool isSameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION info[2];
    const std::string* names[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        const HANDLE file =
            CreateFileA(names[i]->c_str(), 0, shareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const bool known = GetFileInformationByHandle(file, &info[i]);
        CloseHandle(file);
        if (!known) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

} // namespace norvane
