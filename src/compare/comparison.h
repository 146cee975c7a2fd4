#pragma once

#include <atomic>
#include <stdexcept>

#include "compare/change.h"
#include "compare/compared_drawing.h"

namespace plotaktar::compare {

struct CompareOptions {
    // How far a position or a height may differ and still be the same, in metres.
    double tolerance = 0.01;
    // Set from another thread to stop the comparison (ComparisonStopped).
    const std::atomic<bool>* stop = nullptr;
};

// A comparison stopped through CompareOptions::stop.
class ComparisonStopped : public std::runtime_error {
  public:
    ComparisonStopped() : std::runtime_error("comparison stopped") {}
};

// The labels within this distance of their old place, of the same text, moved rather than
// were replaced.
inline constexpr double kLabelMoveReach = 5.0;
// When more than half of the matched points moved farther than this, the whole drawing was
// shifted (another zone, a shifted copy): one change says so instead of every point's.
inline constexpr double kShiftDistance = 1000.0;

// Compares two revisions element by element, by identity: points by kind and number, parcels
// by ada/parsel, lines by their end points' numbers (by their end positions when a side is a
// plot file), symbols by point and number, buildings and slopes by number, layers by name,
// labels by text and position. Each side's failing records are changes of their own. Throws
// std::bad_alloc, Error for a drawing too large, ComparisonStopped.
Comparison Compare(const ComparedDrawing& old, const ComparedDrawing& now,
                   const CompareOptions& options = {});

}  // namespace plotaktar::compare
