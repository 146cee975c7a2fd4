#pragma once

// How the parts of the check add their findings: each names its row, the reporter adds the
// file and line it came from and the code's severity.

#include <cstdio>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "check/finding.h"
#include "import/source_lines.h"

namespace plotaktar::check {

class Reporter {
  public:
    Reporter(const RowLines& lines, Findings& findings) : lines_(lines), findings_(findings) {}

    // A finding on data row `row` of `table`.
    Finding& add(std::string_view code, TableId table, int row, std::string_view message);
    // A finding on the parcel in `row`, at the line of its corner `corner`.
    Finding& addAtCorner(std::string_view code, int row, int corner, std::string_view message);
    // The values and texts that prove a finding added here.
    void setValues(Finding& finding, std::initializer_list<FindingValue> values) {
        findings_.setValues(finding, values);
    }
    void setValues(Finding& finding, std::span<const FindingValue> values) {
        findings_.setValues(finding, values);
    }
    void setTexts(Finding& finding, std::initializer_list<FindingText> texts) {
        findings_.setTexts(finding, texts);
    }

  private:
    Finding& push(std::string_view code, RowLine source, TableId table, int row,
                  std::string_view message);
    const RowLines& lines_;
    Findings& findings_;
};

// A number with `digits` decimals, for messages.
std::string Fixed(double value, int digits = 2);

}  // namespace plotaktar::check
