// norvane-dump tree: a summary of a tree file, the whole file as JSON, a check of every rule of
// the format, or a picture.
#include <cstdio>
#include <string>

#include <norvane/files.h>
#include <norvane/tree_file.h>

#include "common/terminal_text.h"
#include "common/text_writer.h"
#include "dump/dump_commands.h"
#include "dump/tree_json.h"
#include "dump/tree_paths.h"
#include "dump/tree_export.h"
#include "dump/tree_summary.h"

namespace norvane::dump {
namespace {

// The picture, to standard output ("-") as it is made, or to a file replaced whole.
int writeSvg(const TreeFile& file, const TreeCommand& command, std::FILE* out) {
    std::string why;
    const std::int32_t top = nodeAtPath(file, command.svg.node, why);
    if (top < 0) {
        std::fprintf(stderr, "norvane-dump: --node %s: %s: %s\n", command.svg.node.c_str(),
                     shownFileName(command.file).c_str(), why.c_str());
        return 2;
    }
    if (command.svgOut != "-" && sameFile(pathOfArgument(command.svgOut), pathOfArgument(command.file))) {
        std::fprintf(stderr, "norvane-dump: --svg %s would overwrite the tree file it draws\n",
                     shownFileName(command.svgOut).c_str());
        return 2;
    }
    if (command.svgOut == "-") {
        writeTreeSvg(file, top, command.svg.depth, writerTo(out));
        return 0;
    }
    const std::string svg = treeSvg(file, top, command.svg.depth);
    WriteError error;
    if (writeWholeFile(pathOfArgument(command.svgOut), svg, error)) return 0;
    if (error.code == WriteErrorCode::CannotCreate)
        std::fprintf(stderr, "%s: cannot create the file (no such folder, or read-only)\n",
                     shownFileName(command.svgOut).c_str());
    else
        std::fprintf(stderr, "%s: cannot write the file (disk full?)\n", shownFileName(command.svgOut).c_str());
    return 1;
}

} // namespace

int dumpTree(const TreeCommand& command, std::FILE* out) {
    const std::string name = shownFileName(command.file);
    TreeFile file;
    TreeFileError problem;
    const bool check = command.view == TreeView::Check;
    if (!readTreeFile(pathOfArgument(command.file), file, problem) &&
        problem.code == TreeFileErrorCode::CannotReadFile) {
        std::fprintf(stderr, "%s: cannot read the file\n", name.c_str());
        return 1;
    }
    if (problem || (check && !checkTreeFile(file, problem))) {
        // With --check the verdict is the output; otherwise a file that does not parse is an error.
        std::fprintf(check ? out : stderr, "%s: offset %llu: %s\n", name.c_str(),
                     static_cast<unsigned long long>(problem.offset), problem.message.c_str());
        return 1;
    }
    switch (command.view) {
    case TreeView::Check:
        std::fprintf(out, "%s: ok (%zu nodes)\n", name.c_str(), file.nodes.size());
        return 0;
    case TreeView::Json:
        writeTreeJson(file, writerTo(out));
        return 0;
    case TreeView::Svg:
        return writeSvg(file, command, out);
    case TreeView::Gltf:
    case TreeView::Obj:
        return writeExport(file, command);
    case TreeView::Summary:
        break;
    }
    const std::string text = treeSummary(command.file, file);
    std::fwrite(text.data(), 1, text.size(), out);
    return 0;
}

} // namespace norvane::dump
