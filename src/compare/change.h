#pragma once

// What changed between two revisions of a drawing, element by element.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compare/compared_drawing.h"

namespace plotaktar::compare {

// What kind of element a change is about, for a picture of the changes and the viewer's filter.
enum class Element : uint8_t {
    Point,
    Line,
    Parcel,
    Label,
    Symbol,
    Building,
    Slope,
    Layer,
    Drawing
};

// How a change is drawn: the old element in red, the new in green, an arrow from old to new.
enum class Look : uint8_t { Removed, Added, Moved, Changed };

// Every code the comparison reports, in the order the summary counts them (part of the
// interface).
inline constexpr std::string_view kChangeCodes[] = {
    "record-failed",        "coordinates-shifted",    "point-moved",
    "point-height-changed", "point-layer-changed",    "point-added",
    "point-removed",        "point-number-ambiguous", "line-moved",
    "line-height-changed",  "line-layer-changed",     "line-added",
    "line-removed",         "parcel-area-changed",    "parcel-corners-changed",
    "parcel-layer-changed", "parcel-added",           "parcel-removed",
    "parcel-divided",       "parcel-merged",          "parcel-number-ambiguous",
    "label-moved",          "label-changed",          "label-added",
    "label-removed",        "symbol-changed",         "symbol-added",
    "symbol-removed",       "building-changed",       "building-added",
    "building-removed",     "slope-changed",          "slope-added",
    "slope-removed",        "layer-changed",          "layer-renumbered",
    "layer-added",          "layer-removed",
};

// Where a change stands on one side: the file line (none for the side without the element) and
// the element's shape there, for drawing it.
struct ChangeSide {
    ChangeSide() = default;
    ChangeSide(std::optional<Source> from, std::vector<Vertex> at)
        : source(from), shape(std::move(at)) {}

    std::optional<Source> source;
    std::vector<Vertex> shape;
    // Where each parcel's corners begin in `shape` after the first, when it holds several (the
    // parts of a divided parcel).
    std::vector<uint32_t> rings;
};

struct Change {
    std::string_view code;  // one of kChangeCodes
    std::string message;    // Turkish, UTF-8
    Element element = Element::Point;
    Look look = Look::Changed;
    ChangeSide old, now;  // the old revision's and the new one's
    std::vector<std::pair<std::string_view, double>> values;
    std::vector<std::pair<std::string_view, std::string>> texts;  // UTF-8
};

// The outcome of a comparison: the changes and the kinds the two drawings could not be
// compared by (one of them a plot file).
struct Comparison {
    std::vector<Change> changes;
    std::vector<std::string_view> notCompared;  // "symbols", "buildings", ...
    // The files the sources name, of each side.
    std::vector<std::string> oldFiles, newFiles;
    bool same() const { return changes.empty(); }
};

// The mean of a shape's vertices: where an arrow of a moved element begins or ends.
Vertex ShapeCentre(std::span<const Vertex> shape);

// The counts of each code, in the order of kChangeCodes, codes not reported left out.
std::vector<std::pair<std::string_view, size_t>> CountByCode(const Comparison& comparison);

}  // namespace plotaktar::compare
