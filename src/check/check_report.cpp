#include "check/check_report.h"

#include <charconv>
#include <cmath>
#include <map>

#include "model/message_text.h"

namespace plotaktar::check {

namespace {

// The counts of each code, in the codes' order.
std::vector<std::pair<std::string_view, size_t>> ByCode(const Findings& findings) {
    std::vector<std::pair<std::string_view, size_t>> counts;
    for (const CodeEntry& entry : kCodes) {
        size_t n = 0;
        for (const Finding& finding : findings) {
            n += finding.code == entry.code ? 1 : 0;
        }
        if (n > 0) {
            counts.emplace_back(entry.code, n);
        }
    }
    return counts;
}

void AppendNumber(std::string& json, double value) {
    if (!std::isfinite(value)) {
        json += "null";
        return;
    }
    char text[32];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    json.append(text, ec == std::errc() ? end : text);
}

void AppendKey(std::string& json, std::string_view key) {
    json += ", ";
    AppendJsonString(json, key);
    json += ": ";
}

}  // namespace

void WriteFindingsText(const Findings& findings, const ImportPaths& paths,
                       const ReportSink& write) {
    std::string text;
    for (const Finding& f : findings) {
        text = EscapedText(FileNameText(FileName(paths, f.file)));
        if (f.line > 0) {
            text += ':';
            text += std::to_string(f.line);
        }
        text += ": ";
        text += SeverityWord(f.severity);
        text += ": ";
        text += f.code;
        text += ": ";
        text += EscapedText(f.message);
        text += '\n';
        write(text);
    }
    const FindingCounts counts = CountFindings(findings);
    text = std::to_string(counts.errors) + (counts.errors == 1 ? " error, " : " errors, ") +
           std::to_string(counts.warnings) + (counts.warnings == 1 ? " warning" : " warnings");
    const auto byCode = ByCode(findings);
    for (size_t i = 0; i < byCode.size(); ++i) {
        text += i == 0 ? " (" : ", ";
        text += byCode[i].first;
        text += ' ';
        text += std::to_string(byCode[i].second);
    }
    text += byCode.empty() ? "\n" : ")\n";
    write(text);
}

void WriteFindingsJson(const Findings& findings, const ImportPaths& paths,
                       const ReportSink& write) {
    write("{\"findings\": [");
    std::string json;
    for (size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        json = i == 0 ? "\n  {" : ",\n  {";
        json += "\"code\": ";
        AppendJsonString(json, f.code);
        AppendKey(json, "severity");
        AppendJsonString(json, SeverityWord(f.severity));
        AppendKey(json, "file");
        AppendJsonString(json, FileNameText(FileName(paths, f.file)));
        AppendKey(json, "line");
        json += f.line > 0 ? std::to_string(f.line) : "null";
        AppendKey(json, "table");
        AppendJsonString(json, TableOf(f.table).caption);
        AppendKey(json, "row");
        json += std::to_string(f.row);
        AppendKey(json, "message");
        AppendJsonString(json, f.message);
        for (const FindingValue& value : f.values) {
            AppendKey(json, value.name);
            AppendNumber(json, value.value);
        }
        for (const FindingText& text : f.texts) {
            AppendKey(json, text.name);
            AppendJsonString(json, text.value);
        }
        if (f.at) {
            AppendKey(json, "y");
            AppendNumber(json, f.at->east);
            AppendKey(json, "x");
            AppendNumber(json, f.at->north);
        }
        json += '}';
        write(json);
    }
    const FindingCounts counts = CountFindings(findings);
    json = findings.empty() ? "],\n" : "\n],\n";
    json += " \"summary\": {\"errors\": " + std::to_string(counts.errors) +
            ", \"warnings\": " + std::to_string(counts.warnings) + ", \"by_code\": {";
    const auto byCode = ByCode(findings);
    for (size_t i = 0; i < byCode.size(); ++i) {
        if (i > 0) {
            json += ", ";
        }
        AppendJsonString(json, byCode[i].first);
        json += ": " + std::to_string(byCode[i].second);
    }
    json += "}}}\n";
    write(json);
}

std::string FindingsText(const Findings& findings, const ImportPaths& paths) {
    std::string text;
    WriteFindingsText(findings, paths, [&](std::string_view piece) { text += piece; });
    return text;
}

}  // namespace plotaktar::check
