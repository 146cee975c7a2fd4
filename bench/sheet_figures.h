#pragma once

#include <string>

#include "bench_support.h"
#include "process_runner.h"

namespace plotaktar::bench {

// Sheets of a scattered drawing: `points` points 400 m apart, each on a sheet of its own at
// 1:500 on A4, rendered to one PDF by `plotaktar-cli render`.
struct ScatteredSheets {
    Timing time;  // medians of the runs
    double peakMiB = 0;
    double bytesPerPage = 0;  // the PDF's bytes over its pages
};

// Renders the sheets of `points` scattered points `runs` times.
ScatteredSheets MeasureScatteredSheets(ProcessRunner& runner, const std::string& cli, int points,
                                       int runs);

}  // namespace plotaktar::bench
