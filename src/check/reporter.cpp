#include "check/reporter.h"

namespace plotaktar::check {

namespace {

Severity SeverityOf(std::string_view code) {
    for (const CodeEntry& entry : kCodes) {
        if (entry.code == code) {
            return entry.severity;
        }
    }
    return Severity::Error;
}

}  // namespace

Finding& Reporter::push(std::string_view code, RowLine source, TableId table, int row,
                        std::string message) {
    Finding& finding = findings_.emplace_back();
    finding.code = code;
    finding.severity = SeverityOf(code);
    finding.file = source.file;
    finding.line = source.line;
    finding.table = table;
    finding.row = row;
    finding.message = std::move(message);
    // A message built by appending holds up to twice its length; a quarter of a million
    // findings keep only what they say.
    finding.message.shrink_to_fit();
    return finding;
}

Finding& Reporter::add(std::string_view code, TableId table, int row, std::string message) {
    return push(code, lines_.of(table, row), table, row, std::move(message));
}

Finding& Reporter::addAtCorner(std::string_view code, int row, int corner, std::string message) {
    RowLine source = lines_.of(TableId::ParcelCorners, corner, row);
    if (source.line == 0) {
        source = lines_.of(TableId::Parcels, row);
    }
    return push(code, source, TableId::Parcels, row, std::move(message));
}

std::string Fixed(double value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    return text;
}

FindingCounts CountFindings(const Findings& findings) {
    FindingCounts counts;
    for (const Finding& finding : findings) {
        ++(finding.severity == Severity::Error ? counts.errors : counts.warnings);
    }
    return counts;
}

std::string_view SeverityWord(Severity severity) {
    return severity == Severity::Error ? "error" : "warning";
}

}  // namespace plotaktar::check
