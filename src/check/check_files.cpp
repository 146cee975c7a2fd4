#include "check/check_files.h"

namespace plotaktar::check {

Findings CheckFiles(const ImportPaths& paths, const CheckOptions& options,
                    ImportObserver& observer) {
    // The geometry file's lines are numbered before the import, so that its two readings are
    // not held at once.
    RowLines lines;
    lines.readGeometry(paths.geometry);
    auto workspace = std::make_unique<Workspace>();
    FailureCollector failures(observer);
    ImportFiles(*workspace, paths, failures);
    lines.readLabels(paths.labels, paths.companion, *workspace);
    return CheckWorkspace(*workspace, lines, failures.failures, options);
}

}  // namespace plotaktar::check
