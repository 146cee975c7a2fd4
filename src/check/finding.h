#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <span>
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
    std::string_view value;
};

// Where a finding lies on the map, when it has a place: used as an optional vertex, in the
// vertex's 16 bytes (no place is a NaN).
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
// file line the row came from. Its message, values and texts are held by the Findings it
// belongs to.
struct Finding {
    std::string_view code;     // "parcel-area", ... (part of the interface)
    std::string_view message;  // Turkish, UTF-8
    std::span<const FindingValue> values;
    std::span<const FindingText> texts;
    FindingPlace at;    // where it lies on the map, when it has a place
    uint32_t line = 0;  // from 1; 0 when no line gave the row
    int row = 0;        // the table row, from 1
    TableId table = TableId::TriangulationPoints;
    Severity severity = Severity::Error;
    InputFile file = InputFile::Geometry;
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

// The findings of a check, with the texts and values they hold. A drawing full of faults gives
// findings in the hundreds of thousands: they are kept in a deque, five to a block, never moved
// as it grows, and what they say side by side in blocks of their own rather than in an
// allocation each. A finding added, or a Findings copied, has its texts kept anew.
class Findings {
  public:
    Findings() = default;
    Findings(const Findings& other);
    Findings& operator=(const Findings& other);
    Findings(Findings&& other) noexcept { *this = std::move(other); }
    Findings& operator=(Findings&& other) noexcept;
    ~Findings() = default;

    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const Finding& operator[](size_t i) const { return items_[i]; }
    const Finding& front() const { return items_.front(); }
    const Finding& back() const { return items_.back(); }
    std::deque<Finding>::const_iterator begin() const { return items_.begin(); }
    std::deque<Finding>::const_iterator end() const { return items_.end(); }

    // `finding` at the end, its message, values and texts kept here.
    Finding& push_back(const Finding& finding);
    // The values and texts of a finding of these findings, kept here.
    void setValues(Finding& finding, std::span<const FindingValue> values);
    void setValues(Finding& finding, std::initializer_list<FindingValue> values) {
        setValues(finding, std::span(values.begin(), values.size()));
    }
    void setTexts(Finding& finding, std::span<const FindingText> texts);
    void setTexts(Finding& finding, std::initializer_list<FindingText> texts) {
        setTexts(finding, std::span(texts.begin(), texts.size()));
    }
    // In file and line order, and in the order found within a line.
    void sortByLine();

  private:
    std::string_view keep(std::string_view text);
    // Room for `bytes`, aligned for a double or a pointer.
    void* room(size_t bytes);

    std::deque<Finding> items_;
    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    std::byte* next_ = nullptr;
    size_t left_ = 0;
};

// The findings' totals.
struct FindingCounts {
    size_t errors = 0;
    size_t warnings = 0;
};
FindingCounts CountFindings(const Findings& findings);

// The severity's word in the text output: "error" or "warning".
std::string_view SeverityWord(Severity severity);

}  // namespace plotaktar::check
