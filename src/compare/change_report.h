#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "compare/change.h"

namespace plotaktar::compare {

// Takes the output piece by piece, so that many changes need no copy of all of their text.
using ReportSink = std::function<void(std::string_view)>;

// One change a line, "OLD:LINE NEW:LINE CODE message" ("-" for the side without the element),
// then the summary line "N changes (CODE n, ...)" and, when a side is a plot file, what was not
// compared ("; not compared: symbols, ..."). UTF-8.
void WriteChangesText(const Comparison& comparison, const ReportSink& write);

// {"changes": [{"code", "message", "old_file", "old_line", "new_file", "new_line", and the
// values and texts that prove it}], "summary": {"changes", "by_code": {CODE: n},
// "not_compared": [...]}}, with a line feed at the end. A missing side's file and line are null.
void WriteChangesJson(const Comparison& comparison, const ReportSink& write);

// The text output as one string.
std::string ChangesText(const Comparison& comparison);

}  // namespace plotaktar::compare
