#pragma once

#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
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

// Where a finding lies on the map, when it has a place: used as an optional vertex, in the
// vertex's 16 bytes (no place is a NaN), so that four findings fill a block of their deque
// rather than three.
class FindingPlace {
  public:
    FindingPlace() = default;
    FindingPlace(const Vertex& at) : at_(at) {}      // NOLINT: a place is given as its vertex
    FindingPlace(const std::optional<Vertex>& at) {  // NOLINT
        if (at) {
            at_ = *at;
        }
    }

    explicit operator bool() const { return !std::isnan(at_.east); }
    const Vertex& operator*() const { return at_; }
    const Vertex* operator->() const { return &at_; }
    operator std::optional<Vertex>() const {  // NOLINT
        return *this ? std::optional<Vertex>(at_) : std::nullopt;
    }

  private:
    Vertex at_{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
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
    FindingPlace at;  // where it lies on the map, when it has a place
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
