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
                        std::string_view message) {
    Finding finding;
    finding.code = code;
    finding.severity = SeverityOf(code);
    finding.file = source.file;
    finding.line = source.line;
    finding.table = table;
    finding.row = row;
    finding.message = message;
    return findings_.push_back(finding);
}

Finding& Reporter::add(std::string_view code, TableId table, int row, std::string_view message) {
    return push(code, lines_.of(table, row), table, row, message);
}

Finding& Reporter::addAtCorner(std::string_view code, int row, int corner,
                               std::string_view message) {
    RowLine source = lines_.of(TableId::ParcelCorners, corner, row);
    if (source.line == 0) {
        source = lines_.of(TableId::Parcels, row);
    }
    return push(code, source, TableId::Parcels, row, message);
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
