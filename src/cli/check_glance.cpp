#include "cli/check_glance.h"

#include <charconv>

namespace plotaktar::cli {

namespace {

constexpr char kHex[] = "0123456789abcdef";

// Reads the JSON string at `at` (its opening quote) as check's text shows it: control
// characters as "\x0a", as EscapedText writes them. Check's JSON escapes nothing else but the
// quote and the backslash.
std::optional<std::string> ReadString(std::string_view json, size_t& at) {
    if (at >= json.size() || json[at] != '"') {
        return std::nullopt;
    }
    std::string text;
    for (++at; at < json.size(); ++at) {
        const char c = json[at];
        if (c == '"') {
            ++at;
            return text;
        }
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++at == json.size()) {
            return std::nullopt;
        }
        unsigned code = 0;
        switch (json[at]) {
            case 'n':
                code = '\n';
                break;
            case 'r':
                code = '\r';
                break;
            case 't':
                code = '\t';
                break;
            case 'u': {
                const std::string_view digits = json.substr(at + 1, 4);
                auto [end, ec] =
                    std::from_chars(digits.data(), digits.data() + digits.size(), code, 16);
                if (ec != std::errc() || end != digits.data() + 4 || code > 0xff) {
                    return std::nullopt;
                }
                at += 4;
                break;
            }
            default:
                text += json[at];
                continue;
        }
        text += "\\x";
        text += kHex[code >> 4];
        text += kHex[code & 15];
    }
    return std::nullopt;
}

std::optional<long long> ReadNumber(std::string_view json, size_t& at) {
    long long value = 0;
    auto [end, ec] = std::from_chars(json.data() + at, json.data() + json.size(), value);
    if (ec != std::errc()) {
        return std::nullopt;
    }
    at = static_cast<size_t>(end - json.data());
    return value;
}

// The position of KEY's value in `object`: the first "KEY": is the key, as no string value
// holds an unescaped quote.
size_t ValueOf(std::string_view object, std::string_view key) {
    const std::string pattern = "\"" + std::string(key) + "\": ";
    const size_t found = object.find(pattern);
    return found == std::string_view::npos ? found : found + pattern.size();
}

std::optional<long long> NumberOf(std::string_view object, std::string_view key) {
    size_t at = ValueOf(object, key);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    return ReadNumber(object, at);
}

std::optional<std::string> FindingLine(std::string_view finding) {
    std::string line;
    size_t at = ValueOf(finding, "file");
    std::optional<std::string> file =
        at == std::string_view::npos ? std::nullopt : ReadString(finding, at);
    // A finding of no line has "line": null, and its text line no number.
    const std::optional<long long> number = NumberOf(finding, "line");
    std::optional<std::string> words[3];
    const char* const keys[] = {"severity", "code", "message"};
    for (int i = 0; i < 3; ++i) {
        at = ValueOf(finding, keys[i]);
        if (at == std::string_view::npos || !(words[i] = ReadString(finding, at))) {
            return std::nullopt;
        }
    }
    if (!file) {
        return std::nullopt;
    }
    line = *file;
    if (number) {
        line += ":" + std::to_string(*number);
    }
    return line + ": " + *words[0] + ": " + *words[1] + ": " + *words[2];
}

}  // namespace

std::optional<CheckGlance> GlanceAtCheck(std::string_view json, size_t firstCount) {
    if (json.rfind("{\"findings\": [", 0) != 0) {
        return std::nullopt;
    }
    CheckGlance glance;
    const std::string_view kFinding = "\n  {\"code\": ";
    for (size_t at = json.find(kFinding); at != std::string_view::npos;
         at = json.find(kFinding, at + 1)) {
        ++glance.findings;
        if (glance.first.size() < firstCount) {
            const size_t end = json.find('\n', at + 1);
            const std::optional<std::string> line = FindingLine(json.substr(at + 1, end - at - 1));
            if (!line) {
                return std::nullopt;
            }
            glance.first.push_back(*line);
        }
    }
    size_t at = json.rfind("\n \"summary\": {");
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view summary = json.substr(at);
    const std::optional<long long> errors = NumberOf(summary, "errors");
    const std::optional<long long> warnings = NumberOf(summary, "warnings");
    at = ValueOf(summary, "by_code");
    if (!errors || !warnings || at == std::string_view::npos || summary.substr(at, 1) != "{") {
        return std::nullopt;
    }
    glance.summary = std::to_string(*errors) + (*errors == 1 ? " error, " : " errors, ") +
                     std::to_string(*warnings) + (*warnings == 1 ? " warning" : " warnings");
    ++at;
    for (bool firstCode = true; summary.substr(at, 1) != "}"; firstCode = false) {
        if (!firstCode) {
            if (summary.substr(at, 2) != ", ") {
                return std::nullopt;
            }
            at += 2;
        }
        const std::optional<std::string> code = ReadString(summary, at);
        if (!code || summary.substr(at, 2) != ": ") {
            return std::nullopt;
        }
        at += 2;
        const std::optional<long long> count = ReadNumber(summary, at);
        if (!count) {
            return std::nullopt;
        }
        glance.summary += (firstCode ? " (" : ", ") + *code + " " + std::to_string(*count);
    }
    if (summary.substr(at - 1, 1) != "{") {
        glance.summary += ")";
    }
    return glance;
}

}  // namespace plotaktar::cli
