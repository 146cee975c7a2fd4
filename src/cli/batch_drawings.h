#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/batch_args.h"

namespace plotaktar::cli {

// One drawing of a batch: its files, where its output goes, and whether it is to run at all.
struct BatchDrawing {
    std::string geometry;   // as found: PATH itself, or PATH joined with the file's place under it
    std::string labels;     // the .yaz beside it, if any (none with --no-labels)
    std::string companion;  // the .yfn beside the label file
    // Without --no-labels: no label file lies beside it (counted in the summary), or several
    // that differ only in case (none read; named in its messages).
    bool noLabelFile = false;
    std::vector<std::string> severalLabelFiles;
    std::string output;  // empty for check
    uint64_t inputBytes = 0;
    std::string skipped;  // why it is not run (its output is newer than its inputs)
    std::string problem;  // why it cannot run (no such drawing, two drawings with one output)
};

// The drawings that `paths` name, in order: a regular file is one drawing, whatever its name;
// a folder gives every .gplt (or .GPLT) file under it, searched recursively, sorted by path.
// With OUTDIR an output goes to the same place under OUTDIR as its drawing under the folder
// named (a drawing named by itself: its path as given when that is relative and stays inside,
// otherwise its file name); otherwise beside the drawing. A PATH that does not exist is a
// drawing with a problem, so that it is reported among the others. A drawing named twice runs
// once; a second drawing with the same output as an earlier one is a problem.
std::vector<BatchDrawing> FindDrawings(const BatchArgs& args,
                                       const std::vector<std::string>& paths);

// Reads paths from `in`, one a line (NUL-separated when `nulSeparated`); empty ones are left
// out.
std::vector<std::string> ReadPaths(std::FILE* in, bool nulSeparated);

}  // namespace plotaktar::cli
