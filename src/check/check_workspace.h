#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "check/area_limit.h"
#include "check/check_cancel.h"
#include "check/finding.h"
#include "import/source_lines.h"
#include "model/workspace.h"

namespace plotaktar::check {

// A geometry record whose reader failed: the reader's word (windows-1254) and the line.
struct FailedRecord {
    std::string word;
    uint64_t line;
};

struct CheckOptions {
    double scale = 1000;  // M, the scale's denominator
    AreaRule areaRule = AreaRule::Imar;
    // When it becomes true the check stops within a parcel's work or a long GEOS call
    // (CheckCancelled); may be null.
    const std::atomic<bool>* cancel = nullptr;
};

// Everything the check finds in the workspace of one import: the parcels' areas against their
// declared areas and their geometry, the points' numbers and positions, the lines' ends, the
// symbols' points, the layers named but not declared, the cells that are no numbers or that
// will stop the export, the records that failed and the features far from all others. `lines`
// are the import's row lines (ReadRowLines). Sorted by file and line. Throws std::bad_alloc,
// and CheckCancelled when options.cancel became true.
Findings CheckWorkspace(const Workspace& workspace, const RowLines& lines,
                        const std::vector<FailedRecord>& failures, const CheckOptions& options);

// Distances the findings are judged by, in metres.
constexpr double kSameNumberReach = 0.01;     // one number at two places further apart
constexpr double kSamePositionReach = 0.001;  // two numbers nearer than this
constexpr double kLineEndReach = 0.01;        // a line end from the point it names
constexpr double kZeroLength = 0.001;         // a line shorter than this
constexpr double kOutlierReach = 5000;        // from the median position of the features

}  // namespace plotaktar::check
