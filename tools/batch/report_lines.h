// The texts of a batch's report: the line for each finished scene, its JSON object, and the
// progress bar a terminal shows for the whole batch.
#pragma once

#include <cstddef>
#include <string>

#include "batch/batch_run.h"
#include "console/console.h"

namespace norvane::batch {

// One line, ending in "\n":
//   "ok      IN -> OUT: N nodes, F faces, depth D, S.SS s"
//   "FAILED  IN: REASON"
//   "skipped IN: REASON"
// The names go through writeUserText, as typed, unless they would disturb the terminal
// (shownFileName: a newline in a name would split the line).
void writeResultLine(Console& console, const BatchScene& scene, const SceneOutcome& outcome);

// One JSON object and "\n": input, output, status ("compiled", "failed" or "skipped"), error
// (null unless failed or skipped), nodes, faces, depth, vertices (null without a tree), seconds
// (null when skipped). Names are their bytes read as Latin-1.
std::string jsonLine(const BatchScene& scene, const SceneOutcome& outcome);

// "[#######.............] 12/40 scenes  1 failed  2 compiling  0:12", shortened to fit in
// `columns` - 1 characters, so that it never wraps.
std::string progressBar(const BatchProgress& progress, std::size_t columns);

// "0:07", "12:34", "1:02:03".
std::string elapsedText(double seconds);

} // namespace norvane::batch
