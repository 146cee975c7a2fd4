#pragma once

#include <string>

#include "bench_support.h"

namespace plotaktar::bench {

struct ViewTimes {
    double refreshMs = 0;    // end of the import to the biggest table refreshed and painted once
    double scrollMs = 0;     // then scrolled to its last row and painted
    double tabSwitchMs = 0;  // its page brought to the front from another page and painted
    double saveMs = 0;       // the save button's command in the window, then a paint
    double copyMs = 0;       // Ctrl+C of a selection of copyRows rows x 10 columns
    double copyPeakMiB = 0;  // memory the copy took at its peak, above what was in use before
    double copyTextMiB = 0;  // the text it put on the clipboard
    int copyRows = 0;
    int grid = 0;         // StringGrid number of the biggest table
    int rows = 0;         // its row count
    std::string subject;  // what was measured (the window, or a plain view)
    std::string check;    // what the view showed after the last scroll
};

// Imports the drawing `runs` times into a window under the offscreen platform and times, after
// each import, the refresh and the scroll of the biggest table's view; medians. Needs a
// QApplication.
ViewTimes MeasureView(const Drawing& drawing, int runs);

}  // namespace plotaktar::bench
