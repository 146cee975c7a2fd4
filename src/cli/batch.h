#pragma once

#include <cstdio>

#include "cli/batch_args.h"
#include "cli/check_command.h"

namespace plotaktar::cli {

// Exit status of a batch stopped by Ctrl+C (128 + SIGINT, as the shell gives).
constexpr int kExitInterrupted = 130;
// `batch check` gives check's kExitFindings when no drawing failed but some had error findings.

// Runs one command over many drawings (see BatchArgs): `convert` in this process with
// `jobs` workers, each drawing all or nothing as `convert` writes it; `export` and `check`
// as runs of this program, one per worker. Paths come from the arguments and, with "-", from
// `in`. One line per drawing goes to `out` (a progress bar on `err` instead, when `err` is a
// terminal), each drawing's messages to `err` together, and a summary at the end; --report
// writes one JSON object a line per drawing. A drawing that runs out of memory is tried once
// more alone. Ctrl+C stops starting drawings and lets the ones running finish: every output
// is then complete or as it was, and no temporary file stays.
// Returns 0 when every drawing succeeded, 1 when some failed, kExitFindings for check,
// 2 for a report or OUTDIR that cannot be written, kExitInterrupted after Ctrl+C.
int RunBatch(const BatchArgs& args, std::FILE* in, std::FILE* out, std::FILE* err);

}  // namespace plotaktar::cli
