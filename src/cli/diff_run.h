#pragma once

// The steps of `diff` that the command and the render helper's picture share.

#include <cstdio>
#include <optional>
#include <string>

#include "cli/diff_command.h"
#include "compare/comparison.h"

namespace plotaktar::cli {

// The label files each side was read with (empty for none or a plot file).
struct DiffSides {
    std::string labels[2];
};

// Reads both sides and compares them. On failure says why on `err` and returns nothing, with
// `status` 2 for a side that cannot be read and 1 for a comparison that failed; otherwise
// `status` is 0 (the same) or 3 (they differ).
std::optional<compare::Comparison> CompareRevisions(const DiffArgs& args, std::FILE* err,
                                                    int& status, DiffSides* sides);

// The changes on `out`, as text or JSON.
void WriteComparison(const compare::Comparison& comparison, bool json, std::FILE* out);

}  // namespace plotaktar::cli
