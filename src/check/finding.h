#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/drawing.h"
#include "import/source_lines.h"
#include "model/record_kinds.h"

namespace plotaktar::check {

enum class Severity : uint8_t { Error, Warning };

// A number that proves a finding ("computed_area", "difference", ...), kept unrounded.
struct FindingValue {
    std::string_view name;
    double value;
};

// A text that belongs to a finding ("word", "field", "value", ...), in UTF-8.
struct FindingText {
    std::string_view name;
    std::string value;
};

// One thing wrong with a drawing, named as the tables show it: the table page and row, and the
// file line the row came from.
struct Finding {
    std::string_view code;  // "parcel-area", ... (part of the interface)
    Severity severity = Severity::Error;
    InputFile file = InputFile::Geometry;
    uint32_t line = 0;  // from 1; 0 when no line gave the row
    std::optional<TableId> table;
    int row = 0;          // the table row, from 1
    std::string message;  // Turkish, UTF-8
    std::vector<FindingValue> values;
    std::vector<FindingText> texts;
    std::optional<Vertex> at;  // where it lies on the map, when it has a place
};

// Every code the check reports, with its severity (the codes are part of the interface).
struct CodeEntry {
    std::string_view code;
    Severity severity;
};
inline constexpr CodeEntry kCodes[] = {
    {"parcel-area", Severity::Error},
    {"parcel-self-intersection", Severity::Error},
    {"parcel-too-few-corners", Severity::Error},
    {"parcel-corner-count", Severity::Error},
    {"parcel-overlap", Severity::Error},
    {"parcel-overlay-failed", Severity::Error},
    {"parcel-sliver", Severity::Warning},
    {"parcel-duplicate", Severity::Error},
    {"point-duplicate-number", Severity::Error},
    {"point-duplicate-position", Severity::Warning},
    {"line-endpoint-mismatch", Severity::Error},
    {"line-zero-length", Severity::Warning},
    {"record-failed", Severity::Error},
    {"export-stops", Severity::Error},
    {"label-undeclared-layer", Severity::Error},
    {"feature-undeclared-layer", Severity::Error},
    {"symbol-point-missing", Severity::Error},
    {"coordinate-unreadable", Severity::Error},
    {"outlier", Severity::Warning},
};

// The findings of a check, in a deque: a drawing full of faults gives findings in the
// hundreds of thousands, which a vector would copy and hold twice over as it grows.
using Findings = std::deque<Finding>;

// The findings' totals.
struct FindingCounts {
    size_t errors = 0;
    size_t warnings = 0;
};
FindingCounts CountFindings(const Findings& findings);

// The severity's word in the text output: "error" or "warning".
std::string_view SeverityWord(Severity severity);

}  // namespace plotaktar::check
