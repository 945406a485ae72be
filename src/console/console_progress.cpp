#include "console/console_progress.h"

#include <charconv>
#include <string_view>

namespace norvane {
namespace {

// A progress line put together without printf: a deep tree prints one several times per node.
struct PhaseLine {
    char text[128];
    std::size_t size = 0;

    void append(std::string_view part) {
        part.copy(text + size, std::min(part.size(), sizeof text - size));
        size += std::min(part.size(), sizeof text - size);
    }
    // `value` right-aligned in `width` columns, as printf's %*d writes it.
    void append(long long value, std::size_t width) {
        char digits[24];
        const auto length = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
        for (std::size_t pad = length; pad < width; ++pad) append(" ");
        append(std::string_view(digits, length));
    }
};

const char* nodeTag(CompileProgress::NodeStep step) {
    switch (step) {
    case CompileProgress::NodeStep::Enter:
        return "-ALC-";
    case CompileProgress::NodeStep::FindPlane:
        return "-FRP-";
    case CompileProgress::NodeStep::Distribute:
        return "-PPL-";
    case CompileProgress::NodeStep::Leave:
        return "-BCK-";
    }
    return "";
}

} // namespace

void ConsoleProgress::stageBegan(Stage stage) {
    switch (stage) {
    case Stage::Tree:
        console_.print("   Creating BSP_Tree\n");
        break;
    case Stage::VertexList:
        console_.print("    %s Creating Vertex - list  \\", branchStem);
        break;
    case Stage::FaceList:
        console_.print("    %s Adding faces to list  \\", lastStem);
        break;
    }
}

void ConsoleProgress::stageEnded(Stage stage) {
    switch (stage) {
    case Stage::Tree:
        break;
    case Stage::VertexList:
        console_.print("\n");
        break;
    case Stage::FaceList:
        console_.print("\r    %s Adding faces to list\n", branchStem);
        break;
    }
}

// "\r    <stem> Level %3d <tag> %5d Faces [%3d%%]  "
void ConsoleProgress::nodeStep(NodeStep step, const NodeState& state) {
    amongNodes_ = true;
    const int percent =
        state.faceTotal == 0 ? 0 : static_cast<int>(double(state.facesPlaced) / double(state.faceTotal) * 100.0 + 0.5);
    PhaseLine line;
    line.append("\r    ");
    line.append(branchStem);
    line.append(" Level ");
    line.append(state.level, 3);
    line.append(" ");
    line.append(nodeTag(step));
    line.append(" ");
    line.append(static_cast<int>(state.faces), 5);
    line.append(" Faces [");
    line.append(percent, 3);
    line.append("%]  ");
    console_.write(std::string_view(line.text, line.size));
}

void ConsoleProgress::cutFailed() { printError(console_, "Internal program error (maybe windows found ?)"); }

void ConsoleProgress::built(const BuildStats& stats) {
    amongNodes_ = false;
    console_.print("\n    %s Done [%d secs, %d nodes, %d faces, %d width]\n", lastStem,
                   static_cast<int>(stats.milliseconds / 1000), stats.nodes, stats.faces, stats.depth);
}

void ConsoleProgress::writeStep(WriteStep step) {
    switch (step) {
    case WriteStep::Begin:
        console_.print("   Writing BSP_Tree\n");
        break;
    case WriteStep::CreateFile:
        console_.print("    %s Creating output file\n", branchStem);
        break;
    case WriteStep::Header:
        console_.print("    %s Writing header\n", branchStem);
        break;
    case WriteStep::Done:
        console_.print("\n    %s Done\n", lastStem);
        break;
    }
}

// "\r    <stem> Writing node -F- Level %3d" (-B- on the way back): twice per node written.
void ConsoleProgress::writeNode(bool entered, std::int32_t level) {
    PhaseLine line;
    line.append("\r    ");
    line.append(branchStem);
    line.append(entered ? " Writing node -F- Level " : " Writing node -B- Level ");
    line.append(level, 3);
    console_.write(std::string_view(line.text, line.size));
}

void ConsoleProgress::buildFailed(const BuildError& error) {
    if (error.code == BuildErrorCode::Stopped) return;
    if (amongNodes_) console_.print("\n");
    amongNodes_ = false;
    printError(console_, errorLineText(error));
}

void ConsoleProgress::writeFailed(const WriteError& error) { printError(console_, errorLineText(error)); }

const char* errorLineText(const BuildError& error) {
    switch (error.code) {
    case BuildErrorCode::TooManyVertices:
    case BuildErrorCode::TooManyVerticesAfterCuts:
    case BuildErrorCode::TooManyFaces:
        return treeTooLargeText;
    case BuildErrorCode::OutOfMemory:
        return "Not enough memory to create a tree structure !";
    default:
        return sceneDamagedText;
    }
}

const char* errorLineText(const WriteError& error) {
    switch (error.code) {
    case WriteErrorCode::WouldOverwriteInput:
        return "Output file would overwrite the input file !";
    case WriteErrorCode::CannotCreate:
        return "Cannot create file - disk full / locked ?";
    case WriteErrorCode::CannotWrite:
        return "Cannot write file - disk full / locked ?";
    case WriteErrorCode::OutOfMemory:
        return "Not enough memory to create a tree structure !";
    default:
        return treeTooLargeText;
    }
}

} // namespace norvane
