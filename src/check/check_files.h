#pragma once

#include <vector>

#include "check/check_workspace.h"
#include "import/import_files.h"
#include "model/import_observer.h"

namespace plotaktar::check {

// Hears the failing records of an import for the check, and passes everything on to `next`.
class FailureCollector : public ImportObserver {
  public:
    explicit FailureCollector(ImportObserver& next) : next_(next) {}
    void recordFailed(std::string_view word, uint64_t lineNumber) override {
        failures.push_back({std::string(word), lineNumber});
        next_.recordFailed(word, lineNumber);
    }
    void importProgress(std::string_view fileName, uint64_t done, uint64_t total) override {
        next_.importProgress(fileName, done, total);
    }
    void importWarning(const FileWarning& warning) override { next_.importWarning(warning); }
    std::vector<FailedRecord> failures;

  private:
    ImportObserver& next_;
};

// One import of `paths`, as convert's, and the check of what it loaded. The import's failing
// records and warnings go to `observer` too. Throws what ImportFiles throws.
Findings CheckFiles(const ImportPaths& paths, const CheckOptions& options,
                    ImportObserver& observer);

}  // namespace plotaktar::check
