// The public writer: the tree file's bytes, and the file itself written whole or not at all.
#include <new>

#include "common/beside.h"
#include "common/fail_with.h"
#include "common/input_file.h"
#include "common/silent_progress.h"
#include "output/atomic_file.h"
#include "output/tree_writer.h"

namespace norvane {
namespace {

const char* writeErrorText(WriteErrorCode code) {
    switch (code) {
    case WriteErrorCode::None:
        return "the tree file was written";
    case WriteErrorCode::TooManyVertices:
        return "more vertices than the tree file's counts hold";
    case WriteErrorCode::TooManyFaces:
        return "more initial faces than the tree file's counts hold";
    case WriteErrorCode::TooManyMaterials:
        return "more materials than the tree file's counts hold";
    case WriteErrorCode::TooManyFacesAtNode:
        return "more faces at one node than the tree file's counts hold";
    case WriteErrorCode::WouldOverwriteInput:
        return "the tree file would overwrite the input file";
    case WriteErrorCode::CannotCreate:
        return "the tree file cannot be created";
    case WriteErrorCode::CannotWrite:
        return "the tree file cannot be written";
    case WriteErrorCode::OutOfMemory:
        return "the tree file does not fit in memory";
    }
    return "unknown";
}

bool failed(WriteError& error, WriteErrorCode code) { return failWith(error, code, 0, writeErrorText(code)); }

const TreeFormat& formatOf(const TreeFile& tree) {
    const TreeFormat* format = treeFormatOf(tree.version);
    return format ? *format : treeFormat50;
}

bool writeChecked(const std::filesystem::path& output, const TreeFile& tree, WriteError& error,
                  const WriteOptions& options, CompileProgress& progress) {
    progress.writeStep(CompileProgress::WriteStep::Begin);
    const TreeFormat& format = formatOf(tree);
    if (const WriteErrorCode limit = checkFormatLimits(tree, format); limit != WriteErrorCode::None)
        return failed(error, limit);
    const std::string target = nativeNarrowName(output);
    if (!options.input.empty() && isSameFile(target, nativeNarrowName(options.input)))
        return failed(error, WriteErrorCode::WouldOverwriteInput);
    progress.writeStep(CompileProgress::WriteStep::CreateFile);
    const auto bytesOf = [&](CompileProgress& reported) {
        std::string bytes;
        serializeTree(tree, format, reported, bytes);
        return bytes;
    };
    // Reporting every node costs about as much as making the bytes, and writing them as much
    // again: with a second thread, the bytes are made and written while the nodes are reported.
    AtomicWriteResult result;
    if (mayRunBeside(options.threads, tree.nodes.size())) {
        const auto report = [&] {
            progress.writeStep(CompileProgress::WriteStep::Header);
            reportTreeWalk(tree, progress);
        };
        result = writeFileAtomically(target, [&] { return bytesOf(silentProgress()); }, report);
    } else {
        result = writeFileAtomically(target, [&] {
            progress.writeStep(CompileProgress::WriteStep::Header);
            return bytesOf(progress);
        });
    }
    if (result == AtomicWriteResult::CannotCreate) return failed(error, WriteErrorCode::CannotCreate);
    if (result == AtomicWriteResult::CannotWrite) return failed(error, WriteErrorCode::CannotWrite);
    progress.writeStep(CompileProgress::WriteStep::Done);
    return true;
}

} // namespace

bool treeFileBytes(const TreeFile& tree, std::vector<std::uint8_t>& bytes, WriteError& error,
                   CompileProgress* progress) {
    error = WriteError{};
    bytes.clear();
    try {
        const TreeFormat& format = formatOf(tree);
        if (const WriteErrorCode limit = checkFormatLimits(tree, format); limit != WriteErrorCode::None)
            return failed(error, limit);
        std::string out;
        serializeTree(tree, format, progressOrSilent(progress), out);
        bytes.assign(out.begin(), out.end());
        return true;
    } catch (const std::bad_alloc&) {
        return failed(error, WriteErrorCode::OutOfMemory);
    }
}

bool writeTreeFile(const std::filesystem::path& output, const TreeFile& tree, WriteError& error,
                   const WriteOptions& options, CompileProgress* progress) {
    error = WriteError{};
    try {
        return writeChecked(output, tree, error, options, progressOrSilent(progress));
    } catch (const std::bad_alloc&) {
        return failed(error, WriteErrorCode::OutOfMemory);
    }
}

} // namespace norvane
