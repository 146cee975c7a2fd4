#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "check/reporter.h"
#include "drawing/drawing.h"

namespace plotaktar::check {

// A parcel with at least three distinct corners, in the order its corner lines give them, the
// closing repetition of the first corner left out.
struct ParcelShape {
    int row;           // in the parcel table
    std::string name;  // "ada/parsel", UTF-8
    std::vector<Vertex> ring;
};

// Within these a corner is taken as lying on another parcel's boundary, or as a sliver.
constexpr double kOnBoundary = 0.001;  // m
constexpr double kSliverReach = 0.05;  // m
// Parcels sharing more than this overlap.
constexpr double kOverlapArea = 0.01;  // m²
// A parcel that crosses itself with more corners than this is not made valid, nor overlaid:
// making it valid may take longer than all the rest of the check.
constexpr size_t kMostRepairedCorners = 10'000;

// The geometry of the parcels, through GEOS: a boundary that crosses itself
// (parcel-self-intersection, after which the parcel is made valid for the overlay, or with
// more than kMostRepairedCorners corners and another parcel's box meeting its own,
// parcel-overlay-failed: it is not overlaid), two
// parcels sharing more than kOverlapArea (parcel-overlap), a corner within kSliverReach of
// another parcel's boundary but not on it (parcel-sliver), and an overlay GEOS cannot compute
// (parcel-overlay-failed, on both parcels). Candidates are found through GEOS's STR tree.
// Stops between parcels, or a long GEOS call, once `cancel` (may be null) is true: throws
// CheckCancelled.
void CheckParcelGeometry(const std::vector<ParcelShape>& parcels, Reporter& report,
                         const std::atomic<bool>* cancel = nullptr);

}  // namespace plotaktar::check
