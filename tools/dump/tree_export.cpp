#include "dump/tree_export.h"

#include <cstdio>
#include <filesystem>

#include <norvane/export.h>
#include <norvane/files.h>

namespace norvane::dump {
namespace {

bool write(const std::string& name, const std::string& bytes) {
    WriteError error;
    if (writeWholeFile(pathOfArgument(name), bytes, error)) return true;
    if (error.code == WriteErrorCode::CannotCreate)
        std::fprintf(stderr, "%s: cannot create the file (no such folder, or read-only)\n", name.c_str());
    else
        std::fprintf(stderr, "%s: cannot write the file (disk full?)\n", name.c_str());
    return false;
}

// The material library's name: the OBJ's with the extension .mtl.
std::string mtlNameOf(const std::string& obj) { return std::filesystem::path(obj).replace_extension(".mtl").string(); }

bool endsWith(const std::string& text, const std::string& end) {
    if (text.size() < end.size()) return false;
    std::string tail = text.substr(text.size() - end.size());
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == end;
}

} // namespace

int writeExport(const TreeFile& file, const TreeCommand& command) {
    const bool obj = command.view == TreeView::Obj;
    const std::string& out = command.exportOut;
    const std::string mtl = obj ? mtlNameOf(out) : std::string();
    for (const std::string& name : {out, mtl})
        if (!name.empty() && sameFile(pathOfArgument(name), pathOfArgument(command.file))) {
            std::fprintf(stderr, "norvane-dump: %s %s would overwrite the tree file\n", obj ? "--obj" : "--gltf",
                         name.c_str());
            return 2;
        }
    const ExportOptions options{command.flat};
    TreeFileError error;
    std::string bytes, extra;
    bool done = false;
    if (obj)
        done = exportObj(file, bytes, extra, std::filesystem::path(mtl).filename().string(), error, options);
    else if (endsWith(out, ".glb"))
        done = exportGlb(file, bytes, error, options);
    else
        done = exportGltf(file, bytes, extra, error, options);
    if (!done) {
        std::fprintf(stderr, "%s: offset %llu: %s\n", command.file.c_str(),
                     static_cast<unsigned long long>(error.offset), error.message.c_str());
        return 1;
    }
    if (obj && !write(mtl, extra)) return 1;
    return write(out, bytes) ? 0 : 1;
}

} // namespace norvane::dump
