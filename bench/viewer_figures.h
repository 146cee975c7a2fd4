#pragma once

#include <string>
#include <vector>

#include "bench_support.h"
#include "process_runner.h"

namespace plotaktar::bench {

// What the drawing viewer and `plotaktar-cli render` cost on one drawing.
struct ViewerFigures {
    double shownMs = 0;      // plotaktar-view started to the whole drawing on screen
    double shownWallMs = 0;  // the same run, process start to exit
    double peakMiB = 0;      // its peak resident set
    double renderMs = 0;     // plotaktar-cli render to a 1600 x 1000 PNG, wall time
    double renderPeakMiB = 0;
    Timing sheets;  // plotaktar-cli render --scale 5000 --paper A0 to a PDF
    double sheetsPeakMiB = 0;
    double longestFrameMs = 0;  // the UI thread's longest pan or zoom step, repaint included
    double medianFrameMs = 0;
    double longestPickMs = 0;
    double firstPictureMs = 0;  // in process: drawing set to its first picture
    std::vector<std::string> notes;
};

// Runs plotaktar-view and plotaktar-cli render as processes `runs` times (medians), then opens
// the drawing in a viewer window of this process (offscreen, 1600 x 1000) and pans, zooms and
// picks at several zooms. Needs a QApplication.
ViewerFigures MeasureViewer(const Drawing& drawing, ProcessRunner& runner, const std::string& cli,
                            const std::string& viewer, int runs);

}  // namespace plotaktar::bench
