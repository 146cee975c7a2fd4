#include "cli/diff_command.h"

#include "cli/commands.h"
#include "cli/diff_run.h"

namespace plotaktar::cli {

int RunDiff(const DiffArgs& args, std::FILE* out, std::FILE* err) {
    int status = kExitFailed;
    const std::optional<compare::Comparison> comparison =
        CompareRevisions(args, err, status, nullptr);
    if (comparison) {
        WriteComparison(*comparison, args.json, out);
    }
    return status;
}

int StartDiff(const std::vector<std::string>& args, std::FILE* err) {
    const DiffArgs diff = ParseDiff(args);
    if (!diff.output.empty()) {
        return StartDiffPicture(args, diff.output, err);
    }
    return RunDiff(diff, stdout, err);
}

}  // namespace plotaktar::cli
