#pragma once

#include <string>
#include <vector>

#include "check/finding.h"

namespace plotaktar::check {

// One finding a line, "FILE:LINE: error|warning: CODE: message" ("FILE: ..." for a row no line
// gave), then the summary line "N errors, M warnings" with the count of each code. UTF-8.
std::string FindingsText(const std::vector<Finding>& findings);

// {"findings": [{"code", "severity", "file", "line", "table", "row", "message", and the values
// and texts that prove it}], "summary": {"errors", "warnings", "by_code": {CODE: n}}}, with a
// line feed at the end. Numbers are written unrounded (the shortest text that reads back as
// the same double); a line or table that is not known is null.
std::string FindingsJson(const std::vector<Finding>& findings);

}  // namespace plotaktar::check
