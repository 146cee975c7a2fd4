#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
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
// Nor one whose sides meet each other this many times or more: GEOS's repair slows with the
// square of the crossings (about 50 ms at 200, 0.3 s at 780, minutes at 45,000).
constexpr size_t kMostRepairedCrossings = 200;
// The repairs of one drawing together, in two shares, so that a drawing full of crossed parcels
// is checked in a time like that of its conversion (checked first, first repaired; a unit is
// about 2.5 µs of repair). The squares of the repairs' crossings stay within enough for one
// parcel just under kMostRepairedCrossings plus a quarter for each corner of the drawing's
// parcels. A parcel of more than kLargeRepair corners also counts kRepairWorkPerCorner for each
// corner (a comb of 10,000 corners and one crossing takes 0.4 s), and these stay within enough
// for one parcel of kMostRepairedCorners plus half a unit for each corner of the drawing's
// parcels.
constexpr uint64_t kRepairCornersPerWork = 4;
constexpr uint64_t kRepairWorkBase = kMostRepairedCrossings * kMostRepairedCrossings;
constexpr size_t kLargeRepair = 1'000;
constexpr uint64_t kRepairWorkPerCorner = 16;
constexpr uint64_t kLargeRepairWorkBase = kRepairWorkPerCorner * kMostRepairedCorners;
constexpr uint64_t kLargeRepairCornersPerWork = 2;

// The geometry of the parcels, through GEOS: a boundary that crosses itself
// (parcel-self-intersection, after which the parcel is made valid for the overlay, or with
// more than kMostRepairedCorners corners, at least kMostRepairedCrossings crossings or beyond
// the drawing's repair work, and another parcel's box meeting its own, parcel-overlay-failed:
// it is not overlaid), two
// parcels sharing more than kOverlapArea (parcel-overlap), a corner within kSliverReach of
// another parcel's boundary but not on it (parcel-sliver), and an overlay GEOS cannot compute
// (parcel-overlay-failed, on both parcels). Candidates are found through GEOS's STR tree.
// The parcels are shared by two threads on a machine of two cores or more, each with its own
// GEOS context; the findings come in the order one thread would give them. Stops between
// parcels (and between a parcel's corners and overlays), or a long GEOS call, on every thread
// once `cancel` (may be null) is true: throws CheckCancelled.
void CheckParcelGeometry(const std::vector<ParcelShape>& parcels, Reporter& report,
                         const std::atomic<bool>* cancel = nullptr);

}  // namespace plotaktar::check
