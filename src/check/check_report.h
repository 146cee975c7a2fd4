#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "check/finding.h"
#include "import/import_files.h"

namespace plotaktar::check {

// Takes the output piece by piece, so that many findings need no copy of all of their text.
using ReportSink = std::function<void(std::string_view)>;

// One finding a line, "FILE:LINE: error|warning: CODE: message" ("FILE: ..." for a row no line
// gave), then the summary line "N errors, M warnings" with the count of each code. UTF-8; the
// files are named as in `paths`.
void WriteFindingsText(const Findings& findings, const ImportPaths& paths, const ReportSink& write);

// {"findings": [{"code", "severity", "file", "line", "table", "row", "message", and the values
// and texts that prove it}], "summary": {"errors", "warnings", "by_code": {CODE: n}}}, with a
// line feed at the end. Numbers are written unrounded (the shortest text that reads back as
// the same double); a line that is not known is null.
void WriteFindingsJson(const Findings& findings, const ImportPaths& paths, const ReportSink& write);

// The text output as one string.
std::string FindingsText(const Findings& findings, const ImportPaths& paths);

}  // namespace plotaktar::check
