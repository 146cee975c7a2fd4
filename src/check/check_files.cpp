#include "check/check_files.h"

namespace plotaktar::check {

std::vector<Finding> CheckFiles(const ImportPaths& paths, const CheckOptions& options,
                                ImportObserver& observer) {
    auto workspace = std::make_unique<Workspace>();
    FailureCollector failures(observer);
    ImportFiles(*workspace, paths, failures);
    const RowLines lines = ReadRowLines(paths, *workspace);
    return CheckWorkspace(*workspace, lines, failures.failures, options);
}

}  // namespace plotaktar::check
