#include "compare/change_report.h"

#include <charconv>
#include <cmath>

#include "model/message_text.h"

namespace plotaktar::compare {

namespace {

std::string PlaceText(const std::vector<std::string>& files, const std::optional<Source>& source) {
    if (!source) {
        return "-";
    }
    std::string text =
        EscapedText(FileNameText(source->file < files.size() ? files[source->file] : ""));
    if (source->line > 0) {
        text += ':' + std::to_string(source->line);
    }
    return text;
}

// A number unrounded (the shortest text that reads back as the same double), as the check's
// findings write theirs; null for what JSON has no number for.
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

void AppendSide(std::string& json, std::string_view side, const std::vector<std::string>& files,
                const std::optional<Source>& source) {
    AppendKey(json, std::string(side) + "_file");
    if (source && source->file < files.size()) {
        AppendJsonString(json, FileNameText(files[source->file]));
    } else {
        json += "null";
    }
    AppendKey(json, std::string(side) + "_line");
    json += source && source->line > 0 ? std::to_string(source->line) : "null";
}

}  // namespace

void WriteChangesText(const Comparison& comparison, const ReportSink& write) {
    std::string text;
    for (const Change& c : comparison.changes) {
        text = PlaceText(comparison.oldFiles, c.old.source);
        text += ' ';
        text += PlaceText(comparison.newFiles, c.now.source);
        text += ' ';
        text += c.code;
        text += ' ';
        text += EscapedText(c.message);
        text += '\n';
        write(text);
    }
    const size_t n = comparison.changes.size();
    text = std::to_string(n) + (n == 1 ? " change" : " changes");
    const auto byCode = CountByCode(comparison);
    for (size_t i = 0; i < byCode.size(); ++i) {
        text += i == 0 ? " (" : ", ";
        text += byCode[i].first;
        text += ' ';
        text += std::to_string(byCode[i].second);
    }
    text += byCode.empty() ? "" : ")";
    for (size_t i = 0; i < comparison.notCompared.size(); ++i) {
        text += i == 0 ? "; not compared: " : ", ";
        text += comparison.notCompared[i];
    }
    text += '\n';
    write(text);
}

void WriteChangesJson(const Comparison& comparison, const ReportSink& write) {
    write("{\"changes\": [");
    std::string json;
    for (size_t i = 0; i < comparison.changes.size(); ++i) {
        const Change& c = comparison.changes[i];
        json = i == 0 ? "\n  {" : ",\n  {";
        json += "\"code\": ";
        AppendJsonString(json, c.code);
        AppendKey(json, "message");
        AppendJsonString(json, c.message);
        AppendSide(json, "old", comparison.oldFiles, c.old.source);
        AppendSide(json, "new", comparison.newFiles, c.now.source);
        for (const auto& [name, value] : c.values) {
            AppendKey(json, name);
            AppendNumber(json, value);
        }
        for (const auto& [name, value] : c.texts) {
            AppendKey(json, name);
            AppendJsonString(json, value);
        }
        json += '}';
        write(json);
    }
    json = comparison.changes.empty() ? "],\n" : "\n],\n";
    json += " \"summary\": {\"changes\": " + std::to_string(comparison.changes.size()) +
            ", \"by_code\": {";
    const auto byCode = CountByCode(comparison);
    for (size_t i = 0; i < byCode.size(); ++i) {
        if (i > 0) {
            json += ", ";
        }
        AppendJsonString(json, byCode[i].first);
        json += ": " + std::to_string(byCode[i].second);
    }
    json += "}, \"not_compared\": [";
    for (size_t i = 0; i < comparison.notCompared.size(); ++i) {
        if (i > 0) {
            json += ", ";
        }
        AppendJsonString(json, comparison.notCompared[i]);
    }
    json += "]}}\n";
    write(json);
}

std::string ChangesText(const Comparison& comparison) {
    std::string text;
    WriteChangesText(comparison, [&](std::string_view piece) { text += piece; });
    return text;
}

}  // namespace plotaktar::compare
