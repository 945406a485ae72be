// The compiler's console face of a compile: turns the stages' progress events into the progress
// lines, the spinner and the closing lines, and a failure's code into its error line.
#pragma once

#include "console/console.h"
#include "console/spinner.h"
#include "norvane/compile.h"

namespace norvane {

class ConsoleProgress : public CompileProgress {
  public:
    explicit ConsoleProgress(Console& console) : console_(console) {}

    void stageBegan(Stage stage) override;
    void stageEnded(Stage stage) override;
    void nodeStep(NodeStep step, const NodeState& state) override;
    void worked(std::size_t units) override { spinner_.ticks(console_, units); }
    void cutFailed() override;
    void built(const BuildStats& stats) override;
    void writeStep(WriteStep step) override;
    void writeNode(bool entered, std::int32_t level) override;

    // The error line of a failed build (none for a stopped one); a build that failed among its
    // nodes first ends the unfinished progress line.
    void buildFailed(const BuildError& error);
    void writeFailed(const WriteError& error);

  private:
    Console& console_;
    Spinner spinner_;
    bool amongNodes_ = false;
};

// The sentences of the compiler's error lines.
inline constexpr const char* sceneDamagedText = "File not found / is damaged !";
inline constexpr const char* treeTooLargeText = "Tree too large for the BSP file format !";
const char* errorLineText(const BuildError& error);
const char* errorLineText(const WriteError& error);

} // namespace norvane
